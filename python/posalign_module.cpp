// posalign._posalign, the native part of the Python module: images from files, NIfTI-1 bytes or arrays,
// the alignment check, and the report. The interpreter's lock is released while images are read, runs are
// checked and pictures drawn, so Python threads check runs in parallel. posalign/__init__.py is the face
// users see.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "python/checked_run.h"

namespace py = pybind11;

namespace {

// A setting of the check that Python may set by keyword: a number in [low, high] or a flag.
struct SettingField {
    const char* name;
    double CheckSettings::*real;
    int CheckSettings::*whole;
    bool CheckSettings::*flag;
    double low, high;
};

const SettingField kSettingFields[] = {
    {"mirror_test", nullptr, nullptr, &CheckSettings::mirrorTest, 0, 1},
    {"max_translation_mm", &CheckSettings::maxTranslationMm, nullptr, nullptr, 0, 200},
    {"max_rotation_deg", &CheckSettings::maxRotationDeg, nullptr, nullptr, 0, 90},
    {"block_mm", &CheckSettings::blockMm, nullptr, nullptr, 2, 100},
    {"erosion_mm", &CheckSettings::erosionMm, nullptr, nullptr, 0, 50},
    {"pass_mm", &CheckSettings::passMm, nullptr, nullptr, 0, 1000},
    {"warn_mm", &CheckSettings::warnMm, nullptr, nullptr, 0, 1000},
    {"min_inside_pct", &CheckSettings::minInsidePct, nullptr, nullptr, 0, 100},
    {"orientation_threshold", &CheckSettings::orientationThreshold, nullptr, nullptr, 0, 1},
};

std::string shortNumber(double value) {
    char text[32];
    snprintf(text, sizeof text, "%g", value);
    return text;
}

const SettingField& settingField(const std::string& name) {
    for (const SettingField& field : kSettingFields) {
        if (name == field.name) {
            return field;
        }
    }
    throw py::type_error("check() got an unexpected keyword argument '" + name + "'");
}

py::dict defaultSettings() {
    const CheckSettings defaults;
    py::dict settings;
    for (const SettingField& field : kSettingFields) {
        settings[field.name] = field.flag    ? py::cast(defaults.*field.flag)
                               : field.whole ? py::cast(defaults.*field.whole)
                                             : py::cast(defaults.*field.real);
    }
    return settings;
}

CheckSettings settingsFrom(const py::dict& given) {
    CheckSettings settings;
    for (const auto& item : given) {
        const std::string name = py::cast<std::string>(item.first);
        const SettingField& field = settingField(name);
        const bool isNumber =
            py::isinstance<py::int_>(item.second) || py::isinstance<py::float_>(item.second);
        if (field.flag) {
            if (!py::isinstance<py::bool_>(item.second)) {
                throw py::type_error(name + " must be True or False");
            }
            settings.*field.flag = py::cast<bool>(item.second);
            continue;
        }
        if (!isNumber || py::isinstance<py::bool_>(item.second)) {
            throw py::type_error(name + " must be a number, not " +
                                 std::string(py::str(item.second.get_type().attr("__name__"))));
        }
        const double value = py::cast<double>(item.second);
        if (!(value >= field.low && value <= field.high) || (field.whole && value != std::floor(value))) {
            throw py::value_error(name + " must be a" + (field.whole ? " whole" : "") + " number from " +
                                  shortNumber(field.low) + " to " + shortNumber(field.high) + ", not " +
                                  std::string(py::str(item.second)));
        }
        if (field.whole) {
            settings.*field.whole = static_cast<int>(value);
        } else {
            settings.*field.real = value;
        }
    }
    if (settings.passMm > settings.warnMm) {
        throw py::value_error("pass_mm must not exceed warn_mm");
    }
    return settings;
}

ImageRole roleNamed(const std::string& role) {
    if (role == "anatomical") {
        return ImageRole::kAnatomical;
    }
    if (role == "functional") {
        return ImageRole::kFunctional;
    }
    throw py::value_error("role must be 'anatomical' or 'functional', not '" + role + "'");
}

// The sample type of a numpy dtype; throws InputRefused for one a NIfTI-1 file cannot hold.
ArraySampleType sampleType(const py::dtype& dtype, const std::string& name) {
    const char kind = dtype.kind();
    const py::ssize_t size = dtype.itemsize();
    struct Known {
        char kind;
        py::ssize_t size;
        ArraySampleType type;
    };
    const Known known[] = {{'u', 1, ArraySampleType::kUint8},   {'i', 1, ArraySampleType::kInt8},
                           {'i', 2, ArraySampleType::kInt16},   {'u', 2, ArraySampleType::kUint16},
                           {'i', 4, ArraySampleType::kInt32},   {'u', 4, ArraySampleType::kUint32},
                           {'i', 8, ArraySampleType::kInt64},   {'u', 8, ArraySampleType::kUint64},
                           {'f', 4, ArraySampleType::kFloat32}, {'f', 8, ArraySampleType::kFloat64}};
    for (const Known& k : known) {
        if (k.kind == kind && k.size == size) {
            return k.type;
        }
    }
    throw InputRefused(name + ": has the unsupported sample type " +
                       std::string(py::str(dtype.attr("name"))) + " (integers, float32 or float64 are read)");
}

// The samples of an array as the reader takes them: x fastest, in this machine's byte order.
void requireReadableLayout(const py::array& samples) {
    if (!(samples.flags() & py::array::f_style)) {
        throw py::value_error("the samples must be Fortran-ordered (x fastest): pass numpy.asfortranarray()");
    }
    if (!py::cast<bool>(samples.dtype().attr("isnative"))) {
        throw py::value_error("the samples must be in this machine's byte order");
    }
}

CheckImage imageFromFile(const std::string& path, const std::string& role) {
    const ImageRole imageRole = roleNamed(role);
    py::gil_scoped_release unlocked;
    return readCheckImage(path, imageRole);
}

CheckImage imageFromNiftiBytes(const py::bytes& header, const py::array& data, const std::string& role,
                               const std::string& name, const std::string& path) {
    const ImageRole imageRole = roleNamed(role);
    const std::string headerBytes = header;
    if (headerBytes.size() != static_cast<size_t>(kNiftiHeaderBytes)) {
        throw py::value_error("a NIfTI-1 header has " + std::to_string(kNiftiHeaderBytes) + " bytes, not " +
                              std::to_string(headerBytes.size()));
    }
    requireReadableLayout(data);
    const void* samples = data.data();
    const size_t bytes = static_cast<size_t>(data.nbytes());
    py::gil_scoped_release unlocked;
    return checkImageFromNiftiBytes(headerBytes.data(), samples, bytes, imageRole, name, path);
}

CheckImage imageFromArray(const py::array& samples, const py::object& affine, const std::string& role,
                          const std::string& name, const std::string& path, bool refuseNonFinite) {
    const ImageRole imageRole = roleNamed(role);
    SampleArray array;
    array.type = sampleType(samples.dtype(), name);
    requireReadableLayout(samples);
    for (py::ssize_t axis = 0; axis < samples.ndim(); ++axis) {
        array.shape.push_back(static_cast<int64_t>(samples.shape(axis)));
    }
    array.samples = samples.data();
    const auto matrix = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(affine);
    if (!matrix || matrix.ndim() != 2 || matrix.shape(0) != 4 || matrix.shape(1) != 4) {
        throw InputRefused(name + ": its affine must be a 4x4 matrix of numbers, not " +
                           py::repr(affine).cast<std::string>());
    }
    for (int i = 0; i < 16; ++i) {
        array.voxelToWorld[i] = matrix.data()[i];
    }
    const double* last = &array.voxelToWorld[12];
    if (!(last[0] == 0 && last[1] == 0 && last[2] == 0 && last[3] == 1)) {
        throw InputRefused(name + ": its affine's last row must be 0 0 0 1");
    }
    py::gil_scoped_release unlocked;
    return checkImageFromArray(array, imageRole, name, path, refuseNonFinite);
}

CheckedRun check(const CheckImage& anatomical, const CheckImage& functional, const py::dict& settings) {
    const CheckSettings chosen = settingsFrom(settings);
    py::gil_scoped_release unlocked;
    return checkRun(anatomical, functional, chosen);
}

void writeReport(const std::vector<const CheckedRun*>& runs, const std::string& path, bool overwrite) {
    std::string problem;
    {
        py::gil_scoped_release unlocked;
        problem = writeWholeFile(path, reportHtmlOf(runs), overwrite);
    }
    if (!problem.empty()) {
        throw py::value_error(problem); // replaced by OSError in posalign.report
    }
}

} // namespace

