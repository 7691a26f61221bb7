// Building host documents from NIfTI files and from the phantom.
#include "host/app/input_documents.h"

#include <nifti1_io.h>

#include <cmath>
#include <cstring>

#include "host/app/anatomy_scaling.h"
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

HostDocument* makeVmr(const NiftiImage& image, const std::string& name) {
    int32_t dims[3] = {image.nx, image.ny, image.nz};
    HostDocument* document = createVmrDocument(dims, image.voxelToWorld.data(), name.c_str());
    if (document == nullptr) {
        return nullptr;
    }
    std::vector<uint8_t> bytes = scaleAnatomyToVmrBytes(image.floatSamples);
    memcpy(document->voxels, bytes.data(), bytes.size());
    return document;
}

HostDocument* makeFmr(const NiftiImage& image, const std::string& stem) {
    int32_t dims[3] = {image.nx, image.ny, image.nz};
    int dataType = image.isInt16 ? kFmrDataInt16 : kFmrDataFloat32;
    std::string fileName = stem + ".fmr";
    HostDocument* document = createFmrDocument(dims, image.voxelToWorld.data(), dataType, image.nt,
                                               fileName.c_str(), stem.c_str());
    if (document == nullptr) {
        return nullptr;
    }
    size_t perVolume = static_cast<size_t>(image.nx) * image.ny * image.nz;
    for (int t = 0; t < image.nt; ++t) {
        if (image.isInt16) {
            memcpy(document->intVolumes[t], image.int16Samples.data() + t * perVolume,
                   perVolume * sizeof(int16_t));
        } else {
            memcpy(document->floatVolumes[t], image.floatSamples.data() + t * perVolume,
                   perVolume * sizeof(float));
        }
    }
    return document;
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
    NiftiLimits anatomicalLimits;
    anatomicalLimits.maxVoxelsPerAxis = kMaxAnatomicalVoxelsPerAxis;
    anatomicalLimits.allowSeveralVolumes = false;
    NiftiReadResult anatomical = readNiftiImage(anatomicalPath, SampleKind::kFloat, anatomicalLimits);
    if (!anatomical.error.empty()) {
        return refuse(loaded, anatomicalPath, anatomical.error);
    }
    HostDocument* vmr = makeVmr(anatomical.image, fileNameOf(anatomicalPath));
    if (vmr == nullptr) {
        return refuse(loaded, anatomicalPath,
                      "could not be opened as an anatomical document (out of memory)");
    }
    loaded.documents.push_back(vmr);
    loaded.sources.push_back(DocumentSource{niftiStem(anatomicalPath), anatomicalPath,
                                            anatomical.image.geometry, anatomical.image.fields});
    anatomical.image.floatSamples = std::vector<float>();

    for (const std::string& path : functionalPaths) {
        NiftiReadResult functional = readNiftiImage(path, SampleKind::kInt16WhenRaw, NiftiLimits{});
        if (!functional.error.empty()) {
            return refuse(loaded, path, functional.error);
        }
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
        HostDocument* fmr = makeFmr(functional.image, stem);
        if (fmr == nullptr) {
            return refuse(loaded, path, "could not be opened as a functional document (out of memory)");
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

NiftiGeometry geometryFromAffine(const double a[16]) {
    NiftiGeometry g;
    mat44 m;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m.m[i][j] = static_cast<float>(a[4 * i + j]);
        }
    }
    float qb, qc, qd, qx, qy, qz, dx, dy, dz, qfac;
    nifti_mat44_to_quatern(m, &qb, &qc, &qd, &qx, &qy, &qz, &dx, &dy, &dz, &qfac);
    g.pixdim[0] = qfac < 0 ? -1.0f : 1.0f;
    g.pixdim[1] = dx;
    g.pixdim[2] = dy;
    g.pixdim[3] = dz;
    g.qformCode = 1;
    g.sformCode = 1;
    g.quaternB = qb;
    g.quaternC = qc;
    g.quaternD = qd;
    g.qoffsetX = qx;
    g.qoffsetY = qy;
    g.qoffsetZ = qz;
    for (int j = 0; j < 4; ++j) {
        g.srowX[j] = m.m[0][j];
        g.srowY[j] = m.m[1][j];
        g.srowZ[j] = m.m[2][j];
    }
    g.xyztUnits = NIFTI_UNITS_MM;
    return g;
}
