// Building host documents from NIfTI files and from the phantom.
#include "host/plugin_run/input_documents.h"


#include <cmath>
#include <cstring>
#include <memory>

#include "host/plugin_run/anatomy_scaling.h"
#include "host/nifti/huge_pages.h"
#include "host/core/phantom.h"

namespace {

std::string fileNameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

LoadedDocuments refuse(LoadedDocuments& loaded, const std::string& path, const std::string& problem) {
    releaseLoadedDocuments(loaded);
    loaded.error = path + ": " + problem;
    return std::move(loaded);
}

// Reads an anatomical file into a new VMR document: its samples as float into a buffer that is not
// zero-filled first, then scaled into the document's bytes.
NiftiReadResult readVmr(const std::string& path, HostDocument*& document) {
    document = nullptr;
    NiftiLimits limits;
    limits.maxVoxelsPerAxis = kMaxAnatomicalVoxelsPerAxis;
    limits.allowSeveralVolumes = false;
    std::unique_ptr<float[]> samples;
    size_t count = 0;
    NiftiReadResult read = readNiftiImageInto(path, SampleKind::kFloat, limits, [&](const NiftiImage& image) {
        count = static_cast<size_t>(image.nx) * image.ny * image.nz;
        samples.reset(new float[count]);
        adviseHugePages(samples.get(), count * sizeof(float));
        return std::vector<void*>{samples.get()};
    });
    if (!read.error.empty()) {
        return read;
    }
    int32_t dims[3] = {read.image.nx, read.image.ny, read.image.nz};
    document = createVmrDocument(dims, read.image.voxelToWorld.data(), fileNameOf(path).c_str());
    if (document == nullptr) {
        read.error = "could not be opened as an anatomical document (out of memory)";
        return read;
    }
    adviseHugePages(document->voxels, count);
    scaleAnatomyToVmrBytes(samples.get(), count, document->voxels);
    return read;
}

// Reads a functional file straight into a new FMR document (no copy of a long run on the way).
NiftiReadResult readFmr(const std::string& path, const std::string& stem, HostDocument*& document) {
    document = nullptr;
    return readNiftiImageInto(path, SampleKind::kInt16WhenRaw, NiftiLimits{}, [&](const NiftiImage& image) {
        int32_t dims[3] = {image.nx, image.ny, image.nz};
        std::string fileName = stem + ".fmr";
        document = createFmrDocument(dims, image.voxelToWorld.data(),
                                     image.isInt16 ? kFmrDataInt16 : kFmrDataFloat32, image.nt,
                                     fileName.c_str(), stem.c_str());
        std::vector<void*> volumes;
        for (int t = 0; document != nullptr && t < image.nt; ++t) {
            volumes.push_back(image.isInt16 ? static_cast<void*>(document->intVolumes[t])
                                            : static_cast<void*>(document->floatVolumes[t]));
        }
        if (document != nullptr) {
            // The host core keeps all volumes in one block that starts at the first.
            size_t bytes = static_cast<size_t>(documentVoxelCount(document)) * image.nt *
                           (image.isInt16 ? sizeof(int16_t) : sizeof(float));
            adviseHugePages(volumes[0], bytes);
        }
        return volumes;
    });
}

} // namespace

void releaseLoadedDocuments(LoadedDocuments& loaded) {
    for (HostDocument* document : loaded.documents) {
        releaseDocument(document);
    }
    loaded.documents.clear();
    loaded.sources.clear();
}

LoadedDocuments loadNiftiDocuments(const std::string& anatomicalPath,
                                   const std::vector<std::string>& functionalPaths) {
    LoadedDocuments loaded;
    HostDocument* vmr = nullptr;
    NiftiReadResult anatomical = readVmr(anatomicalPath, vmr);
    if (!anatomical.error.empty()) {
        return refuse(loaded, anatomicalPath, anatomical.error);
    }
    loaded.documents.push_back(vmr);
    loaded.sources.push_back(DocumentSource{niftiStem(anatomicalPath), anatomicalPath,
                                            anatomical.image.geometry, anatomical.image.fields});

    for (const std::string& path : functionalPaths) {
        std::string stem = niftiStem(path);
        if (stem.size() >= 100) {
            return refuse(loaded, path,
                          "has a name stem of " + std::to_string(stem.size()) +
                              " characters; at most 99 leave room for the names of its outputs");
        }
        for (size_t k = 1; k < loaded.sources.size(); ++k) {
            if (loaded.sources[k].stem == stem) {
                return refuse(loaded, path,
                              "has the same name stem \"" + stem + "\" as " + loaded.sources[k].path +
                                  "; their outputs would have the same names");
            }
        }
        HostDocument* fmr = nullptr;
        NiftiReadResult functional = readFmr(path, stem, fmr);
        if (!functional.error.empty()) {
            releaseDocument(fmr);
            return refuse(loaded, path, functional.error);
        }
        loaded.documents.push_back(fmr);
        loaded.sources.push_back(
            DocumentSource{stem, path, functional.image.geometry, functional.image.fields});
    }
    return loaded;
}

LoadedDocuments loadPhantomDocuments(bool small, int runs) {
    LoadedDocuments loaded;
    PhantomOptions options;
    if (small) {
        smallPhantomOptions(&options);
    } else {
        defaultPhantomOptions(&options);
    }
    options.fmrCount = runs;
    HostWorkspace workspace;
    initWorkspace(&workspace);
    if (!buildPhantomWorkspace(&options, &workspace)) {
        loaded.error = "phantom: could not be built";
        return loaded;
    }
    for (int i = 0; i < workspace.documentCount; ++i) {
        HostDocument* document = workspace.documents[i];
        workspace.documents[i] = nullptr;
        loaded.documents.push_back(document);
        std::string stem = i == 0 ? std::string("phantom_anat") : std::string(document->stcPrefix);
        loaded.sources.push_back(
            DocumentSource{stem, "", geometryFromAffine(document->voxelToScanner), NiftiHeaderFields{}});
    }
    workspace.documentCount = 0;
    return loaded;
}
