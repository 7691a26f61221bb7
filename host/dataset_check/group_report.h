// OUT_DIR/report.html of the group level: one self-contained page for the whole dataset with every run's
// verdict and displacement in a table that sorts by any column (worst first at the start), the distribution
// of the displacements, and a link to each participant's report.
#ifndef POSALIGN_HOST_DATASET_CHECK_GROUP_REPORT_H
#define POSALIGN_HOST_DATASET_CHECK_GROUP_REPORT_H

#include <string>
#include <vector>

#include "host/alignment_check/alignment_table.h"

// The page for rows sorted worst first (sortWorstFirst). Participant reports are linked by each row's
// report column, relative to the page.
std::string groupReportHtml(const std::vector<TableRow>& sortedRows);

// How many displacements fall into each bin of binMm, from 0 up: the last bin also holds every larger one.
// Runs that could not be checked are not counted.
std::vector<int> displacementHistogram(const std::vector<TableRow>& rows, double binMm, int bins);

#endif
