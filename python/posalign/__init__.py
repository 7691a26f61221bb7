"""The alignment check of functional runs against an anatomical, from Python.

    import posalign
    result = posalign.check("anat.nii.gz", nibabel.load("run1.nii.gz"))
    print(result.verdict, result.displacement_mm)
    posalign.report([result], "report.html")

It is the check of `Zentrovis check`, made by the same code: the same verdicts, numbers and messages. An
image is given as a file path, a nibabel image, or a pair (array, affine) with the samples x fastest in
voxel order and the 4x4 voxel-to-world affine. The check releases the interpreter's lock, so threads
check runs in parallel.
"""

import json
import math
import os

import numpy as np

from . import _posalign
from ._posalign import InputError

__all__ = ["check", "check_runs", "report", "CheckResult", "InputError", "DEFAULT_SETTINGS"]

#: The check's settings and their defaults; each may be given to check() by keyword.
DEFAULT_SETTINGS = _posalign.default_settings()

_NIFTI1_DATA_OFFSET = 352


def check(anatomical, functional, *, mirror_test=True, **settings):
    """Checks the functional run's alignment against the anatomical; returns a CheckResult.

    Each image is a path (.nii or .nii.gz), a nibabel image, or a pair (array, affine). A functional may
    have several volumes; the anatomical has one. mirror_test also searches the left-right mirrored
    functional, to tell a flip the header misses. Further settings by keyword: see DEFAULT_SETTINGS.

    Raises InputError (a ValueError) with the command line's message when an image is refused, TypeError
    for an argument of another kind, ValueError for a setting out of its range.
    """
    settings["mirror_test"] = mirror_test
    anatomy = _check_image(anatomical, "anatomical")
    run = _check_image(functional, "functional")
    return CheckResult(_posalign.check(anatomy, run, settings))


def check_runs(anatomical, functionals, *, mirror_test=True, **settings):
    """Checks each functional run against the anatomical, read once; returns a list of CheckResult.

    Like `Zentrovis check --vmr A --fmr F1 --fmr F2 ...`: one run's samples are held at a time, and the
    results share the anatomical. Arguments as for check().
    """
    settings["mirror_test"] = mirror_test
    anatomy = _check_image(anatomical, "anatomical")
    return [CheckResult(_posalign.check(anatomy, _check_image(functional, "functional"), dict(settings)))
            for functional in functionals]


def report(results, path, *, overwrite=False):
    """Writes the HTML report of the results (a CheckResult or a sequence of them) to path; returns path.

    The page is the one `Zentrovis check` writes: the verdict table, each run's numbers and pictures of
    it against the anatomy at the header and at the best position. An existing file is replaced only with
    overwrite=True.
    """
    if isinstance(results, CheckResult):
        results = [results]
    results = list(results)
    if not results:
        raise ValueError("report() needs at least one result")
    for result in results:
        if not isinstance(result, CheckResult):
            raise TypeError(f"report() takes CheckResult objects, not {type(result).__name__}")
    try:
        _posalign.write_report([result._native for result in results], os.fspath(path), overwrite)
    except InputError:
        raise
    except ValueError as problem:
        raise OSError(str(problem)) from None
    return path


class CheckResult:
    """One functional run's check: the fields of its entry in alignment.json, as attributes.

    verdict ("pass", "warn" or "fail"), reasons, functional, anatomical, header (the comparison of the
    headers in world terms) and search (the search of nearby rigid positions), whose fields are attributes
    too; lists of numbers are numpy arrays. The most used ones are also at the top: displacement_mm,
    correction (4x4, world mm: correction @ functional affine is the best-aligned affine), translation_mm,
    rotation_deg, lr_flip_suspected. best_aligned_affine is the functional's voxel-to-world affine at the
    best position. as_dict() gives the entry itself.
    """

    _SHORTCUTS = ("displacement_mm", "correction", "translation_mm", "rotation_deg", "lr_flip_suspected")

    def __init__(self, native):
        self._native = native
        document = json.loads(native.alignment_json())
        self._entry = dict(document["runs"][0])
        self._anatomical = document["anatomical"]

    @property
    def best_aligned_affine(self):
        """The functional's voxel-to-world affine at the best position (correction @ its affine)."""
        return self._native.best_aligned_affine()

    def as_dict(self):
        """The run's entry in alignment.json, with the anatomical's path added."""
        return json.loads(json.dumps(dict(self._entry, anatomical=self._anatomical)))

    def __getattr__(self, name):
        if name.startswith("_"):
            raise AttributeError(name)
        if name == "anatomical":
            return self._anatomical
        if name in self._entry:
            return _field_value(self._entry[name])
        if name in self._SHORTCUTS and name in self._entry.get("search", {}):
            return _field_value(self._entry["search"][name])
        raise AttributeError(f"CheckResult has no field {name!r}")

    def __dir__(self):
        return sorted(set(object.__dir__(self)) | set(self._entry) | {"anatomical"} | set(self._SHORTCUTS))

    def __repr__(self):
        search = self._entry.get("search", {})
        parts = [f"verdict={self._entry.get('verdict')!r}"]
        if self._entry.get("functional"):
            parts.append(f"functional={self._entry['functional']!r}")
        for name in ("displacement_mm", "lr_flip_suspected"):
            if name in search:
                parts.append(f"{name}={_short(search[name])}")
        if "translation_mm" in search:
            parts.append("translation_mm=" + _short(search["translation_mm"]))
        if "rotation_deg" in search:
            parts.append("rotation_deg=" + _short(search["rotation_deg"]))
        parts.append(f"reasons={self._entry.get('reasons', [])!r}")
        return "CheckResult(" + ",\n            ".join(parts) + ")"


