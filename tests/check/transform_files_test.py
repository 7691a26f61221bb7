"""The transform files of `Zentrovis check` read back by independent code (nibabel and numpy): the ITK
transform, the FSL matrix and the corrected copy put the functional's voxels where the correction in the
same run's alignment.json puts them; the copy differs from its source only in the placement fields;
--xfm judges the check's own files (and a known offset from them) by the residual they should have.

Usage: /usr/bin/python3 transform_files_test.py PATH/TO/Zentrovis PROJECT_VERSION
"""
import gzip
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import nibabel as nib
import numpy as np
from nibabel.nifti1 import header_dtype

ZENTROVIS = None
PROJECT_VERSION = None
TOLERANCE_MM = 0.01
# The header fields that say where the image lies; every other field must be copied as it is.
PLACEMENT_FIELDS = {"qform_code", "sform_code", "quatern_b", "quatern_c", "quatern_d", "qoffset_x",
                    "qoffset_y", "qoffset_z", "srow_x", "srow_y", "srow_z"}
LPS = np.diag([-1.0, -1.0, 1.0, 1.0])


def rigid(shift, degrees_z, degrees_x=0.0):
    """A rotation about z then x (degrees), then a shift (mm)."""
    z, x = np.radians(degrees_z), np.radians(degrees_x)
    rz = np.array([[np.cos(z), -np.sin(z), 0], [np.sin(z), np.cos(z), 0], [0, 0, 1]])
    rx = np.array([[1, 0, 0], [0, np.cos(x), -np.sin(x)], [0, np.sin(x), np.cos(x)]])
    m = np.eye(4)
    m[:3, :3] = rx @ rz
    m[:3, 3] = shift
    return m


def head(points, contrast):
    """A head phantom at world points (N x 3, RAS mm): scalp, skull, brain, white matter, ventricles and a
    few off-centre blobs, so that its halves and its front and back differ."""
    p = points - np.array([0.0, 0.0, 10.0])

    def inside(radii, centre=(0.0, 0.0, 0.0)):
        return np.sum(((p - np.array(centre)) / np.array(radii)) ** 2, axis=1) <= 1.0

    t1 = {"scalp": 70, "skull": 10, "grey": 60, "white": 100, "csf": 15, "blob": 85}
    epi = {"scalp": 30, "skull": 5, "grey": 80, "white": 55, "csf": 120, "blob": 40}
    value = t1 if contrast == "t1" else epi
    out = np.zeros(len(p))
    out[inside((72, 88, 78))] = value["scalp"]
    out[inside((66, 82, 72))] = value["skull"]
    out[inside((62, 78, 68))] = value["grey"]
    out[inside((50, 64, 52), (0, -4, 4))] = value["white"]
    out[inside((8, 24, 12), (-9, 4, 6)) | inside((8, 24, 12), (9, 4, 6))] = value["csf"]
    out[inside((14, 10, 10), (-30, 36, 12))] = value["blob"]
    out[inside((10, 16, 9), (28, -40, -18))] = value["csf"]
    out[inside((12, 12, 20), (6, 50, -30))] = value["blob"]
    return out


def grid_points(shape, affine):
    ijk = np.stack(np.meshgrid(*[np.arange(n) for n in shape], indexing="ij"), axis=-1).reshape(-1, 3)
    return (affine[:3, :3] @ ijk.T).T + affine[:3, 3]


