"""Inputs the check refuses, and how: the command line's own sentence for a file it refuses, a clear
InputError for an array it cannot take, TypeError and ValueError for arguments of the wrong kind."""

import nibabel as nib
import numpy as np
import pytest

import posalign
from conftest import run_command_line


def phantom_array(phantom_pair):
    image = nib.load(phantom_pair[1])
    return np.asanyarray(image.dataobj).astype(np.float32), image.affine


def with_nan(samples, affine):
    samples = samples.copy()
    samples[5, 6, 7, 1] = np.nan
    return samples, affine


def flat(samples, affine):
    return samples[:, :, 0, 0], affine


def singular_affine(samples, affine):
    bad = affine.copy()
    bad[:, 2] = 0
    bad[3, 3] = 1
    return samples, bad


def nan_affine(samples, affine):
    bad = affine.copy()
    bad[0, 0] = np.nan
    return samples, bad


def three_by_three_affine(samples, affine):
    return samples, affine[:3, :3]


def projective_affine(samples, affine):
    bad = affine.copy()
    bad[3, 0] = 0.1
    return samples, bad


def boolean_samples(samples, affine):
    return samples > 0, affine


ARRAY_REFUSALS = [
    (with_nan, "functional array: holds 1 NaN or infinite sample of "),
    (flat, "functional array: has 2 dimensions; at least 3 (x, y, z) are needed"),
    (singular_affine, "functional array: has a singular or non-finite voxel-to-world affine"),
    (nan_affine, "functional array: has a singular or non-finite voxel-to-world affine"),
    (three_by_three_affine, "functional array: its affine must be a 4x4 matrix"),
    (projective_affine, "functional array: its affine's last row must be 0 0 0 1"),
    (boolean_samples, "functional array: has the unsupported sample type bool"),
]


@pytest.mark.parametrize("make, message", ARRAY_REFUSALS, ids=[make.__name__ for make, _ in ARRAY_REFUSALS])
def test_a_bad_array_is_refused_with_its_reason(make, message, phantom_pair):
    with pytest.raises(posalign.InputError) as refused:
        posalign.check(phantom_pair[0], make(*phantom_array(phantom_pair)))
    assert str(refused.value).startswith(message)
    assert isinstance(refused.value, ValueError)


def write_flat_file(path):
    nib.save(nib.Nifti1Image(np.ones((8, 8), dtype=np.float32), np.eye(4)), path)


def write_nothing(path):
    pass


def write_text(path):
    path.write_text("not an image\n")


FILE_REFUSALS = [("flat.nii", write_flat_file), ("missing.nii.gz", write_nothing), ("text.nii", write_text)]


@pytest.mark.parametrize("name, make", FILE_REFUSALS, ids=[name for name, _ in FILE_REFUSALS])
def test_a_refused_file_gives_the_command_lines_message(name, make, phantom_pair, tmp_path):
    path = tmp_path / name
    make(path)
    status, stderr, document = run_command_line(phantom_pair[0], path, tmp_path / "out")
    assert status == 2 and document is None
    with pytest.raises(posalign.InputError) as refused:
        posalign.check(phantom_pair[0], str(path))
    assert stderr == f"Zentrovis check: {refused.value}\n"


@pytest.mark.parametrize("arguments, error, message", [
    ({"functional": np.zeros((4, 4, 4))}, TypeError, "needs its voxel-to-world affine"),
    ({"functional": 12}, TypeError, "not int"),
    ({"functional": (np.zeros((4, 4, 4)),)}, TypeError, "pair (array, affine)"),
    ({"unknown_setting": 1}, TypeError, "unknown_setting"),
    ({"histogram_bins": 2}, ValueError, "histogram_bins must be a whole number from 4 to 256"),
    ({"max_translation_mm": float("nan")}, ValueError, "max_translation_mm must be a number"),
    ({"pass_mm": 6.0}, ValueError, "pass_mm must not exceed warn_mm"),
    ({"pass_mm": "1"}, TypeError, "pass_mm must be a number, not str"),
    ({"mirror_test": "no"}, TypeError, "mirror_test must be True or False"),
])
def test_arguments_of_the_wrong_kind_are_refused(arguments, error, message, phantom_pair):
    arguments = dict(arguments)
    functional = arguments.pop("functional", phantom_pair[1])
    with pytest.raises(error) as refused:
        posalign.check(phantom_pair[0], functional, **arguments)
    assert message in str(refused.value)
