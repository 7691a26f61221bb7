"""posalign.report writes the check's HTML report of the results given, and never half a file."""

import pytest

import posalign


def test_the_report_shows_each_run_and_keeps_an_existing_file(phantom_pair, nibabel_pair, tmp_path):
    results = [posalign.check(*phantom_pair), posalign.check(*nibabel_pair)]
    path = tmp_path / "report.html"
    assert posalign.report(results, path) == path
    page = path.read_text()
    assert page.startswith("<!DOCTYPE html>")
    assert "Alignment check: anatomical" in page
    for result in results:
        assert f">{result.verdict}<" in page
    assert page.count("data:image/png;base64,") >= 2 * 5  # each run's pictures
    with pytest.raises(OSError, match="exists"):
        posalign.report(results[0], path)
    assert path.read_text() == page
    posalign.report(results[:1], path, overwrite=True)
    assert path.read_text() != page
    assert sorted(p.name for p in tmp_path.iterdir()) == ["report.html"]


def test_a_report_that_cannot_be_written_raises(phantom_pair, tmp_path):
    with pytest.raises(OSError, match="cannot be created"):
        posalign.report(posalign.check(*phantom_pair), tmp_path / "no-such-folder" / "report.html")
    with pytest.raises(ValueError, match="at least one result"):
        posalign.report([], tmp_path / "report.html")
    with pytest.raises(TypeError, match="CheckResult"):
        posalign.report(["run.nii"], tmp_path / "report.html")
