// The host's exported functions, in the order of the plug-in's host function table.
//
// ZR_HOST_FUNCTIONS(UNCALLED, CALLED) expands UNCALLED(name) for the 170 entries the plug-in resolves but
// never calls, and CALLED(name, ResultType, (parameters)) for the 20 it calls. The plug-in's table, its
// binding, the tests and the stand-in host all expand this one list, so the names and types exist once.
#ifndef POSALIGN_HOST_API_HOST_FUNCTION_LIST_H
#define POSALIGN_HOST_API_HOST_FUNCTION_LIST_H

#include <stdint.h>

#include "host_api/host_records.h"

// clang-format off
#define ZR_HOST_FUNCTIONS(UNCALLED, CALLED) \
    CALLED(zrGetVersionOfZentrovisZR, bool, (int* first, int* second, int* third)) \
    UNCALLED(zrGetZentrovisZRPath) \
    UNCALLED(zrGetPluginsPath) \
    UNCALLED(zrShowLogPane) \
    CALLED(zrShowLogTab, bool, (void)) \
    CALLED(zrLogText, bool, (const char* text)) \
    CALLED(zrMessageBox, bool, (const char* text)) \
    UNCALLED(zrYesNoMessageBox) \
    CALLED(zrGetIntegerInput, int, (const char* prompt, int defaultValue, int lowest, int highest)) \
    UNCALLED(zrGetFloatInput) \
    UNCALLED(zrGetTextInput) \
    UNCALLED(zrGetOpenFileName) \
    UNCALLED(zrGetSaveFileName) \
    UNCALLED(zrCloseAllPlots) \
    UNCALLED(zrPlotPoints) \
    UNCALLED(zrAddPointsToPlot) \
    UNCALLED(zrPlotLine) \
    UNCALLED(zrAddLineToPlot) \
    UNCALLED(zrPlotBars) \
    UNCALLED(zrAddBarsToPlot) \
    UNCALLED(zrShowPlotAtPosition) \
    UNCALLED(zrResizePlot) \
    UNCALLED(zrSetBarPlotXAxisCategories) \
    UNCALLED(zrSetPlotXAxisRange) \
    UNCALLED(zrSetPlotYAxisRange) \
    UNCALLED(zrSetPlotXAxisTitle) \
    UNCALLED(zrSetPlotYAxisTitle) \
    UNCALLED(zrSetPlotXAxisProperties) \
    UNCALLED(zrSetPlotYAxisProperties) \
    UNCALLED(zrSetPlotTitle) \
    UNCALLED(zrSetPlotMarkerSizeAndColor) \
    UNCALLED(zrSetPlotLineSizeAndColor) \
    UNCALLED(zrSetPlotBarColors) \
    UNCALLED(zrSetPlotFontSizes) \
    UNCALLED(zrShowPlotLegend) \
    UNCALLED(zrSetPlotColorTheme) \
    CALLED(zrUpdateActiveWindow, bool, (void)) \
    UNCALLED(zrShowBusyCursor) \
    UNCALLED(zrStopBusyCursor) \
    CALLED(zrGetNumberOfDocsInWorkspace, int, (void)) \
    CALLED(zrGetDocumentType, int, (int documentIndex)) \
    UNCALLED(zrGetDocumentTypeName) \
    UNCALLED(zrGetIDOfCurrentDocument) \
    CALLED(zrSetAsCurrentDocument, bool, (int documentIndex)) \
    CALLED(zrCalculateIAMatrix, bool, (const ScannerPositionHeader* fmrPosition, const ScannerPositionHeader* vmrPosition, const PastTransformationsHeader* pastTransformations, IaMatrix* iaMatrix, float* flipMatrix, int* scratch1, int* scratch2, int* scratch3, int* scratch4, int* scratch5, int* scratch6)) \
    UNCALLED(zrGetTRFParametersFromVolumeToolsDlg) \
    CALLED(zrGetHeaderOfCurrentFMR, bool, (FmrHeader* header)) \
    CALLED(zrSetHeaderOfCurrentFMR, bool, (const FmrHeader* header)) \
    CALLED(zrGetSTCFloatDataOfCurrentFMR, float**, (void)) \
    CALLED(zrGetSTCIntDataOfCurrentFMR, int16_t**, (void)) \
    UNCALLED(zrGetSTCDataOfCurrentFMR) \
    UNCALLED(zrSaveFMR) \
    CALLED(zrSaveFMRAndSTC, bool, (const FmrHeader* header, const char* stcPrefix)) \
    CALLED(zrGetScannerPositionHeaderOfCurrentFMR, bool, (ScannerPositionHeader* position)) \
    UNCALLED(zrSetScannerPositionHeaderOfCurrentFMR) \
    UNCALLED(zrGetHeaderOfCurrentDMR) \
    UNCALLED(zrSetHeaderOfCurrentDMR) \
    UNCALLED(zrGetDWIFloatDataOfCurrentDMR) \
    UNCALLED(zrGetDWIIntDataOfCurrentDMR) \
    UNCALLED(zrGetDWIDataOfCurrentDMR) \
    UNCALLED(zrConvertDWIFormatOfCurrentDMR) \
    UNCALLED(zrSaveDMR) \
    UNCALLED(zrSaveDMRAndDWI) \
    UNCALLED(zrGetMAPOfCurrentFMR) \
    UNCALLED(zrSetMAPParametersOfCurrentFMR) \
    UNCALLED(zrDeleteMAPsOfCurrentFMR) \
    UNCALLED(zrLoadMAPsToCurrentFMR) \
    UNCALLED(zrSaveMAPsOfCurrentFMR) \
    UNCALLED(zrCreateMAPForCurrentFMR) \
    CALLED(zrGetCurrentVMR, unsigned char*, (int* scratch1, int* scratch2, int* scratch3)) \
    CALLED(zrGetMainHeaderOfCurrentVMR, bool, (VmrHeader* header)) \
    UNCALLED(zrSetMainHeaderOfCurrentVMR) \
    CALLED(zrGetScannerPositionHeaderOfCurrentVMR, bool, (ScannerPositionHeader* position)) \
    UNCALLED(zrSetScannerPositionHeaderOfCurrentVMR) \
    CALLED(zrGetPastTransformationsHeaderOfCurrentVMR, bool, (PastTransformationsHeader* pastTransformations)) \
    UNCALLED(zrSetPastTransformationsHeaderOfCurrentVMR) \
    UNCALLED(zrReframeCurrentVMR) \
    UNCALLED(zrGetCrossPositionOfCurrentVMR) \
    UNCALLED(zrGetV16OfCurrentVMR) \
    UNCALLED(zrDetachV16FromCurrentVMR) \
    UNCALLED(zrLoadV16ToCurrentVMR) \
    UNCALLED(zrSaveV16OfCurrentVMR) \
    UNCALLED(zrConvertV16ToVMR) \
    UNCALLED(zrGetNRVMPsOfCurrentVMR) \
    UNCALLED(zrGetNRVMPOfCurrentVMR) \
    UNCALLED(zrSetNRVMPParametersOfCurrentVMR) \
    UNCALLED(zrLoadNRVMPsToCurrentVMR) \
    UNCALLED(zrAddNRVMPsToCurrentVMR) \
    UNCALLED(zrSaveNRVMPsOfCurrentVMR) \
    UNCALLED(zrCreateNRVMPsForCurrentVMR) \
    UNCALLED(zrDeleteNRVMPsOfCurrentVMR) \
    UNCALLED(zrDeleteNRVMPMap) \
    UNCALLED(zrSetNRVMPsParamsDisplayRange) \
    UNCALLED(zrGetARVMPsOfCurrentVMR) \
    UNCALLED(zrGetARVMPOfCurrentVMR) \
    UNCALLED(zrSetARVMPParametersOfCurrentVMR) \
    UNCALLED(zrLoadARVMPsToCurrentVMR) \
    UNCALLED(zrSaveARVMPsOfCurrentVMR) \
    UNCALLED(zrCreateARVMPsForCurrentVMR) \
    UNCALLED(zrDeleteARVMPsOfCurrentVMR) \
    UNCALLED(zrLinkVTCToCurrentVMR) \
    UNCALLED(zrCreateVTCForCurrentVMR) \
    UNCALLED(zrGetHeaderOfVTCOfCurrentVMR) \
    UNCALLED(zrSetHeaderOfVTCOfCurrentVMR) \
    UNCALLED(zrSetVTCParametersOfCurrentVMR) \
    UNCALLED(zrGetVTCFloatDataOfCurrentVMR) \
    UNCALLED(zrGetVTCIntDataOfCurrentVMR) \
    UNCALLED(zrGetVTCOfCurrentVMR) \
    UNCALLED(zrSaveVTCOfCurrentVMR) \
    UNCALLED(zrClearMultiVTCAnalysis) \
    UNCALLED(zrAddVTCRefForMultiVTCAnalysis) \
    UNCALLED(zrGetVoxelTimeCourseOfVTC) \
    UNCALLED(zrGetVoxelTimeCourseOfVTCs) \
    UNCALLED(zrGetVoxelCoordsTimeCourseOfVTC) \
    UNCALLED(zrGetVoxelCoordsTimeCourseOfVTCs) \
    UNCALLED(zrGetGLMOfCurrentVMR) \
    UNCALLED(zrGetGLMContrastsOfCurrentVMR) \
    UNCALLED(zrLoadMaskToCurrentVMR) \
    UNCALLED(zrGetMaskOfCurrentVMR) \
    UNCALLED(zrGetScene) \
    UNCALLED(zrLoadSRF) \
    UNCALLED(zrAddSRF) \
    UNCALLED(zrRemoveCurrentSRF) \
    UNCALLED(zrGetCurrentSRF) \
    UNCALLED(zrReleaseSRFAccess) \
    UNCALLED(zrSaveCurrentSRF) \
    UNCALLED(zrSetCurrentSRF) \
    UNCALLED(zrGetSMPsOfCurrentSRF) \
    UNCALLED(zrGetSMPOfCurrentSRF) \
    UNCALLED(zrSetSMPParametersOfCurrentSRF) \
    UNCALLED(zrLoadSMPsToCurrentSRF) \
    UNCALLED(zrSaveSMPsOfCurrentSRF) \
    UNCALLED(zrCreateSMPForCurrentSRF) \
    UNCALLED(zrDeleteSMPsOfCurrentSRF) \
    UNCALLED(zrOverlaySMPsOnSRF) \
    UNCALLED(zrLinkMTCToCurrentSRF) \
    UNCALLED(zrCreateMTCForCurrentSRF) \
    UNCALLED(zrGetMTCOfCurrentSRF) \
    UNCALLED(zrSetMTCParametersOfCurrentSRF) \
    UNCALLED(zrSaveMTCOfCurrentSRF) \
    UNCALLED(zrClearMultiMTCRefsOfCurrentSRF) \
    UNCALLED(zrAddMultiMTCRefToCurrentSRF) \
    UNCALLED(zrGetVertexTimeCourseOfMTC) \
    UNCALLED(zrGetVertexTimeCourseOfAllMTCs) \
    UNCALLED(zrGetSSMOfCurrentSRF) \
    UNCALLED(zrLoadSSMToCurrentSRF) \
    UNCALLED(zrSaveSSMOfCurrentSRF) \
    UNCALLED(zrCreateSSMForCurrentSRF) \
    UNCALLED(zrDeleteSSMOfCurrentSRF) \
    UNCALLED(zrClearProtocol) \
    UNCALLED(zrLoadProtocol) \
    UNCALLED(zrSaveProtocol) \
    UNCALLED(zrGetProtocol) \
    UNCALLED(zrSetProtocol) \
    UNCALLED(zrGetProtocolCondition) \
    UNCALLED(zrAddProtocolCondition) \
    UNCALLED(zrAddProtocolConditionInterval) \
    UNCALLED(zrClearDesignMatrix) \
    UNCALLED(zrAddPredictor) \
    UNCALLED(zrSetPredictorValuesFromCondition) \
    UNCALLED(zrSetPredictorValuesFromConditionName) \
    UNCALLED(zrApplyTwoGammaHRFToPredictor) \
    UNCALLED(zrApplyTwoGammaHRFToPredictorWithName) \
    UNCALLED(zrApplyBoyntonHRFToPredictor) \
    UNCALLED(zrApplyBoyntonHRFToPredictorWithName) \
    UNCALLED(zrGetPredictor) \
    UNCALLED(zrGetPredictorByName) \
    UNCALLED(zrLoadSingleStudyGLMDesignMatrix) \
    UNCALLED(zrSaveSingleStudyGLMDesignMatrix) \
    UNCALLED(zrLoadVOIs) \
    UNCALLED(zrSaveVOIs) \
    UNCALLED(zrGetVOIs) \
    UNCALLED(zrGetVOI) \
    UNCALLED(zrLoadPOIs) \
    UNCALLED(zrSavePOIs) \
    UNCALLED(zrGetPOIs) \
    UNCALLED(zrGetPOI) \
    UNCALLED(zrGetStringParameter) \
    UNCALLED(zrGetIntParameter) \
    UNCALLED(zrGetFloatParameter) \
    UNCALLED(zrSetStringParameter) \
    UNCALLED(zrSetIntParameter) \
    UNCALLED(zrSetFloatParameter) \
    UNCALLED(zrGetDlgStringParameter) \
    UNCALLED(zrGetDlgIntegerParameter) \
    UNCALLED(zrGetDlgFloatParameter) \
    UNCALLED(zrSetDlgStringOutputParameter) \
    UNCALLED(zrSetDlgIntegerOutputParameter) \
    UNCALLED(zrSetDlgFloatOutputParameter) \
    UNCALLED(zrLaunchICADialog)
// clang-format on

enum { kHostFunctionCount = 190, kCalledHostFunctionCount = 20 };

#endif
