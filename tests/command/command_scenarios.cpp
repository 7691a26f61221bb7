// Expected call sequences of the command tests.
#include "command_scenarios.h"

#include <cstdio>

CallList workspaceCheckCalls(int documentCount) {
    CallList calls = {"zrShowLogTab()",
                      "log: \nposalignplugin> Started...",
                      "log: Check available projects...",
                      "zrGetNumberOfDocsInWorkspace()",
                      "zrGetDocumentType(0)",
                      "zrGetDocumentType(1)"};
    if (documentCount >= 3) {
        calls.push_back("zrGetDocumentType(2)");
    }
    return calls;
}

CallList fmrReadCalls(int document, int dataType) {
    std::string k = std::to_string(document);
    CallList calls = {"zrSetAsCurrentDocument(" + k + ")", "zrGetHeaderOfCurrentFMR(" + k + ")",
                      "zrGetScannerPositionHeaderOfCurrentFMR(" + k + ")"};
    if (dataType == 1) {
        calls.push_back("zrGetSTCIntDataOfCurrentFMR(" + k + ")");
    } else if (dataType == 2) {
        calls.push_back("zrGetSTCFloatDataOfCurrentFMR(" + k + ")");
    }
    return calls;
}

CallList vmrReadCalls() {
    return {"log: Get VMR header...",
            "zrSetAsCurrentDocument(0)",
            "zrGetMainHeaderOfCurrentVMR(0)",
            "zrGetCurrentVMR(0)",
            "zrGetScannerPositionHeaderOfCurrentVMR(0)",
            "zrGetPastTransformationsHeaderOfCurrentVMR(0)"};
}

CallList initialAlignmentCalls(int document) {
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::string title = document == 1 ? "Initial FMR1 to VMR mapping" : "Initial FMR2 to VMR mapping";
    return {"zrCalculateIAMatrix(fmr " + std::to_string(document) + ")",
            "log: " + matrixText(title, identity)};
}

std::string promptCall() {
    return "zrGetIntegerInput(Please select a mapping:\n1. FMR -> VMR\n2. VMR -> FMR\n3. FMR -> FMR, 1, 1, "
           "3)";
}

CallList runEndCalls() {
    return {"zrUpdateActiveWindow()", "log: Finished.\n"};
}

std::string matrixText(const std::string& title, const float values[16]) {
    std::string text = title + ": \n";
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            char number[64];
            std::snprintf(number, sizeof number, "\t%f", static_cast<double>(values[4 * row + column]));
            text += number;
        }
        text += "\n";
    }
    return text;
}

// The builder's four factors of an all-zero record, then the projection's final matrix.
static CallList zeroFactorLogs(const std::string& finalTitle) {
    const float zeros[16] = {};
    return {"log: " + matrixText("Flipping matrix, based on slice acquisition order", zeros),
            "log: " + matrixText("FMR inverse scaling matrix", zeros),
            "log: " + matrixText("VMR scaling matrix", zeros),
            "log: " + matrixText("Final VMR 2 FMR matrix", zeros), "log: " + matrixText(finalTitle, zeros)};
}

CallList withProjectionLogs(const CallList& calls) {
    CallList expanded;
    for (const std::string& call : calls) {
        expanded.push_back(call);
        if (call.rfind("projectFmrToVmr(", 0) == 0) {
            append(expanded, zeroFactorLogs("Final FMR to VMR mapping"));
            append(expanded,
                   {"log: SSD of FMR-VMR (only overlapping part): 0.000000",
                    "log: Calculate NCC via dotproduct...",
                    "log: NCC of FMR-VMR (only overlapping part): 0.000000", "zrUpdateActiveWindow()"});
        } else if (call.rfind("projectVmrToFmr(", 0) == 0) {
            append(expanded, zeroFactorLogs("Final VMR to FMR mapping"));
        } else if (call.rfind("projectTwoFmrsToVmr(", 0) == 0) {
            append(expanded, zeroFactorLogs("Final FMR 1 to VMR mapping"));
            append(expanded, zeroFactorLogs("Final FMR 2 to VMR mapping"));
            append(expanded,
                   {"log: Negative NCC of FMR-FMR (only overlapping part): 0.000000",
                    "log: NCC of FMR-FMR (only overlapping part) via dot product: 0.000000",
                    "log: SSD of FMR-FMR (only overlapping part): 0.000000", "zrUpdateActiveWindow()"});
        }
    }
    return expanded;
}
