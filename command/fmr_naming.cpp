// Bounded composition of the saved FMR names.
#include "command/fmr_naming.h"

#include <string.h>

static size_t boundedLength(const NamePart& part) {
    size_t length = 0;
    while (length < part.bound && part.text[length] != '\0') {
        ++length;
    }
    return length;
}

static const size_t kUnbounded = (size_t)-1;

bool joinNameParts(char* destination, size_t capacity, const NamePart* parts, int partCount) {
    size_t total = 0;
    for (int i = 0; i < partCount; ++i) {
        size_t length = boundedLength(parts[i]);
        // Room for the NUL too; written so that neither the sum nor the comparison can wrap.
        if (capacity == 0 || length > capacity - 1 - total) {
            return false;
        }
        total += length;
    }
    size_t offset = 0;
    for (int i = 0; i < partCount; ++i) {
        size_t length = boundedLength(parts[i]);
        memcpy(destination + offset, parts[i].text, length);
        offset += length;
    }
    destination[offset] = '\0';
    return true;
}

// Fills names.fileName from the already composed names.stcPrefix.
static bool composeFileName(FmrSavedNames& names) {
    NamePart parts[] = {{names.stcPrefix, sizeof names.stcPrefix}, {".fmr", kUnbounded}};
    return joinNameParts(names.fileName, sizeof names.fileName, parts, 2);
}

bool composeVmrProjectionNames(const FmrHeader& header, FmrSavedNames& names) {
    NamePart parts[] = {{header.stcPrefix, sizeof header.stcPrefix}, {"_VMR", kUnbounded}};
    return joinNameParts(names.stcPrefix, sizeof names.stcPrefix, parts, 2) && composeFileName(names);
}

bool composeFmrProjectionNames(const FmrHeader& header, const FmrHeader& secondHeader, FmrSavedNames& names) {
    NamePart parts[] = {{header.stcPrefix, sizeof header.stcPrefix},
                        {"_from_", kUnbounded},
                        {secondHeader.stcPrefix, sizeof secondHeader.stcPrefix}};
    return joinNameParts(names.stcPrefix, sizeof names.stcPrefix, parts, 3) && composeFileName(names);
}

void applySavedNames(const FmrSavedNames& names, FmrHeader& header) {
    header.linkedFileName[0] = '\0';
    // Both names were composed, NUL included, within the capacities of these very fields; the bytes after
    // the NUL stay as the host left them.
    memcpy(header.stcPrefix, names.stcPrefix, strlen(names.stcPrefix) + 1);
    memcpy(header.fileName, names.fileName, strlen(names.fileName) + 1);
}
