#!/usr/bin/python3
"""Many participant processes of the dataset check at once on one OUT_DIR, as a cluster array or GNU
parallel starts them: after a participant job killed midway, two waves of one process per subject, all
started together (the second over the first one's outputs), then the group level. Every job must succeed and
the group table must hold every run exactly once; no staging folder may remain.

    parallel_participants_test.py ZENTROVIS SCRATCH [--subjects N] [--runs N] [--repeats N] [--at-once N]
"""
import argparse
import json
import os
import random
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_tiny_bids  # noqa: E402


def start(zentrovis, bids, out, label):
    return subprocess.Popen([zentrovis, "check", bids, out, "participant", "--participant-label", label,
                             "--workers", "1"], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)


def run_wave(zentrovis, bids, out, labels, at_once):
    """Runs one participant process per label, at_once of them at a time, in a shuffled order; returns the
    failures as (label, status, error text)."""
    order = list(labels)
    random.shuffle(order)
    failures, running = [], []
    while order or running:
        while order and len(running) < at_once:
            label = order.pop()
            running.append((label, start(zentrovis, bids, out, label)))
        label, process = running.pop(0)
        _, err = process.communicate()
        if process.returncode != 0:
            failures.append((label, process.returncode, err.strip()))
    return failures


def table_rows(path):
    with open(path) as f:
        lines = f.read().splitlines()
    header = lines[0].split("\t")
    return [dict(zip(header, line.split("\t"))) for line in lines[1:]]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("zentrovis")
    parser.add_argument("scratch")
    parser.add_argument("--subjects", type=int, default=12)
    parser.add_argument("--runs", type=int, default=1)
    parser.add_argument("--repeats", type=int, default=2)
    parser.add_argument("--at-once", type=int, default=12)
    args = parser.parse_args()
    random.seed(20)
    shutil.rmtree(args.scratch, ignore_errors=True)
    bids, out = os.path.join(args.scratch, "bids"), os.path.join(args.scratch, "out")
    make_tiny_bids.write_dataset(bids, args.subjects, args.runs)
    labels = ["%02d" % s for s in range(1, args.subjects + 1)]
    expected = {"sub-%s_task-rest_run-%d" % (label, r) for label in labels for r in range(1, args.runs + 1)}

    # An earlier call killed midway leaves its staging behind; the jobs after it must not mind.
    killed = start(args.zentrovis, bids, out, labels[0])
    time.sleep(0.15)
    killed.send_signal(signal.SIGKILL)
    killed.wait()

    problems = []
    started = time.monotonic()
    for repeat in range(args.repeats):
        for label, status, err in run_wave(args.zentrovis, bids, out, labels, args.at_once):
            problems.append("repeat %d, participant %s: exit status %d: %s" % (repeat + 1, label, status, err))
        group = subprocess.run([args.zentrovis, "check", bids, out, "group"], capture_output=True, text=True)
        if group.returncode != 0:
            problems.append("repeat %d, group: exit status %d: %s" % (repeat + 1, group.returncode, group.stderr))
            continue
        runs = [row["run"] for row in table_rows(os.path.join(out, "alignment.tsv"))]
        if sorted(runs) != sorted(expected):
            missing, doubled = expected - set(runs), {r for r in runs if runs.count(r) > 1}
            problems.append("repeat %d: the group table lacks %s and repeats %s" % (repeat + 1, sorted(missing),
                                                                                   sorted(doubled)))
    seconds = time.monotonic() - started
    # Written by whichever job came first while many started at once: one whole description.
    with open(os.path.join(out, "dataset_description.json")) as f:
        description = json.load(f)
    if description.get("DatasetType") != "derivative" or description["GeneratedBy"][0]["Name"] != "Zentrovis":
        problems.append("dataset_description.json: %s" % description)
    left = [os.path.join(d, name) for d, folders, _ in os.walk(out) for name in folders
            if name.startswith(".zentrovis-run-")]
    if left:
        problems.append("staging folders left: %s" % left)
    print("%d subjects x %d runs, %d participant processes at a time, %d repeats: %d failed jobs, %.1f s" %
          (args.subjects, args.runs, args.at_once, args.repeats, len(problems), seconds))
    for problem in problems:
        print("FAILED: " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
