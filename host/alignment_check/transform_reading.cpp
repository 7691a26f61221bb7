// Parsing of ITK transform files (text and ANTs' binary MATLAB form) and FSL matrices.
#include "host/alignment_check/transform_reading.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "host/terminal/printable_text.h"

namespace {

const size_t kMaxTransformFileBytes = 1 << 20;
const char kItkMagic[] = "#Insight Transform File V1.0";
const char kNotATransform[] =
    "is not a transform file the check reads: an ITK transform (text beginning \"#Insight Transform File "
    "V1.0\", or the binary .mat of ANTs) or an FSL matrix (4 lines of 4 numbers)";

// One transform of an ITK file: its type and numbers as written.
struct ItkEntry {
    std::string type;
    std::vector<double> parameters, fixed;
    bool hasParameters = false, hasFixed = false;
};

bool isAffineType(const std::string& type) {
    for (const char* known :
         {"AffineTransform_double_3_3", "AffineTransform_float_3_3", "MatrixOffsetTransformBase_double_3_3",
          "MatrixOffsetTransformBase_float_3_3"}) {
        if (type == known) {
            return true;
        }
    }
    return false;
}

// A container or a transform that does nothing: passed over.
bool isIgnoredType(const std::string& type) {
    return type.rfind("CompositeTransform_", 0) == 0 || type.rfind("IdentityTransform_", 0) == 0;
}

// Whitespace-separated finite numbers; false when a token is not one.
bool parseNumbers(const std::string& text, std::vector<double>& numbers) {
    std::istringstream tokens(text);
    for (std::string token; tokens >> token;) {
        char* end = nullptr;
        errno = 0;
        const double value = strtod(token.c_str(), &end);
        if (end != token.c_str() + token.size() || !std::isfinite(value) || errno == ERANGE) {
            return false;
        }
        numbers.push_back(value);
    }
    return true;
}

// ITK's y = M (x - c) + c + t as one matrix.
Matrix4d itkMatrix(const std::vector<double>& parameters, const std::vector<double>& centre) {
    Matrix4d m = identityMatrix();
    for (int i = 0; i < 3; ++i) {
        double offset = parameters[9 + i] + centre[i];
        for (int j = 0; j < 3; ++j) {
            m[i][j] = parameters[3 * i + j];
            offset -= m[i][j] * centre[j];
        }
        m[i][3] = offset;
    }
    return m;
}

// The one affine among entries, or the reason there is none.
ReadTransform affineOf(const std::vector<ItkEntry>& entries) {
    ReadTransform read;
    const ItkEntry* affine = nullptr;
    int counted = 0;
    for (const ItkEntry& entry : entries) {
        if (isIgnoredType(entry.type)) {
            continue;
        }
        if (!isAffineType(entry.type)) {
            read.error = "holds a transform of type " + printableText(entry.type) +
                         ", which the check does not read (it reads one 3-D AffineTransform or "
                         "MatrixOffsetTransformBase, double or float)";
            return read;
        }
        affine = &entry;
        ++counted;
    }
    if (counted != 1) {
        read.error = counted == 0 ? "holds no affine transform"
                                  : "holds " + std::to_string(counted) +
                                        " affine transforms; the check reads a file with one";
        return read;
    }
    if (affine->parameters.size() != 12 || (affine->hasFixed && affine->fixed.size() != 3)) {
        read.error = "holds a " + affine->type + " whose Parameters are not 12 numbers and FixedParameters 3";
        return read;
    }
    read.matrix =
        itkMatrix(affine->parameters, affine->hasFixed ? affine->fixed : std::vector<double>(3, 0.0));
    return read;
}

ReadTransform parseItkText(const std::string& text) {
    std::vector<ItkEntry> entries;
    std::istringstream lines(text);
    ReadTransform read;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const size_t colon = line.find(':');
        if (line.empty() || line[0] == '#' || colon == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, colon);
        const std::string value = line.substr(colon + 1);
        if (key == "Transform") {
            std::istringstream name(value);
            entries.emplace_back();
            name >> entries.back().type;
        } else if ((key == "Parameters" || key == "FixedParameters") && !entries.empty()) {
            ItkEntry& entry = entries.back();
            const bool fixed = key == "FixedParameters";
            if (!parseNumbers(value, fixed ? entry.fixed : entry.parameters)) {
                read.error = "has a " + key + " line that is not a list of finite numbers";
                return read;
            }
            (fixed ? entry.hasFixed : entry.hasParameters) = true;
        }
    }
    return affineOf(entries);
}

