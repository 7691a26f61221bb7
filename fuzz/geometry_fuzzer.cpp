// Fuzz target: the SVD inverse and the transformation builder on arbitrary float bit patterns (NaN,
// infinities, denormals, huge and tiny values), with the log text of every factor made and read to its end.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <initializer_list>

#include "geometry/matrix4.h"
#include "geometry/svd_inverse.h"
#include "geometry/transformation_builder.h"

namespace {

// A matrix's log text must fit its buffer, whatever the values.
void checkLogText(const Matrix4& matrix) {
    char* text = matrixLogText(matrix.m, "Matrix");
    if (text != nullptr && strlen(text) >= kMatrixLogTextCapacity) {
        abort();
    }
    free(text);
}

template <typename Record> void fillRecord(FuzzedDataProvider& fuzz, Record& record) {
    memset(&record, 0, sizeof record);
    fuzz.ConsumeData(&record, sizeof record);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider fuzz(data, size);

    Matrix4 source, inverted;
    fillRecord(fuzz, source);
    inverse(source, inverted);
    Matrix4 inPlace = source;
    inverse(inPlace, inPlace); // the destination may be the source
    if (memcmp(&inPlace, &inverted, sizeof inPlace) != 0) {
        abort();
    }
    checkLogText(inverted);

    FmrHeader fmr;
    ScannerPositionHeader position;
    VmrHeader vmr;
    Matrix4 flip;
    IaMatrix ia;
    fillRecord(fuzz, fmr);
    fillRecord(fuzz, position);
    fillRecord(fuzz, vmr);
    fillRecord(fuzz, flip);
    fillRecord(fuzz, ia);
    VmrToFmrFactors factors = buildVmrToFmrMatrix(fmr, position, vmr, flip, ia);
    for (const Matrix4* factor : {&factors.sliceFlip, &factors.fmrInverseScaling, &factors.vmrScaling,
                                  &factors.pastFlip, &factors.pastTransformation, &factors.result}) {
        checkLogText(*factor);
    }
    Matrix4 sliceFlip;
    buildSliceOrderFlip(position, sliceFlip);
    for (int k = 0; k < 16; ++k) {
        bool diagonal = k % 5 == 0;
        float expected = diagonal ? 1.0f : 0.0f;
        if (sliceFlip.m[k] != expected && !(diagonal && (k == 0 || k == 10) && sliceFlip.m[k] == -1.0f)) {
            abort(); // the flip is the identity with at most a mirrored x or z
        }
    }
    return 0;
}
