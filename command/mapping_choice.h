// The mapping the user picks at the prompt.
#ifndef POSALIGN_COMMAND_MAPPING_CHOICE_H
#define POSALIGN_COMMAND_MAPPING_CHOICE_H

// The three mappings, numbered as the prompt offers them.
enum MappingChoice {
    kMappingFmrToVmr = 1, // paint the FMR(s) into the VMR
    kMappingVmrToFmr = 2, // resample the VMR into each FMR, save the FMRs
    kMappingFmrToFmr = 3  // paint both FMRs into the VMR, copy FMR 2 into FMR 1, save FMR 1
};

// The mapping an answer selects: 1 and 2 as answered; every other answer (the host may let one through)
// runs the FMR-to-FMR mapping, never a refusal.
inline MappingChoice mappingChoiceFromAnswer(int answer) {
    if (answer == kMappingFmrToVmr) {
        return kMappingFmrToVmr;
    }
    if (answer == kMappingVmrToFmr) {
        return kMappingVmrToFmr;
    }
    return kMappingFmrToFmr;
}

#endif
