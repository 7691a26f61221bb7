#!/usr/bin/python3
"""Runs workflow/Snakefile on a small synthetic dataset: participants then group, then checks that the group
table holds every run once and that the group report and each participant's report exist. Exit status 77
(skipped) only when snakemake is not installed (scripts/install-deps.sh installs it).

    snakemake_test.py ZENTROVIS SNAKEFILE SCRATCH
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_tiny_bids  # noqa: E402


def main():
    zentrovis, snakefile, scratch = (os.path.abspath(a) for a in sys.argv[1:4])
    snakemake = shutil.which("snakemake")
    if snakemake is None:
        print("SKIPPED: snakemake is not installed (bash scripts/install-deps.sh installs it)")
        return 77
    shutil.rmtree(scratch, ignore_errors=True)
    bids, out = os.path.join(scratch, "bids"), os.path.join(scratch, "out")
    make_tiny_bids.write_dataset(bids, 3, 1)
    done = subprocess.run([snakemake, "-s", snakefile, "--cores", "2", "--directory", scratch, "--quiet",
                           "--config", "bids=" + bids, "out=" + out, "zentrovis=" + zentrovis, "workers=1"],
                          capture_output=True, text=True)
    problems = []
    if done.returncode != 0:
        problems.append("snakemake failed (%d):\n%s\n%s" % (done.returncode, done.stdout, done.stderr))
    else:
        with open(os.path.join(out, "alignment.tsv")) as f:
            runs = sorted(line.split("\t")[2] for line in f.read().splitlines()[1:])
        expected = ["sub-%02d_task-rest_run-1" % s for s in (1, 2, 3)]
        if runs != expected:
            problems.append("the group table holds %s, not %s" % (runs, expected))
        for name in ["report.html", "dataset_description.json"] + ["sub-%02d/report.html" % s for s in (1, 2, 3)]:
            if not os.path.isfile(os.path.join(out, name)):
                problems.append("%s is missing" % name)
    for problem in problems:
        print("FAILED: " + problem)
    if not problems:
        print("Snakemake ran 3 participant jobs and the group level; every run in the group table once")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