class Fields:
    """A group of fields of a result (header, search, ...), as attributes."""

    def __init__(self, values):
        self._values = values

    def __getattr__(self, name):
        if name.startswith("_"):
            raise AttributeError(name)
        try:
            return _field_value(self._values[name])
        except KeyError:
            raise AttributeError(f"no field {name!r}; the fields are {', '.join(self._values)}") from None

    def __dir__(self):
        return sorted(set(object.__dir__(self)) | set(self._values))

    def __repr__(self):
        return "Fields(" + ", ".join(f"{name}={_short(value)}" for name, value in self._values.items()) + ")"


def _field_value(value):
    if isinstance(value, dict):
        return Fields(value)
    if isinstance(value, list) and value and all(_is_number_or_rows(item) for item in value):
        return np.array([_nan_for_none(item) for item in value], dtype=float)
    return value


def _is_number_or_rows(value):
    if isinstance(value, list):
        return all(_is_number_or_rows(item) for item in value)
    return value is None or (isinstance(value, (int, float)) and not isinstance(value, bool))


def _nan_for_none(value):
    if isinstance(value, list):
        return [_nan_for_none(item) for item in value]
    return math.nan if value is None else value


def _short(value):
    if isinstance(value, float):
        return f"{value:.4g}"
    if isinstance(value, list):
        return "[" + ", ".join(_short(item) for item in value) + "]"
    if isinstance(value, dict):
        return "{...}"
    return repr(value)


def _check_image(value, role):
    if isinstance(value, (str, bytes, os.PathLike)):
        return _posalign.image_from_file(os.fsdecode(value), role)
    if isinstance(value, (tuple, list)):
        if len(value) != 2:
            raise TypeError(f"{role}: a pair (array, affine) is expected, not {len(value)} items")
        samples, affine = value
        return _posalign.image_from_array(_readable_samples(np.asarray(samples)), affine, role, f"{role} array",
                                          "", True)
    if isinstance(value, np.ndarray):
        raise TypeError(f"{role}: an array needs its voxel-to-world affine: pass (array, affine)")
    if hasattr(value, "dataobj") and hasattr(value, "affine") and hasattr(value, "header"):
        return _image_from_nibabel(value, role)
    raise TypeError(f"{role}: a path, a nibabel image or a pair (array, affine) is expected, "
                    f"not {type(value).__name__}")


def _readable_samples(samples):
    """The samples in this machine's byte order, x fastest."""
    if not samples.dtype.isnative:
        samples = samples.astype(samples.dtype.newbyteorder("="))
    return np.asfortranarray(samples)


def _image_from_nibabel(image, role):
    """A nibabel image as the file saving it would write: a NIfTI-1 image's own header (brought in line
    with its affine and shape as saving does) and samples before scaling; any other image as its scaled
    samples with its affine."""
    import nibabel as nib

    filename = image.get_filename() if hasattr(image, "get_filename") else None
    name = filename or f"{role} image"
    header = image.header
    is_nifti1 = isinstance(header, nib.Nifti1Header) and not isinstance(header, nib.Nifti2Header)
    if not is_nifti1:
        samples = np.asanyarray(image.dataobj)
        return _posalign.image_from_array(_readable_samples(samples), image.affine, role, name, filename or "",
                                          False)
    # The constructor copies the header and brings it in line with the affine and the shape.
    header = type(image)(image.dataobj, image.affine, header).header
    dataobj = image.dataobj
    if nib.is_proxy(dataobj) and hasattr(dataobj, "get_unscaled"):
        samples = np.asanyarray(dataobj.get_unscaled())
        slope, inter = dataobj.slope, dataobj.inter
    else:
        samples = np.asanyarray(dataobj)
        slope, inter = math.nan, math.nan
    try:
        header.set_data_dtype(samples.dtype)
    except Exception:
        raise InputError(f"{name}: has the unsupported sample type {samples.dtype} "
                         "(integers, float32 or float64 are read)") from None
    header["scl_slope"] = slope
    header["scl_inter"] = inter
    header["magic"] = b"n+1"
    header["vox_offset"] = _NIFTI1_DATA_OFFSET
    if header.endianness != nib.volumeutils.native_code:
        header = header.as_byteswapped(nib.volumeutils.native_code)
    samples = _readable_samples(samples).reshape(-1, order="F")
    return _posalign.image_from_nifti_bytes(header.binaryblock, samples, role, name, filename or "")
