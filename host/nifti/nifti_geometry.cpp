// The header's placement fields as matrices and back, through the NIfTI library's own conversions.
#include "host/nifti/nifti_geometry.h"

#include <nifti1_io.h>

void qformRows(const NiftiGeometry& g, float rows[3][4]) {
    const float qfac = g.pixdim[0] < 0 ? -1.0f : 1.0f;
    const mat44 q = nifti_quatern_to_mat44(g.quaternB, g.quaternC, g.quaternD, g.qoffsetX, g.qoffsetY,
                                           g.qoffsetZ, g.pixdim[1], g.pixdim[2], g.pixdim[3], qfac);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 4; ++j) {
            rows[i][j] = q.m[i][j];
        }
    }
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
