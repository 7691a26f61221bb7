// The verdict of a checked run, how sure it is, and the reasons for it, in words.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_VERDICT_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_VERDICT_H

#include "host/alignment_check/alignment_check.h"

// Below this local correlation at the best position the images share too little structure to judge:
// unrelated images reach a few hundredths at their best by chance.
inline constexpr double kInformativeCorrelation = 0.08;
// Images whose match hardly depends on the run's orientation share no structure of a head: the other
// orientations of a head reach a median of 0.14 to 0.29 of the winner (simulated EPIs against the MNI152 T1
// and T2), 0.65 on nibabel's three slices, 0.67 to 0.82 on the smooth synthetic phantom; a Gaussian blob
// reached 0.95 against the T1 (0.83 against the T2, which this leaves to the other rules), noise 0.95 to 0.98.
inline constexpr double kOrientationBlindRatio = 0.9;

// What the search could establish besides the result record's fields.
struct SearchFindings {
    bool searched = false;     // false: too little overlap, the search was not run
    bool hasData = true;       // the functional has finite samples
    bool informative = true;   // the measure rose above chance: the images share structure
    bool reachedBound = false; // the best position lies on the edge of the searched range
};

// Sets check.verdict, check.confidence and check.reasons from the header comparison, the search, the
// orientation finding and the findings.
void decideVerdict(RunCheck& check, const SearchFindings& findings, const CheckSettings& settings);

// The worst of two verdicts.
Verdict worseVerdict(Verdict a, Verdict b);

// The chance (0..1) that a normally distributed quantity of the given mean and spread lies above limit.
double chanceAbove(double mean, double spread, double limit);

#endif
