// Realistic EPI runs whose true position is known, made from the MNI152 templates in ../shared/data (beside
// the repository; see its README): the T2 stands in for the EPI and the T1 is the anatomical.
//
// An EPI is the T2 blurred, sampled at each voxel of an EPI grid (3x3x3 points per voxel), stretched along
// the phase-encoding axis (the grid's y), with signal lost near the frontal sinus and the ear canals, a
// smooth bias field and Rician noise of fixed seed: the same inputs give the same samples on every machine.
// Its header holds the grid's true affine; known errors are then applied: a rigid offset of the header, or
// the samples mirrored along a voxel axis or two axes swapped (header unchanged).
//
// Used by the accuracy table (check_accuracy_table), the check's benchmark and the tests.
#ifndef POSALIGN_BENCH_SIMULATED_EPI_H
#define POSALIGN_BENCH_SIMULATED_EPI_H

#include <string>
#include <vector>

#include "host/alignment_check/synthetic_pair.h"

// The folder of the MNI152 templates: override when not empty, else $POSALIGN_SHARED_DATA when set, else
// ../shared/data beside the repository's root (as on CI and the development machines).
std::string referenceDataFolder(const std::string& override = "");

// The two templates as read by the host's NIfTI reader (float samples); error names the missing or broken
// file and where the folder was looked for.
struct ReferenceImages {
    NiftiImage t1, t2;
    std::string error;
};
ReferenceImages readReferenceImages(const std::string& folder);

// How an EPI is simulated. The defaults are a typical whole-brain run of 3.4 mm.
struct EpiSimulation {
    GridSpec grid;              // its true grid; see epiGrid
    double blurFwhmMm = 3.0;    // Gaussian blur of the T2 before sampling (point spread of EPI)
    double stretchShare = 0.03; // the image is stretched by this share along the grid's y (phase encoding)
    double dropoutDepth = 0.85; // largest share of signal lost near the frontal sinus and the ear canals
    double biasShare = 0.25;    // the bias field spans about 1 -/+ this across the head
    double noiseShare = 0.03;   // noise sigma as a share of the brain's 99th-percentile intensity
    unsigned seed = 20261209;   // of the noise
};

// An EPI grid of nx*ny*nz voxels of the given sizes centred on the brain (MNI 0, -18, 18), tilted by
// tiltDeg about x (as runs are tilted towards the AC-PC line) and yawDeg about z.
GridSpec epiGrid(int nx, int ny, int nz, const Point3d& voxelSizeMm, double tiltDeg, double yawDeg);

// The default 3.4 mm run (64x64x40 of 3.4x3.4x3.5 mm, tilted 8 degrees) and the speed case's
// (90x90x60 of 2.4 mm, tilted 6 degrees).
GridSpec standardEpiGrid();
GridSpec fineEpiGrid();

// The T2 simulated as an EPI on simulation.grid; its header holds the true affine (sform).
NiftiImage simulatedEpi(const NiftiImage& t2, const EpiSimulation& simulation);

// The T1 resampled to voxelMm isotropic voxels over the template's field of view (1.6 mm like a typical
// anatomical), its axes along world x, y, z.
NiftiImage resampledAnatomical(const NiftiImage& t1, double voxelMm);

// Errors of orientation: the samples reordered, the header left as it was.
enum class OrientationError { kNone, kMirrorX, kMirrorY, kMirrorZ, kSwapXY };

// "none", "LR mirror", "AP mirror", "SI mirror", "x-y swap" (voxel axes x, y, z lie along about LR, AP, SI).
const char* orientationErrorName(OrientationError error);

// image (one float volume) with its samples mirrored along a voxel axis or x and y swapped (nx and ny
// trade places too); the affine unchanged.
NiftiImage reorientedSamples(const NiftiImage& image, OrientationError error);

// A known error: the header moved by a rigid offset (about centre) and the samples reoriented.
struct KnownError {
    RigidParameters offset;
    OrientationError orientation = OrientationError::kNone;
};

// The run with the error applied; motion receives the header's motion (header = motion * true affine).
NiftiImage withKnownError(const NiftiImage& truePositioned, const KnownError& error, const Point3d& centre,
                          Matrix4d& motion);

// World points (at the true position) of the run's voxels that lie in the brain: inside the T1's head
// (the region the background cannot reach) and more than 10 mm from its surface. At most maxPoints, spread
// evenly.
std::vector<Point3d> brainPointsOfGrid(const GridSpec& grid, const NiftiImage& t1, size_t maxPoints = 20000);

// The residual of a correction: the mean distance, over the true brain points, between where the found
// correction puts each point (correction * motion * p) and where it belongs (p).
double residualMm(const Matrix4d& correction, const Matrix4d& motion, const std::vector<Point3d>& points);

#endif
