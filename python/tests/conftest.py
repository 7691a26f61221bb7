"""Shared fixtures of the posalign module's tests: the Zentrovis program to compare with, image pairs on
disk (nibabel's own test files and a phantom head written with nibabel), and the command line's result."""

import json
import os
import subprocess
from pathlib import Path

import nibabel as nib
import numpy as np
import pytest
from nibabel.testing import data_path

# Fields that differ between any two runs of the same check.
TIMING_FIELDS = ("seconds", "cpu_seconds")


def zentrovis_program():
    program = os.environ.get("ZENTROVIS")
    if not program:
        program = str(Path(__file__).resolve().parents[2] / "build" / "Zentrovis")
    if not os.access(program, os.X_OK):
        pytest.fail(f"the Zentrovis program is needed at {program} (set ZENTROVIS)")
    return program


def run_command_line(anatomical, functional, out_dir):
    """Runs `Zentrovis check` on one functional (or a list of them) and returns (exit status, stderr,
    alignment.json or None)."""
    functionals = functional if isinstance(functional, list) else [functional]
    runs = [word for path in functionals for word in ("--fmr", str(path))]
    done = subprocess.run([zentrovis_program(), "check", "--vmr", str(anatomical), *runs, "--out", str(out_dir)],
                          capture_output=True, text=True)
    json_path = Path(out_dir) / "alignment.json"
    document = json.loads(json_path.read_text()) if json_path.exists() else None
    return done.returncode, done.stderr, document


def without_timing(entry):
    """A run's entry with the wall-clock and processor times left out."""
    entry = json.loads(json.dumps(entry))
    for name in TIMING_FIELDS:
        entry["search"].pop(name, None)
    return entry


def _ellipsoid(points, centre, radii):
    return (((points - np.asarray(centre)) / np.asarray(radii)) ** 2).sum(axis=-1) <= 1.0


def phantom_samples(affine, shape, contrast, motion=np.eye(4), seed=0):
    """A phantom head (scalp, skull, brain with ventricles, one eye: left and right differ) sampled at the
    voxel centres of a grid, the head moved by motion (world mm)."""
    ijk = np.stack(np.meshgrid(*[np.arange(n) for n in shape], indexing="ij"), axis=-1).astype(float)
    world = ijk @ affine[:3, :3].T + affine[:3, 3]
    inverse = np.linalg.inv(motion)
    head = world @ inverse[:3, :3].T + inverse[:3, 3]
    tissues = [  # (centre, radii, T1-like, EPI-like), later ones drawn over earlier ones
        ((0, 0, 0), (70, 88, 75), 150, 60),  # scalp
        ((0, 0, 0), (64, 82, 69), 20, 10),  # skull
        ((0, 0, 2), (59, 77, 63), 90, 140),  # grey matter
        ((0, 4, 6), (45, 60, 48), 130, 100),  # white matter
        ((-9, 10, 12), (6, 22, 10), 25, 220),  # left ventricle
        ((10, 6, 10), (5, 18, 9), 25, 220),  # right ventricle, smaller and lower
        ((30, 70, -30), (12, 12, 12), 200, 180),  # one eye, on the right
        ((-20, -40, 40), (10, 14, 8), 60, 200),  # a lesion, left and behind
    ]
    samples = np.zeros(shape, dtype=float)
    for centre, radii, t1, epi in tissues:
        samples[_ellipsoid(head, centre, radii)] = t1 if contrast == "t1" else epi
    noise = np.random.default_rng(seed).uniform(-3.0, 3.0, size=shape)
    return samples + noise * (samples > 0)


def grid_affine(voxel_mm, shape, centre=(0, 0, 0), rotation_deg=(0, 0, 0)):
    rotation = rotation_matrix(rotation_deg)
    affine = np.eye(4)
    affine[:3, :3] = rotation @ np.diag(voxel_mm)
    affine[:3, 3] = np.asarray(centre) - affine[:3, :3] @ ((np.asarray(shape) - 1) / 2.0)
    return affine


def rotation_matrix(degrees):
    x, y, z = np.radians(degrees)
    rx = np.array([[1, 0, 0], [0, np.cos(x), -np.sin(x)], [0, np.sin(x), np.cos(x)]])
    ry = np.array([[np.cos(y), 0, np.sin(y)], [0, 1, 0], [-np.sin(y), 0, np.cos(y)]])
    rz = np.array([[np.cos(z), -np.sin(z), 0], [np.sin(z), np.cos(z), 0], [0, 0, 1]])
    return rz @ ry @ rx


def rigid_motion(shift_mm, rotation_deg):
    motion = np.eye(4)
    motion[:3, :3] = rotation_matrix(rotation_deg)
    motion[:3, 3] = shift_mm
    return motion


@pytest.fixture(scope="session")
def phantom_pair(tmp_path_factory):
    """A 3 mm T1-like anatomical (float32) and a 4 mm oblique EPI-like functional of 3 volumes (int16,
    gzipped) whose header misses a rigid motion of the head of about 3 mm and 2 degrees."""
    folder = tmp_path_factory.mktemp("phantom")
    anatomical_shape = (60, 72, 64)
    anatomical_affine = grid_affine((3, 3, 3), anatomical_shape)
    anatomical = phantom_samples(anatomical_affine, anatomical_shape, "t1").astype(np.float32)
    functional_shape = (40, 44, 30)
    functional_affine = grid_affine((4, 4, 4), functional_shape, centre=(3, -4, 8), rotation_deg=(10, 0, 3))
    motion = rigid_motion((2.0, -1.5, 1.5), (2.0, 0.0, -1.0))
    volumes = [phantom_samples(functional_affine, functional_shape, "epi", motion, seed=t) for t in range(3)]
    functional = np.round(np.stack(volumes, axis=-1) * 10).astype(np.int16)
    paths = (folder / "anatomical.nii", folder / "functional.nii.gz")
    nib.save(nib.Nifti1Image(anatomical, anatomical_affine), paths[0])
    nib.save(nib.Nifti1Image(functional, functional_affine), paths[1])
    return tuple(str(path) for path in paths)


@pytest.fixture(scope="session")
def nibabel_pair():
    """nibabel's own test images: a big-endian int16 anatomical and a 4-D int16 functional."""
    return (os.path.join(data_path, "anatomical.nii"), os.path.join(data_path, "functional.nii"))


@pytest.fixture(scope="session", params=["nibabel_test_files", "phantom"])
def pair(request, phantom_pair, nibabel_pair):
    return nibabel_pair if request.param == "nibabel_test_files" else phantom_pair


@pytest.fixture(scope="session")
def command_line_run(pair, tmp_path_factory):
    """The command line's alignment.json for the pair."""
    status, stderr, document = run_command_line(*pair, tmp_path_factory.mktemp("cli") / "out")
    assert document is not None, f"Zentrovis check wrote no alignment.json (status {status}): {stderr}"
    return document
