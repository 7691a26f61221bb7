#!/usr/bin/python3
"""Kills (SIGKILL) runs of the plug-in host, of the alignment check and of the dataset check at random
moments, again and again, into output folders that hold an earlier complete run. After every kill each file
under a final output name must be complete (byte for byte the complete run's where the output does not
depend on timing, otherwise whole in its form) and the inputs unchanged; at the end one more call completes
and leaves no staging folder of the killed runs behind.

    kill_test.py ZENTROVIS SCRATCH [--kills N] [--seed N]
"""
import argparse
import gzip
import hashlib
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

# Outputs whose bytes depend on timing or on the call (the check's seconds, the command line): judged by form.
TIMED = ("report.html", "alignment.json", "alignment.tsv", "dataset_description.json")


def snapshot(folder):
    """Every file under folder that is not hidden and not in a hidden folder: relative path -> bytes."""
    files = {}
    for directory, folders, names in os.walk(folder):
        folders[:] = [f for f in folders if not f.startswith(".")]
        for name in names:
            if not name.startswith("."):
                path = os.path.join(directory, name)
                with open(path, "rb") as f:
                    files[os.path.relpath(path, folder)] = f.read()
    return files


def staging_folders(folder):
    return [os.path.join(d, f) for d, folders, _ in os.walk(folder) for f in folders
            if f.startswith(".zentrovis-run-")]


def whole_in_form(name, data):
    """Empty when a timed output is complete in its form, else what is wrong."""
    if name.endswith(".html"):
        return "" if data.endswith(b"</html>\n") else "cut-off HTML"
    if name.endswith(".json"):
        try:
            json.loads(data)
            return ""
        except ValueError as e:
            return "not whole JSON (%s)" % e
    if name.endswith(".tsv"):
        lines = data.decode().split("\n")
        header = lines[0].split("\t")
        widths = {len(line.split("\t")) for line in lines[:-1]}
        # A whole table: its complete header (from subject to reasons), every row as wide, a final newline.
        whole = header[0] == "subject" and "reasons" in header and widths == {len(header)}
        return "" if lines[-1] == "" and whole else "cut-off or mixed table (widths %s)" % widths
    return "unexpected kind of output"


def judge(folder, reference):
    """The problems of the files now under final names in folder, against a complete run's files."""
    problems = []
    for name, data in snapshot(folder).items():
        base = os.path.basename(name)
        if name not in reference:
            problems.append("%s: not an output of the complete run" % name)
        elif base in TIMED:
            problem = whole_in_form(base, data)
            if problem:
                problems.append("%s: %s" % (name, problem))
        elif data != reference[name]:
            problems.append("%s: differs from the complete run's (%d bytes against %d)" %
                            (name, len(data), len(reference[name])))
        elif name.endswith(".gz"):
            gzip.decompress(data)
    return problems


def digests(paths):
    return {p: hashlib.sha256(open(p, "rb").read()).hexdigest() for p in paths}


def kill_runs(title, commands, folder, inputs, kills, rng, completed=(0,)):
    """Runs the commands to completion for the reference, then kills runs of them in turn; completed are
    the exit statuses of a call that did all its work."""
    before = digests(inputs)
    durations = []
    for command in commands:
        started = time.monotonic()
        done = subprocess.run(command, capture_output=True)
        durations.append(time.monotonic() - started)
        if done.returncode not in completed:
            return ["%s: the complete run failed (%d): %s" % (title, done.returncode, done.stderr.decode())]
    reference = snapshot(folder)
    problems, killed, left = [], 0, set()
    for k in range(kills):
        command = commands[k % len(commands)]
        process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Every other kill lands near the end, where the outputs are written and moved into place.
        share = rng.uniform(0, 1.1) if k % 2 == 0 else rng.uniform(0.75, 1.05)
        time.sleep(durations[k % len(commands)] * share)
        if process.poll() is None:
            process.send_signal(signal.SIGKILL)
            killed += 1
        process.wait()
        problems += ["%s, kill %d: %s" % (title, k + 1, p) for p in judge(folder, reference)]
        left.update(staging_folders(folder))
    for command in commands:
        done = subprocess.run(command, capture_output=True)
        if done.returncode not in completed:
            problems.append("%s: the call after the kills failed (%d): %s" %
                            (title, done.returncode, done.stderr.decode()))
    problems += ["%s, after the kills: %s" % (title, p) for p in judge(folder, reference)]
    if sorted(snapshot(folder)) != sorted(reference):
        problems.append("%s: the outputs after the kills are %s, not %s" %
                        (title, sorted(snapshot(folder)), sorted(reference)))
    if staging_folders(folder):
        problems.append("%s: staging folders left: %s" % (title, staging_folders(folder)))
    if digests(inputs) != before:
        problems.append("%s: an input changed" % title)
    print("%s: %d runs killed (%d finished first), %d staging folders left by them, %d after the next call"
          % (title, killed, kills - killed, len(left), len(staging_folders(folder))))
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("zentrovis")
    parser.add_argument("scratch")
    parser.add_argument("--kills", type=int, default=8)
    parser.add_argument("--seed", type=int, default=7)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    shutil.rmtree(args.scratch, ignore_errors=True)
    bids = os.path.join(args.scratch, "bids")
    make_tiny_bids.write_dataset(bids, 2, 2)
    anat = os.path.join(bids, "sub-01/anat/sub-01_T1w.nii.gz")
    funcs = [os.path.join(bids, "sub-01/func/sub-01_task-rest_run-%d_bold.nii.gz" % r) for r in (1, 2)]
    inputs = [os.path.join(d, n) for d, _, names in os.walk(bids) for n in names]
    z = args.zentrovis
    out = {name: os.path.join(args.scratch, name) for name in ("plugin", "check", "dataset")}
    problems = []
    problems += kill_runs("plug-in run", [[z, "--vmr", anat, "--fmr", funcs[0], "--fmr", funcs[1], "--mapping", "3",
                                           "--out", out["plugin"], "--force"]], out["plugin"], inputs, args.kills, rng)
    problems += kill_runs("check", [[z, "check", "--vmr", anat, "--fmr", funcs[0], "--fmr", funcs[1], "--out",
                                     out["check"], "--force"]], out["check"], inputs, args.kills, rng,
                        completed=(0, 4, 5))
    problems += kill_runs("dataset check", [[z, "check", bids, out["dataset"], "participant"],
                                            [z, "check", bids, out["dataset"], "group"]],
                          out["dataset"], inputs, args.kills, rng)
    for problem in problems:
        print("FAILED: " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
