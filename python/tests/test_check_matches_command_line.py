"""posalign.check gives what `Zentrovis check` writes to alignment.json, field by field, for each form an
image may be given in. The command line runs in the same session: the numbers are never stored."""

import threading

import nibabel as nib
import numpy as np
import pytest

import posalign
from conftest import without_timing


def as_paths(path):
    return path


def as_nibabel_image(path):
    return nib.load(path)


def as_array_pair(path):
    image = nib.load(path)
    samples = np.asanyarray(image.dataobj)  # scaled like the file reader does; int16 stays int16
    return (samples, image.affine)


FORMS = {"paths": as_paths, "nibabel": as_nibabel_image, "arrays": as_array_pair}


@pytest.mark.parametrize("form", FORMS)
def test_result_equals_the_command_lines_json(form, pair, command_line_run):
    anatomical, functional = pair
    result = posalign.check(FORMS[form](anatomical), FORMS[form](functional))
    expected = without_timing(command_line_run["runs"][0])
    expected["anatomical"] = command_line_run["anatomical"]
    if form == "arrays":
        # An array names no file and has no qform, so nothing to compare its sform with.
        expected["functional"] = ""
        expected["anatomical"] = ""
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
