// Rendering a run's header and best-position pictures.
#include "host/alignment_report/run_pictures.h"

#include "host/alignment_report/anatomy_regions.h"

SubjectPictures prepareSubjectPictures(const ScalarGrid& anatomical) {
    SubjectPictures subject;
    subject.view = subjectView(anatomical);
    subject.anatomyPlanes = samplePlanes(anatomical, anatomical.voxelToWorld, subject.view);
    // The main boundaries where a brain is told apart; else every edge.
    const AnatomyRegions regions = findAnatomyRegions(anatomical);
    if (regions.found) {
        for (int p = 0; p < 3; ++p) {
            subject.anatomyEdges[p] = regionOutlines(regions, subject.view, kAllPlanes[p]);
        }
    } else {
        subject.anatomyEdges = planeEdges(subject.anatomyPlanes);
    }
    subject.anatomyRange = displayRange(anatomical);
    return subject;
}

RunPictures renderRunPictures(const SubjectPictures& subject, const ScalarGrid& functionalMean,
                              const Matrix4d* correction) {
    RunPictures pictures;
    const WorldView& view = subject.view;
    GreyRange range = displayRange(functionalMean);
    PlaneTriple atHeader = samplePlanes(functionalMean, functionalMean.voxelToWorld, view);
    pictures.edgesAtHeader = renderPlanes(view, atHeader, range, &subject.anatomyEdges,
                                          "ANATOMY EDGES OVER FUNCTIONAL, HEADER POSITION");
    pictures.functionalAtHeader = renderPlanes(view, atHeader, range, nullptr, "FUNCTIONAL, HEADER POSITION");
    pictures.anatomy = renderPlanes(view, subject.anatomyPlanes, subject.anatomyRange, nullptr, "ANATOMY");
    if (correction != nullptr) {
        Matrix4d best = multiply(*correction, functionalMean.voxelToWorld);
        PlaneTriple atBest = samplePlanes(functionalMean, best, view);
        pictures.edgesAtBest = renderPlanes(view, atBest, range, &subject.anatomyEdges,
                                            "ANATOMY EDGES OVER FUNCTIONAL, BEST POSITION");
        pictures.functionalAtBest = renderPlanes(view, atBest, range, nullptr, "FUNCTIONAL, BEST POSITION");
    }
    return pictures;
}
