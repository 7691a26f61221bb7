// The table of a dataset's runs, one row per run, worst first: OUT_DIR/alignment.tsv and the per-subject
// tables it is merged from.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_ALIGNMENT_TABLE_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_ALIGNMENT_TABLE_H

#include <string>
#include <vector>

#include "host/alignment_check/alignment_result.h"

using TableRow = std::vector<std::string>; // one text per column of kAlignmentColumns

// The column names, in order.
extern const std::vector<std::string> kAlignmentColumns;

// Where a run belongs and where its report is, besides its check.
struct RunIdentity {
    std::string subject, session, run, report;
};

// The row of a run; numbers a failed run does not have are "n/a"; tabs and line breaks in texts become
// spaces.
TableRow alignmentRow(const RunIdentity& identity, const RunCheck& check);

// Orders rows worst first: fail, warn, pass; within a verdict, runs that could not be checked first, then
// by mean displacement, largest first, then by subject and run name.
void sortWorstFirst(std::vector<TableRow>& rows);

// The table as TSV text with its header line.
std::string alignmentTableText(const std::vector<TableRow>& rows);

// The rows of a TSV text written by alignmentTsv; rows of another column count are left out.
std::vector<TableRow> parseAlignmentTable(const std::string& text);

#endif
