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


def changed(array, index, value):
    array = array.copy()
    array[index] = value
    return array


# How each bad pair is made from the phantom's (samples, affine), and the start of its refusal.
ARRAY_REFUSALS = {
    "nan_sample": (lambda s, a: (changed(s, (5, 6, 7, 1), np.nan), a),
                   "functional array: holds 1 NaN or infinite sample of "),
    "two_dimensions": (lambda s, a: (s[:, :, 0, 0], a),
                       "functional array: has 2 dimensions; at least 3 (x, y, z) are needed"),
    "singular_affine": (lambda s, a: (s, changed(a, (slice(0, 3), 2), 0)),
                        "functional array: has a singular or non-finite voxel-to-world affine"),
    "nan_affine": (lambda s, a: (s, changed(a, (0, 0), np.nan)),
                   "functional array: has a singular or non-finite voxel-to-world affine"),
    "huge_affine": (lambda s, a: (s, changed(a, (0, 3), 1e300)),
                    "functional array: has a singular or non-finite voxel-to-world affine"),
    "affine_3x3": (lambda s, a: (s, a[:3, :3]), "functional array: its affine must be a 4x4 matrix"),
    "projective_affine": (lambda s, a: (s, changed(a, (3, 0), 0.1)),
                          "functional array: its affine's last row must be 0 0 0 1"),
    "boolean_samples": (lambda s, a: (s > 0, a), "functional array: has the unsupported sample type bool"),
}


@pytest.mark.parametrize("case", ARRAY_REFUSALS)
def test_a_bad_array_is_refused_with_its_reason(case, phantom_pair):
    make, message = ARRAY_REFUSALS[case]
    with pytest.raises(posalign.InputError) as refused:
        posalign.check(phantom_pair[0], make(*phantom_array(phantom_pair)))
    assert str(refused.value).startswith(message)
    assert isinstance(refused.value, ValueError)


FILE_REFUSALS = {
    "flat.nii": lambda path: nib.save(nib.Nifti1Image(np.ones((8, 8), dtype=np.float32), np.eye(4)), path),
    "missing.nii.gz": lambda path: None,
    "text.nii": lambda path: path.write_text("not an image\n"),
}


@pytest.mark.parametrize("name", FILE_REFUSALS)
def test_a_refused_file_gives_the_command_lines_message(name, phantom_pair, tmp_path):
    path = tmp_path / name
    FILE_REFUSALS[name](path)
    status, stderr, document = run_command_line(phantom_pair[0], path, tmp_path / "out")
    assert status == 2 and document is None
    with pytest.raises(posalign.InputError) as refused:
        posalign.check(phantom_pair[0], str(path))
    assert stderr == f"Zentrovis check: {refused.value}\n"


def test_a_refused_anatomical_gives_the_command_lines_message(phantom_pair, tmp_path):
    status, stderr, document = run_command_line(phantom_pair[1], phantom_pair[1], tmp_path / "out")
    with pytest.raises(posalign.InputError) as refused:
        posalign.check(phantom_pair[1], phantom_pair[1])
    assert stderr == f"Zentrovis check: {refused.value}\n" and "one volume is needed" in stderr


@pytest.mark.parametrize("arguments, error, message", [
    ({"functional": np.zeros((4, 4, 4))}, TypeError, "needs its voxel-to-world affine"),
    ({"functional": 12}, TypeError, "not int"),
    ({"functional": (np.zeros((4, 4, 4)),)}, TypeError, "pair (array, affine)"),
    ({"unknown_setting": 1}, TypeError, "unknown_setting"),
    ({"block_mm": 1}, ValueError, "block_mm must be a number from 2 to 100, not 1"),
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
