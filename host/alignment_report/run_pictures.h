// The pictures of one functional run against its subject's anatomy: the anatomy's edges over the
// functional's temporal mean at the header position and at the check's best position, and the plain frames
// a flicker alternates between.
#ifndef POSALIGN_HOST_ALIGNMENT_REPORT_RUN_PICTURES_H
#define POSALIGN_HOST_ALIGNMENT_REPORT_RUN_PICTURES_H

#include "host/alignment_check/alignment_result.h"
#include "host/alignment_report/plane_pictures.h"

// What all pictures of one subject share, made once from the anatomical.
struct SubjectPictures {
    WorldView view;
    PlaneTriple anatomyPlanes;
    EdgeTriple anatomyEdges;
    GreyRange anatomyRange;
};

// The view, planes and boundaries of an anatomical (subjectView, samplePlanes, regionOutlines; planeEdges
// when no brain is told apart).
SubjectPictures prepareSubjectPictures(const ScalarGrid& anatomical);

// A run's pictures; the ones at the best position are empty (0 x 0) when there is no correction.
struct RunPictures {
    RgbImage edgesAtHeader, edgesAtBest;
    RgbImage anatomy, functionalAtHeader, functionalAtBest;
};

// The run's pictures. correction, when not null, is the rigid world transformation that, multiplied on the
// left of the functional's affine, gives its best-aligned affine.
RunPictures renderRunPictures(const SubjectPictures& subject, const ScalarGrid& functionalMean,
                              const Matrix4d* correction);

#endif