PYBIND11_MODULE(_posalign, m) {
    m.doc() = "Native part of posalign: images, the alignment check and its report.";
    py::register_exception<InputRefused>(m, "InputError", PyExc_ValueError);

    py::class_<CheckImage>(m, "Image", "An image read for the check.")
        .def_property_readonly("path", [](const CheckImage& image) { return image.path; })
        .def_property_readonly("shape", [](const CheckImage& image) {
            return py::make_tuple(image.image->nx, image.image->ny, image.image->nz, image.image->nt);
        });
    py::class_<CheckedRun>(m, "CheckedRun", "One run's check with the images it was made from.")
        .def("alignment_json", &alignmentJsonOf,
             "alignment.json as `Zentrovis check` writes it for this run alone.")
        .def(
            "best_aligned_affine",
            [](const CheckedRun& run) {
                const Matrix4d best = bestAlignedAffineOf(run);
                py::array_t<double> affine({4, 4});
                for (int i = 0; i < 4; ++i) {
                    for (int j = 0; j < 4; ++j) {
                        affine.mutable_at(i, j) = best[i][j];
                    }
                }
                return affine;
            },
            "The functional's voxel-to-world affine at the best position: correction @ its affine.");

    m.def("image_from_file", &imageFromFile, py::arg("path"), py::arg("role"));
    m.def("image_from_nifti_bytes", &imageFromNiftiBytes, py::arg("header"), py::arg("data"), py::arg("role"),
          py::arg("name"), py::arg("path"));
    m.def("image_from_array", &imageFromArray, py::arg("samples"), py::arg("affine"), py::arg("role"),
          py::arg("name"), py::arg("path"), py::arg("refuse_non_finite"));
    m.def("check", &check, py::arg("anatomical"), py::arg("functional"), py::arg("settings"));
    m.def("write_report", &writeReport, py::arg("runs"), py::arg("path"), py::arg("overwrite"));
    m.def("default_settings", &defaultSettings);
}
