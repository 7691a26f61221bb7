// The host's documents made from the user's files or from the built-in phantom, with what each output
// made from them needs to know (name stem, geometry and other header fields).
#ifndef POSALIGN_HOST_PLUGIN_RUN_INPUT_DOCUMENTS_H
#define POSALIGN_HOST_PLUGIN_RUN_INPUT_DOCUMENTS_H

#include <string>
#include <vector>

#include "host/nifti/nifti_file.h"
#include "host/nifti/nifti_geometry.h"
#include "host/core/workspace.h"


// Where a document came from: its name stem, and the geometry and header fields its outputs are written with.
struct DocumentSource {
    std::string stem;
    std::string path; // empty for the phantom
    NiftiGeometry geometry;
    NiftiHeaderFields fields; // as the source's header holds them; empty for the phantom
};

// Documents ready for a workspace (VMR first, then the FMRs) and their sources, or the refusal.
struct LoadedDocuments {
    std::vector<HostDocument*> documents; // owned until handed to a workspace
    std::vector<DocumentSource> sources;  // one per document
    std::string error;                    // "FILE: problem" when refused; documents then empty
};

// Reads and checks the anatomical and one or two functional files. The anatomical becomes VMR bytes
// (scaleAnatomyToVmrBytes); a functional keeps 16-bit samples without scaling as int16 and becomes float
// otherwise. Nothing is kept when any file is refused.
LoadedDocuments loadNiftiDocuments(const std::string& anatomicalPath,
                                   const std::vector<std::string>& functionalPaths);

// The phantom's documents, taken out of a workspace built by the host core; the anatomical's stem is
// "phantom_anat".
LoadedDocuments loadPhantomDocuments(bool small, int runs);

// Frees documents not handed over.
void releaseLoadedDocuments(LoadedDocuments& loaded);


#endif
