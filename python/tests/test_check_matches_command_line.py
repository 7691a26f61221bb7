"""posalign.check gives what `Zentrovis check` writes to alignment.json, field by field, for each form an
image may be given in. The command line runs in the same session: the numbers are never stored."""

import sys
import threading
import time

import nibabel as nib
import numpy as np
import pytest

import posalign
from conftest import run_command_line, without_timing


def as_paths(path):
    return path


def as_nibabel_image(path):
    return nib.load(path)


def as_array_pair(path):
    image = nib.load(path)
    samples = np.asanyarray(image.dataobj)  # scaled like the file reader does; int16 stays int16
    return (samples, image.affine)


def as_nibabel_image_in_memory(path):
    image = nib.load(path)
    return nib.Nifti1Image(np.asanyarray(image.dataobj), image.affine, image.header)


FORMS = {"paths": as_paths, "nibabel": as_nibabel_image, "nibabel_in_memory": as_nibabel_image_in_memory,
         "arrays": as_array_pair}
# The forms that name no file.
UNNAMED = ("nibabel_in_memory", "arrays")


@pytest.mark.parametrize("form", FORMS)
def test_result_equals_the_command_lines_json(form, pair, command_line_run):
    anatomical, functional = pair
    result = posalign.check(FORMS[form](anatomical), FORMS[form](functional))
    expected = without_timing(command_line_run["runs"][0])
    expected["anatomical"] = command_line_run["anatomical"]
    if form in UNNAMED:
        expected["functional"] = ""
        expected["anatomical"] = ""
    if form == "arrays":
        # An array has no qform, so nothing to compare its sform with.
        expected["header"]["qform_sform_mm"] = {"anatomical": None, "functional": None}
    assert without_timing(result.as_dict()) == expected
    # The attributes are the same fields; the shortcuts are those of the search.
    assert result.verdict == expected["verdict"]
    assert result.reasons == expected["reasons"]
    assert abs(result.displacement_mm - expected["search"]["displacement_mm"]) <= 1e-6
    assert isinstance(result.correction, np.ndarray) and result.correction.shape == (4, 4)
    np.testing.assert_array_equal(result.correction, np.array(expected["search"]["correction"]))
    assert result.lr_flip_suspected == expected["search"]["lr_flip_suspected"]
    assert result.header.inside_pct == expected["header"]["inside_pct"]
    assert result.verdict in repr(result) and "displacement_mm=" in repr(result)
    np.testing.assert_allclose(result.best_aligned_affine, result.correction @ nib.load(functional).affine,
                               rtol=0, atol=1e-9)


def test_the_mirror_search_can_be_left_out(phantom_pair):
    with_mirror = posalign.check(*phantom_pair)
    without = posalign.check(*phantom_pair, mirror_test=False)
    assert with_mirror.search.mirrored_best > 0
    assert without.search.mirrored_best == 0
    assert without.displacement_mm == with_mirror.displacement_mm


def test_two_threads_checking_at_once_give_the_results_of_one(phantom_pair, nibabel_pair):
    pairs = [phantom_pair, nibabel_pair]
    alone = [without_timing(posalign.check(*p).as_dict()) for p in pairs]
    together = [None, None]
    start = threading.Barrier(2)

    def check(index):
        start.wait()
        together[index] = without_timing(posalign.check(*[nib.load(path) for path in pairs[index]]).as_dict())

    threads = [threading.Thread(target=check, args=(i,)) for i in range(2)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert together == alone


def test_a_nibabel_image_is_checked_with_its_affine_as_changed_in_memory(phantom_pair):
    anatomical = nib.load(phantom_pair[0])
    functional = nib.load(phantom_pair[1])
    image = nib.load(phantom_pair[1])
    image.affine[:3, 3] += (4.0, -2.0, 1.0)  # changed in place: the header still holds the old affine
    moved = image.affine.copy()
    assert not np.allclose(image.header.get_best_affine(), moved)
    as_image = without_timing(posalign.check(anatomical, image).as_dict())
    as_array = without_timing(posalign.check(anatomical, (np.asanyarray(functional.dataobj), moved)).as_dict())
    as_image.pop("functional")
    as_array.pop("functional")
    assert as_image == as_array
    assert as_image != without_timing(posalign.check(anatomical, functional).as_dict())


def test_nan_in_an_image_marks_missing_samples_as_in_a_file(phantom_pair, tmp_path):
    functional = nib.load(phantom_pair[1])
    samples = np.asanyarray(functional.dataobj).astype(np.float32)
    samples[:, :, :4, :] = np.nan  # the lowest slices lost
    path = tmp_path / "with_nan.nii.gz"
    nib.save(nib.Nifti1Image(samples, functional.affine), path)
    status, stderr, document = run_command_line(phantom_pair[0], path, tmp_path / "out")
    expected = without_timing(document["runs"][0])
    for image in (nib.load(path), nib.Nifti2Image(samples, functional.affine)):
        got = without_timing(posalign.check(phantom_pair[0], image).as_dict())
        got.pop("anatomical")
        got["functional"] = expected["functional"]
        assert got == expected
    with pytest.raises(posalign.InputError, match="NaN"):
        posalign.check(phantom_pair[0], (samples, functional.affine))


def test_check_runs_gives_the_command_lines_runs_in_order(phantom_pair, tmp_path):
    functional = nib.load(phantom_pair[1])
    moved = functional.affine.copy()
    moved[:3, 3] += (0.0, 6.0, 0.0)
    second = tmp_path / "moved.nii.gz"
    nib.save(nib.Nifti1Image(np.asanyarray(functional.dataobj), moved), second)
    runs = [phantom_pair[1], str(second)]
    status, stderr, document = run_command_line(phantom_pair[0], runs, tmp_path / "out")
    results = posalign.check_runs(phantom_pair[0], runs)
    assert [without_timing(r.as_dict()) for r in results] == [
        dict(without_timing(run), anatomical=document["anatomical"]) for run in document["runs"]]
    assert results[0].displacement_mm != results[1].displacement_mm


def finished_before_other_threads_ran(work):
    """Runs work on a thread of its own and tells whether it was over before this thread ran again. With a
    long switch interval the interpreter's lock passes only when its holder lets it go."""
    interval = sys.getswitchinterval()
    sys.setswitchinterval(100)
    try:
        started, done = threading.Event(), []

        def run():
            started.set()
            work()
            done.append(True)

        thread = threading.Thread(target=run)
        thread.start()
        started.wait()
        over = bool(done)
        thread.join()
    finally:
        sys.setswitchinterval(interval)
    return over


def test_the_search_lets_other_threads_run(phantom_pair):
    from posalign import _posalign
    anatomy = _posalign.image_from_file(phantom_pair[0], "anatomical")
    run = _posalign.image_from_file(phantom_pair[1], "functional")
    assert not finished_before_other_threads_ran(lambda: _posalign.check(anatomy, run, {}))

    def python_loop():  # holds the lock: the probe tells the two apart
        end = time.perf_counter() + 0.2
        while time.perf_counter() < end:
            pass

    assert finished_before_other_threads_ran(python_loop)