def write_pair(folder):
    """The anatomical, and two copies of an oblique 4-D int16 functional written 5 mm and 4 deg away from
    where its data lie: gzipped in the machine's byte order, and plain big-endian."""
    anat_affine = np.diag([2.5, 2.5, 2.5, 1.0])
    anat_affine[:3, 3] = [-80.0, -100.0, -75.0]
    anat_shape = (64, 80, 64)
    anat = head(grid_points(anat_shape, anat_affine), "t1").reshape(anat_shape).astype(np.float32)
    nib.save(nib.Nifti1Image(anat, anat_affine), os.path.join(folder, "anat.nii.gz"))

    true_affine = rigid([2.0, -3.0, 12.0], 0.0, 8.0) @ np.diag([3.5, 3.5, 4.0, 1.0])
    shape = (44, 52, 34)
    true_affine[:3, 3] -= true_affine[:3, :3] @ (np.array(shape) / 2.0)
    true_affine[:3, 3] += [2.0, -3.0, 12.0]
    mean = head(grid_points(shape, true_affine), "epi").reshape(shape)
    rng = np.random.default_rng(7)
    volumes = np.stack([mean + rng.normal(0, 2.0, shape) for _ in range(3)], axis=-1)
    header_affine = rigid([4.0, -3.0, 0.0], 4.0) @ true_affine

    for name, endian in (("func_bold.nii.gz", "<"), ("func_be.nii", ">")):
        hdr = nib.Nifti1Header(endianness=endian)
        img = nib.Nifti1Image(np.round(volumes).astype(np.int16), header_affine, header=hdr)
        img.header.set_qform(header_affine, code=1)
        img.header.set_sform(header_affine, code=1)
        img.header["descrip"] = b"transform test run"
        img.header["aux_file"] = b"aux"
        img.header["intent_name"] = b"intent"
        img.header["slice_code"] = 1
        img.header["slice_duration"] = 0.05
        img.header["toffset"] = 1.5
        img.header["cal_max"] = 300.0
        img.header["dim_info"] = 57
        img.header.set_xyzt_units("mm", "sec")
        img.header.extensions.append(nib.nifti1.Nifti1Extension(6, b"an extension that must survive\0\0"))
        nib.save(img, os.path.join(folder, name))


def run(*args):
    return subprocess.run([ZENTROVIS, "check", *args], capture_output=True, text=True)


def raw_bytes(path):
    with open(path, "rb") as f:
        data = f.read()
    return gzip.decompress(data) if path.endswith(".gz") else data


def parse_itk(path):
    """The ITK text transform as a 4x4 matrix in LPS: y = M (x - c) + c + t."""
    with open(path) as f:
        lines = f.read().splitlines()
    assert lines[0] == "#Insight Transform File V1.0", lines[0]
    fields = dict(line.split(":", 1) for line in lines if ":" in line and not line.startswith("#"))
    assert fields["Transform"].strip() in ("AffineTransform_double_3_3",
                                           "MatrixOffsetTransformBase_double_3_3"), fields["Transform"]
    params = np.array(fields["Parameters"].split(), dtype=float)
    centre = np.array(fields["FixedParameters"].split(), dtype=float)
    m = np.eye(4)
    m[:3, :3] = params[:9].reshape(3, 3)
    m[:3, 3] = params[9:] + centre - m[:3, :3] @ centre
    return m


def write_itk(path, matrix, centre):
    """matrix (LPS) written with a centre of rotation, as registration tools often do."""
    offset = matrix[:3, 3]
    translation = offset - centre + matrix[:3, :3] @ centre
    params = list(matrix[:3, :3].ravel()) + list(translation)
    with open(path, "w") as f:
        f.write("#Insight Transform File V1.0\n#Transform 0\nTransform: MatrixOffsetTransformBase_double_3_3\n")
        f.write("Parameters: " + " ".join(repr(float(v)) for v in params) + "\n")
        f.write("FixedParameters: " + " ".join(repr(float(v)) for v in centre) + "\n")


def write_ants_mat(path, matrix):
    """matrix (LPS) as the binary MATLAB level-4 file antsRegistration writes (centre 0)."""
    params = np.concatenate([matrix[:3, :3].ravel(), matrix[:3, 3]])
    with open(path, "wb") as f:
        for name, values in ((b"AffineTransform_double_3_3", params), (b"fixed", np.zeros(3))):
            f.write(np.array([0, len(values), 1, 0, len(name) + 1], dtype="<i4").tobytes())
            f.write(name + b"\0" + values.astype("<f8").tobytes())


