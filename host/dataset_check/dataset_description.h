// OUT_DIR/dataset_description.json: what makes the check's output folder a BIDS derivative dataset.
#ifndef POSALIGN_HOST_DATASET_CHECK_DATASET_DESCRIPTION_H
#define POSALIGN_HOST_DATASET_CHECK_DATASET_DESCRIPTION_H

#include <string>

// The program that wrote the outputs, as the derivative's GeneratedBy entry names it.
struct GeneratedBy {
    std::string name = "Zentrovis";
    std::string version;
    std::string commandLine;
};

// The file's text: Name, BIDSVersion, DatasetType "derivative", GeneratedBy (name, version, command line)
// and the source dataset's folder; indented, ending with a newline.
std::string datasetDescriptionJson(const GeneratedBy& generatedBy, const std::string& bidsDir);

// True when text is a dataset description this program wrote (its first GeneratedBy entry names it), so
// that a later call may replace it.
bool isOurDatasetDescription(const std::string& text, const GeneratedBy& generatedBy);

#endif
