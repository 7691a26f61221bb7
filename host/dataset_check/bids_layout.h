// The functional runs of a BIDS dataset, each paired with the T1-weighted anatomical of its subject.
#ifndef POSALIGN_HOST_DATASET_CHECK_BIDS_LAYOUT_H
#define POSALIGN_HOST_DATASET_CHECK_BIDS_LAYOUT_H

#include <string>
#include <vector>

// One functional run and its anatomical. problem is set when the run cannot be checked (no anatomical).
struct BidsRun {
    std::string subject;        // label without "sub-"
    std::string session;        // label without "ses-"; empty without sessions
    std::string name;           // the functional's file name without "_bold.nii[.gz]"
    std::string functionalPath; // func/*_bold.nii or .nii.gz
    std::string anatomicalPath; // anat/*_T1w.nii or .nii.gz; empty when there is none
    std::string problem;
};

struct BidsLayout {
    std::vector<BidsRun> runs; // by subject, session, file name
    std::string error;         // the dataset cannot be used at all (no such folder, unknown participant)
};

// The runs of the given participants (labels with or without "sub-"; all participants when empty). A run in
// ses-S is paired with sub-X/ses-S/anat/*_T1w.nii[.gz], else with sub-X/anat/*_T1w.nii[.gz]; among several,
// the first by name.
BidsLayout findBidsRuns(const std::string& bidsDir, const std::vector<std::string>& participantLabels);

#endif