def fsl_scaled(img):
    """FSL's voxel -> scaled-voxel matrix: pixdim scaling, x reversed when the affine keeps handedness."""
    zooms = np.array(img.header.get_zooms()[:3], dtype=float)
    m = np.diag(list(zooms) + [1.0])
    if np.linalg.det(img.affine[:3, :3]) > 0:
        m[0, 0] = -zooms[0]
        m[0, 3] = (img.shape[0] - 1) * zooms[0]
    return m


def sample_voxels(shape, count=300):
    rng = np.random.default_rng(3)
    corners = np.array([[i, j, k] for i in (0, shape[0] - 1) for j in (0, shape[1] - 1)
                        for k in (0, shape[2] - 1)], dtype=float)
    inner = rng.uniform(0, 1, (count, 3)) * (np.array(shape[:3]) - 1)
    return np.vstack([corners, inner])


def apply(matrix, points):
    return (matrix[:3, :3] @ points.T).T + matrix[:3, 3]


class Version(unittest.TestCase):
    def test_both_commands_print_the_projects_version(self):
        for args, name in (([], "Zentrovis"), (["check"], "Zentrovis check")):
            r = subprocess.run([ZENTROVIS, *args, "--version"], capture_output=True, text=True)
            self.assertEqual((r.returncode, r.stdout), (0, name + " " + PROJECT_VERSION + "\n"), r.stderr)


