// Double-precision 4x4 affine helpers of the host core (row-major, last row 0 0 0 1), and sine and cosine
// computed by plain arithmetic so that every build derives the same rotations.
#ifndef POSALIGN_HOST_CORE_AFFINE_MATH_H
#define POSALIGN_HOST_CORE_AFFINE_MATH_H

// Writes the identity.
void affineIdentity(double out[16]);

// out = left * right (4x4 product); out may be either operand.
void affineMultiply(const double left[16], const double right[16], double out[16]);

// out = the inverse of an affine matrix (last row taken as 0 0 0 1); false, out untouched, when the linear
// part is singular or not finite. out may be m.
bool affineInverse(const double m[16], double out[16]);

// result = m * (x, y, z, 1), three components.
void affineApply(const double m[16], double x, double y, double z, double result[3]);

// Sine and cosine of an angle in degrees, by range reduction and a Taylor series; no library calls.
void sinCosDegrees(double degrees, double* sine, double* cosine);

#endif
