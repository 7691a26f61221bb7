// The analytic head object of the phantom: tissue classes at scanner positions (mm).
#ifndef POSALIGN_HOST_CORE_PHANTOM_OBJECT_H
#define POSALIGN_HOST_CORE_PHANTOM_OBJECT_H

enum PhantomTissue {
    kTissueBackground = 0,
    kTissueScalp,
    kTissueSkull,
    kTissueCsf,
    kTissueGrey,
    kTissueWhite,
    kTissueEye,
    kTissueMarker,
    kTissueCount
};

// The tissue at scanner position (x, y, z) mm; the head is centred at the origin, +y anterior, +z superior,
// the marker blob on the +x side only. Comparisons of quadratic forms only.
int phantomTissue(float x, float y, float z);

// Anatomical byte value (0..225) of a tissue.
float anatomicalTissueIntensity(int tissue);

// Functional (EPI-like) intensity of a tissue in volume `volume`; only the marker changes between volumes.
float functionalTissueIntensity(int tissue, int volume);

#endif
