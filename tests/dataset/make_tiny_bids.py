#!/usr/bin/python3
"""Writes a small synthetic BIDS dataset for the dataset-check tests: SUBJECTS participants, each a 2 mm T1
of a smooth ellipsoid head with inner structure and RUNS 4-volume functional runs of 4 mm with the contrast
inverted; runs are shifted 0, 0.8, 1.6, 3 or 6 mm in their headers in turn (some pass, some warn, some fail). A run checks in a fraction of a second.

    make_tiny_bids.py OUT_DIR [--subjects N] [--runs N]
"""
import argparse
import os

import nibabel as nib
import numpy as np


def head(shape, voxel_mm, centre_mm):
    """A head-like image: an ellipsoid with a darker shell, two 'ventricles' and an off-centre lump."""
    grid = np.indices(shape).astype(np.float32)
    points = [grid[i] * voxel_mm - centre_mm[i] for i in range(3)]
    x, y, z = points
    r = np.sqrt((x / 30) ** 2 + (y / 38) ** 2 + (z / 28) ** 2)
    image = np.where(r < 1, 100.0, 0.0)
    image += np.where((r > 0.85) & (r < 1), 60.0, 0.0)
    image += np.where(np.sqrt(((x - 7) / 5) ** 2 + (y / 12) ** 2 + (z / 8) ** 2) < 1, -50.0, 0.0)
    image += np.where(np.sqrt(((x + 7) / 5) ** 2 + (y / 12) ** 2 + (z / 8) ** 2) < 1, -50.0, 0.0)
    image += np.where(np.sqrt(((x - 15) / 7) ** 2 + ((y - 15) / 7) ** 2 + ((z - 10) / 6) ** 2) < 1, 40.0, 0.0)
    return image.astype(np.float32)


def affine(voxel_mm, origin_mm):
    a = np.diag([voxel_mm, voxel_mm, voxel_mm, 1.0])
    a[:3, 3] = origin_mm
    return a


def save(image, matrix, path):
    img = nib.Nifti1Image(image, matrix)
    img.set_sform(matrix, code=1)
    img.set_qform(matrix, code=1)
    nib.save(img, path)


def write_dataset(out, subjects, runs):
    rng = np.random.default_rng(7)
    anat_shape, anat_mm = (36, 44, 34), 2.0
    anat_centre = np.array(anat_shape) * anat_mm / 2
    func_shape, func_mm = (18, 22, 16), 4.0
    func_centre = np.array(func_shape) * func_mm / 2
    anatomical = head(anat_shape, anat_mm, anat_centre)
    functional = head(func_shape, func_mm, func_centre)
    functional = np.where(functional > 0, 200.0 - functional, 0.0).astype(np.float32)
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "dataset_description.json"), "w") as f:
        f.write('{"Name": "tiny synthetic heads", "BIDSVersion": "1.9.0"}\n')
    with open(os.path.join(out, "participants.tsv"), "w") as f:
        f.write("participant_id\n")
        for s in range(1, subjects + 1):
            f.write("sub-%02d\n" % s)
    for s in range(1, subjects + 1):
        sub = "sub-%02d" % s
        os.makedirs(os.path.join(out, sub, "anat"), exist_ok=True)
        os.makedirs(os.path.join(out, sub, "func"), exist_ok=True)
        save(anatomical + rng.normal(0, 2, anat_shape).astype(np.float32), affine(anat_mm, -anat_centre),
             os.path.join(out, sub, "anat", sub + "_T1w.nii.gz"))
        for r in range(1, runs + 1):
            shift = np.array([0.0, [0.0, 0.8, 1.6, 3.0, 6.0][(s + r) % 5], 0.0])
            volumes = np.stack([functional + rng.normal(0, 3, func_shape) for _ in range(4)], axis=-1)
            save(volumes.astype(np.int16), affine(func_mm, -func_centre + shift),
                 os.path.join(out, sub, "func", "%s_task-rest_run-%d_bold.nii.gz" % (sub, r)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--subjects", type=int, default=8)
    parser.add_argument("--runs", type=int, default=2)
    args = parser.parse_args()
    write_dataset(args.out, args.subjects, args.runs)


if __name__ == "__main__":
    main()
