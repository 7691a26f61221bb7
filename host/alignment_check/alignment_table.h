// alignment.tsv, the one table of checked runs: one row per run, written by the single check
// (OUT_DIR/alignment.tsv), by each participant of the dataset check (OUT_DIR/sub-X/alignment.tsv) and by
// its group level (OUT_DIR/alignment.tsv, worst first), and read back by one parser.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_ALIGNMENT_TABLE_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_ALIGNMENT_TABLE_H

#include <string>
#include <vector>

#include "host/alignment_check/alignment_result.h"

using TableRow = std::vector<std::string>; // one text per column of kAlignmentColumns

// The column names, in order.
extern const std::vector<std::string> kAlignmentColumns;

// Positions of the columns in a row (the order of kAlignmentColumns).
enum AlignmentColumn {
    kColumnSubject = 0,
    kColumnSession = 1,
    kColumnRun = 2,
    kColumnVerdict = 3,
    kColumnDisplacement = 4,
    kColumnTranslationX = 5,
    kColumnRotationX = 8,
    kColumnLrFlip = 20,
    kColumnReasons = 27,
    kColumnFunctional = 28,
    kColumnAnatomical = 29,
    kColumnReport = 30,
};

// Where a run belongs and where its report is, besides its check. Empty texts are written "n/a".
struct RunIdentity {
    std::string subject, session, run, report;
};

// The row of a run; numbers a run that could not be checked does not have are "n/a"; tabs and line breaks
// in texts become spaces.
TableRow alignmentRow(const RunIdentity& identity, const RunCheck& check);

// True when the row's run could not be checked at all (a missing or unreadable file): it has no numbers.
bool rowWasChecked(const TableRow& row);

// Orders rows worst first: fail, warn, pass; within a verdict, runs that could not be checked first, then
// by mean displacement, largest first, then by subject and run name.
void sortWorstFirst(std::vector<TableRow>& rows);

// The table as TSV text with its header line.
std::string alignmentTableText(const std::vector<TableRow>& rows);

// A table read back: its rows, or the first line that is not one of this table's.
struct ParsedTable {
    std::vector<TableRow> rows;
    std::string error; // "SOURCE:LINE: reason"; empty when every line was read
};

// The rows of a text written by alignmentTableText. A header other than kAlignmentColumns, or a line with
// another number of fields, is an error naming source and the line number (nothing is left out silently).
ParsedTable parseAlignmentTable(const std::string& text, const std::string& source);

#endif