// ANTs writes its transforms as MATLAB level-4 files: for each variable a header of five 32-bit integers
// (type, rows, columns, imaginary flag, name length), the name, then the values column by column.
bool parseMatlab4(const std::string& bytes, ReadTransform& read) {
    std::vector<ItkEntry> entries(1);
    size_t at = 0;
    bool any = false;
    while (at < bytes.size()) {
        int32_t header[5];
        if (bytes.size() - at < sizeof header) {
            return false;
        }
        memcpy(header, bytes.data() + at, sizeof header);
        at += sizeof header;
        const int32_t type = header[0], rows = header[1], columns = header[2], nameLength = header[4];
        const bool isDouble = type == 0, isFloat = type == 10;
        if ((!isDouble && !isFloat) || rows < 1 || rows > 64 || columns < 1 || columns > 64 ||
            header[3] != 0 || nameLength < 2 || nameLength > 64 ||
            bytes.size() - at < static_cast<size_t>(nameLength)) {
            return false;
        }
        const std::string name(bytes.data() + at, strnlen(bytes.data() + at, nameLength));
        at += nameLength;
        const size_t count = static_cast<size_t>(rows) * columns, size = isDouble ? 8 : 4;
        if (bytes.size() - at < count * size) {
            return false;
        }
        std::vector<double> values;
        for (size_t i = 0; i < count; ++i, at += size) {
            double value;
            if (isDouble) {
                memcpy(&value, bytes.data() + at, 8);
            } else {
                float single;
                memcpy(&single, bytes.data() + at, 4);
                value = single;
            }
            values.push_back(value);
        }
        for (double value : values) {
            if (!std::isfinite(value)) {
                read.error = "holds a number that is not finite";
                return true;
            }
        }
        any = true;
        if (name == "fixed") {
            entries[0].fixed = values;
            entries[0].hasFixed = true;
        } else {
            entries[0].type = name;
            entries[0].parameters = values;
        }
    }
    if (!any) {
        return false;
    }
    if (entries[0].type.empty()) {
        read.error = "is a MATLAB file without a transform";
        return true;
    }
    read = affineOf(entries);
    return true;
}

ReadTransform parseFslMatrix(const std::string& text) {
    ReadTransform read;
    read.format = TransformFormat::kFsl;
    std::vector<double> numbers;
    if (!parseNumbers(text, numbers) || numbers.size() != 16) {
        read.error = kNotATransform;
        return read;
    }
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            read.matrix[i][j] = numbers[4 * i + j];
        }
    }
    const auto& last = read.matrix[3];
    if (std::fabs(last[0]) > 1e-6 || std::fabs(last[1]) > 1e-6 || std::fabs(last[2]) > 1e-6 ||
        std::fabs(last[3] - 1.0) > 1e-6) {
        read.error = "is a 4 x 4 matrix whose last row is not 0 0 0 1, so not an affine FSL matrix";
    }
    read.matrix[3] = {0.0, 0.0, 0.0, 1.0};
    return read;
}

double determinant3(const Matrix4d& m) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

} // namespace

const char* transformFormatName(TransformFormat format) {
    return format == TransformFormat::kFsl ? "fsl" : "itk";
}

ReadTransform readTransformFile(const std::string& path) {
    ReadTransform read;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        read.error = std::string("cannot be read: ") + strerror(errno);
        return read;
    }
    std::string bytes(kMaxTransformFileBytes + 1, '\0');
    in.read(&bytes[0], static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    if (in.bad()) {
        read.error = "cannot be read";
        return read;
    }
    if (bytes.size() > kMaxTransformFileBytes) {
        read.error = "is too large for a transform file";
        return read;
    }
    if (bytes.rfind(kItkMagic, 0) == 0) {
        read = parseItkText(bytes);
    } else if (!parseMatlab4(bytes, read)) {
        read = bytes.find('\0') == std::string::npos ? parseFslMatrix(bytes) : ReadTransform{};
        if (bytes.find('\0') != std::string::npos) {
            read.error = kNotATransform;
        }
    }
    if (read.error.empty() && std::fabs(determinant3(read.matrix)) < 1e-12) {
        read.error = "holds a singular matrix";
    }
    return read;
}