class TransformFiles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="transform-files-")
        write_pair(cls.folder)
        cls.anat = os.path.join(cls.folder, "anat.nii.gz")
        cls.funcs = [os.path.join(cls.folder, n) for n in ("func_bold.nii.gz", "func_be.nii")]
        cls.out = os.path.join(cls.folder, "out")
        r = run("--vmr", cls.anat, "--fmr", cls.funcs[0], "--fmr", cls.funcs[1], "--write-corrected",
                "--out", cls.out)
        if r.returncode not in (0, 4, 5):
            raise AssertionError(r.stdout + r.stderr)
        with open(os.path.join(cls.out, "alignment.json")) as f:
            cls.runs = json.load(f)["runs"]

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder)

    def names(self, stem):
        base = os.path.join(self.out, stem + "_from-boldref_to-T1w_mode-image_xfm")
        return base + ".txt", base + ".mat", base + ".json"

    def cases(self):
        """Each run: its image, the correction alignment.json gives, and the output stem."""
        for path, stem, corrected in ((self.funcs[0], "func", "func_desc-corrected_bold.nii.gz"),
                                      (self.funcs[1], "func_be", "func_be_corrected.nii")):
            entry = next(r for r in self.runs if r["functional"] == path)
            yield nib.load(path), np.array(entry["search"]["correction"]), stem, \
                os.path.join(self.out, corrected)

    def test_the_check_moved_the_run(self):
        # Otherwise every comparison below would hold for an identity as well.
        for _, correction, _, _ in self.cases():
            self.assertGreater(np.abs(correction - np.eye(4)).max(), 0.02)

    def test_itk_maps_anatomical_points_to_where_the_functional_is_sampled(self):
        # antsApplyTransforms -i FUNC -r ANAT: a reference point x is filled from the moving image at T(x).
        for img, correction, stem, _ in self.cases():
            voxels = sample_voxels(img.shape)
            header_world = apply(img.affine, voxels)
            aligned_world = apply(correction @ img.affine, voxels)
            itk = parse_itk(self.names(stem)[0])
            sampled = apply(LPS @ itk @ LPS, aligned_world)
            self.assertLess(np.abs(sampled - header_world).max(), TOLERANCE_MM, stem)

    def test_fsl_matrix_maps_functional_scaled_voxels_into_the_anatomical(self):
        anat = nib.load(self.anat)
        for img, correction, stem, _ in self.cases():
            voxels = sample_voxels(img.shape)
            fsl = np.loadtxt(self.names(stem)[1])
            in_anat = apply(np.linalg.inv(fsl_scaled(anat)) @ fsl @ fsl_scaled(img), voxels)
            expected = apply(correction @ img.affine, voxels)
            self.assertLess(np.abs(apply(anat.affine, in_anat) - expected).max(), TOLERANCE_MM, stem)

    def test_sidecar_names_the_files_and_their_directions(self):
        for img, correction, stem, corrected in self.cases():
            with open(self.names(stem)[2]) as f:
                sidecar = json.load(f)
            self.assertEqual(sidecar["Reference"], self.anat)
            itk, fsl, _ = (os.path.basename(n) for n in self.names(stem))
            self.assertIn("reference (anatomical) to points of the source", sidecar["Files"][itk]["Direction"])
            self.assertIn("source (functional, -in)", sidecar["Files"][fsl]["Direction"])
            self.assertIn(os.path.basename(corrected), sidecar["Files"])
            np.testing.assert_allclose(sidecar["CorrectionWorldRAS"], correction, atol=1e-9)

    def test_corrected_copy_lies_where_the_correction_puts_it(self):
        for img, correction, stem, corrected in self.cases():
            copy = nib.load(corrected)
            voxels = sample_voxels(img.shape)
            expected = apply(correction @ img.affine, voxels)
            for name, affine in (("sform", copy.header.get_sform()), ("qform", copy.header.get_qform())):
                self.assertLess(np.abs(apply(affine, voxels) - expected).max(), TOLERANCE_MM, stem + name)
            self.assertEqual(int(copy.header["sform_code"]), int(img.header["sform_code"]))
            self.assertEqual(int(copy.header["qform_code"]), int(img.header["qform_code"]))

    def test_corrected_copy_differs_only_in_the_placement_fields(self):
        for img, _, stem, corrected in self.cases():
            source, copy = raw_bytes(img.get_filename()), raw_bytes(corrected)
            self.assertEqual(source[348:], copy[348:], stem + ": extensions and data")
            dtype = header_dtype.newbyteorder(img.header.endianness)
            a = np.frombuffer(source[:348], dtype=dtype)[0]
            b = np.frombuffer(copy[:348], dtype=dtype)[0]
            for field in header_dtype.names:
                if field not in PLACEMENT_FIELDS:
                    self.assertEqual(a[field].tobytes(), b[field].tobytes(), stem + ": " + field)
            self.assertNotEqual(a["srow_x"].tobytes() + a["srow_y"].tobytes(),
                                b["srow_x"].tobytes() + b["srow_y"].tobytes())

    def test_xfm_of_the_checks_own_files_has_no_residual(self):
        img, correction, stem, _ = next(self.cases())
        itk, fsl, _ = self.names(stem)
        # A known offset from the check's correction: 3 mm along y, written with a centre of rotation.
        shifted = rigid([0.0, 3.0, 0.0], 0.0) @ correction
        offset_itk = os.path.join(self.folder, "offset.txt")
        write_itk(offset_itk, LPS @ np.linalg.inv(shifted) @ LPS, np.array([10.0, -20.0, 30.0]))
        ants_mat = os.path.join(self.folder, "own0GenericAffine.mat")
        write_ants_mat(ants_mat, parse_itk(itk))
        for given, residual, verdict in ((itk, 0.0, "pass"), (fsl, 0.0, "pass"), (ants_mat, 0.0, "pass"),
                                         (offset_itk, 3.0, "warn")):
            out = os.path.join(self.folder, "xfm-" + os.path.basename(given))
            r = run("--vmr", self.anat, "--fmr", self.funcs[0], "--xfm", given, "--out", out)
            self.assertEqual(r.returncode, {"pass": 0, "warn": 4}[verdict], r.stdout + r.stderr)
            with open(os.path.join(out, "alignment.json")) as f:
                judged = json.load(f)["runs"][0]
            self.assertLess(np.abs(np.array(judged["search"]["correction"]) - correction).max(), 1e-9,
                            "the same run gives the same correction")
            g = judged["given_transform"]
            self.assertEqual((g["path"], g["verdict"], g["judged"]), (given, verdict, True))
            self.assertEqual(g["format"], "fsl" if given == fsl else "itk")
            with open(os.path.join(out, "report.html")) as f:
                self.assertIn("Given registration " + given, f.read())
            self.assertLess(abs(g["residual_mm"] - residual), 0.1 if residual == 0 else TOLERANCE_MM, given)

    def test_dataset_form_writes_them_for_each_run_and_records_them(self):
        bids = os.path.join(self.folder, "bids")
        os.makedirs(os.path.join(bids, "sub-01", "anat"))
        os.makedirs(os.path.join(bids, "sub-01", "func"))
        shutil.copy(self.anat, os.path.join(bids, "sub-01", "anat", "sub-01_T1w.nii.gz"))
        source = os.path.join(bids, "sub-01", "func", "sub-01_task-rest_bold.nii.gz")
        shutil.copy(self.funcs[0], source)
        out = os.path.join(self.folder, "derivatives")
        r = subprocess.run([ZENTROVIS, "check", bids, out, "participant", "--write-corrected"],
                           capture_output=True, text=True)
        self.assertIn(r.returncode, (0, 4, 5), r.stdout + r.stderr)
        img, correction, _, _ = next(self.cases())  # the same data, checked alone above
        folder = os.path.join(out, "sub-01")
        base = "sub-01_task-rest_from-boldref_to-T1w_mode-image_xfm"
        corrected = "sub-01_task-rest_desc-corrected_bold.nii.gz"
        voxels = sample_voxels(img.shape)
        itk = parse_itk(os.path.join(folder, base + ".txt"))
        sampled = apply(LPS @ itk @ LPS, apply(correction @ img.affine, voxels))
        self.assertLess(np.abs(sampled - apply(img.affine, voxels)).max(), TOLERANCE_MM)
        copy = nib.load(os.path.join(folder, corrected))
        self.assertLess(np.abs(apply(copy.affine, voxels) - apply(correction @ img.affine, voxels)).max(),
                        TOLERANCE_MM)
        self.assertEqual(raw_bytes(source)[348:], raw_bytes(os.path.join(folder, corrected))[348:])
        with open(os.path.join(folder, ".zentrovis-outputs")) as f:
            recorded = set(f.read().split())
        self.assertLessEqual({base + ".txt", base + ".mat", base + ".json", corrected}, recorded)

    def test_unusable_transform_files_are_refused_before_anything_is_written(self):
        bad = os.path.join(self.folder, "bad")
        os.makedirs(bad, exist_ok=True)
        files = {
            "words.txt": "not a transform\n",
            "bspline.txt": "#Insight Transform File V1.0\n#Transform 0\nTransform: BSplineTransform_double_3_3\n"
                           "Parameters: 1 2 3\nFixedParameters: 0 0 0\n",
            "short.mat": "1 0 0 0\n0 1 0 0\n0 0 1 0\n",
            "singular.mat": "0 0 0 0\n0 0 0 0\n0 0 0 0\n0 0 0 1\n",
        }
        expected = {"words.txt": "is not a transform file", "bspline.txt": "BSplineTransform_double_3_3",
                    "short.mat": "is not a transform file", "singular.mat": "singular",
                    "missing.txt": "cannot be read"}
        for name, text in files.items():
            with open(os.path.join(bad, name), "w") as f:
                f.write(text)
        out = os.path.join(self.folder, "refused")
        for name, message in expected.items():
            path = os.path.join(bad, name)
            r = run("--vmr", self.anat, "--fmr", self.funcs[0], "--xfm", path, "--out", out)
            self.assertEqual(r.returncode, 2, name)
            self.assertTrue(r.stderr.startswith("Zentrovis check: " + path + ": "), r.stderr)
            self.assertIn(message, r.stderr)
        r = run("--vmr", self.anat, "--fmr", self.funcs[0], "--fmr", self.funcs[1], "--xfm",
                self.names("func")[0], "--out", out)
        self.assertEqual(r.returncode, 2)
        self.assertIn("--xfm is given 1 time for 2 --fmr runs", r.stderr)
        self.assertFalse(os.path.exists(out))


if __name__ == "__main__":
    ZENTROVIS = os.path.abspath(sys.argv.pop(1))
    PROJECT_VERSION = sys.argv.pop(1)
    unittest.main(verbosity=2)
