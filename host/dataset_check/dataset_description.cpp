// The derivative's dataset_description.json, through nlohmann-json.
#include "host/dataset_check/dataset_description.h"

#include <nlohmann/json.hpp>

#include <filesystem>

std::string datasetDescriptionJson(const GeneratedBy& generatedBy, const std::string& bidsDir) {
    using nlohmann::json;
    std::error_code error;
    const std::filesystem::path source = std::filesystem::absolute(bidsDir, error);
    json description = {
        {"Name", "Alignment check of functional runs against their anatomicals"},
        {"BIDSVersion", "1.9.0"},
        {"DatasetType", "derivative"},
        {"GeneratedBy", json::array({{{"Name", generatedBy.name},
                                      {"Version", generatedBy.version},
                                      {"CommandLine", generatedBy.commandLine}}})},
        {"SourceDatasets",
         json::array({{{"URL", "file://" + (error ? bidsDir : source.lexically_normal().string())}}})}};
    // Invalid UTF-8 in a path is replaced rather than refused: the file must always be written.
    return description.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool isOurDatasetDescription(const std::string& text, const GeneratedBy& generatedBy) {
    const nlohmann::json description = nlohmann::json::parse(text, nullptr, false);
    if (!description.is_object() || !description.contains("GeneratedBy") ||
        !description["GeneratedBy"].is_array() || description["GeneratedBy"].empty()) {
        return false;
    }
    const nlohmann::json& first = description["GeneratedBy"][0];
    return first.is_object() && first.value("Name", "") == generatedBy.name;
}
