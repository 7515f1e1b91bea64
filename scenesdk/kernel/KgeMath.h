#pragma once

// Vector, matrix, Euler-angle and quaternion routines of the scene SDK.
//
// Conventions:
//  - vectors are 3 or 4 doubles (x, y, z[, w]); quaternions are 4 doubles
//    (x, y, z, w);
//  - matrices are 16 doubles stored row by row: element (r, c) is m[4r + c].
//    The rotation is the upper-left 3x3 part, the translation the fourth row
//    (m[12], m[13], m[14]). Points and directions are row vectors multiplied
//    from the left (v' = v M), so in a product A B the transform A applies
//    first;
//  - angles are in degrees at every interface.
//
// Unless stated otherwise outputs may alias inputs: every product is computed
// into a temporary first. Routines documented as writing "the 3x3 part" leave
// the other seven values of the output untouched.

#include <cstdint>

namespace scenesdk
{

constexpr double kKgeDegToRad = 0.017453292519943295;
constexpr double kKgeRadToDeg = 57.29577951308232;

// --- vectors ---------------------------------------------------------------
void KgeCrossProduct(double* out, const double* a, const double* b); // out = a x b
double KgeDotProduct(const double* a, const double* b);              // over x, y, z
void KgeScaleVector3(double* out, const double* v, double s);
void KgeScaleVector4(double* out, const double* v, double s);
void KgeVector4Set(double* v, double x, double y, double z, double w);
// 0 when every component of the two 3-vectors differs by at most tolerance,
// else 1 (NaN differences count as different). With tolerance 0.0 the 24
// bytes are compared as memory: -1, 0 or 1.
int KgeVectorCompare(const double* a, const double* b, double tolerance);

// --- matrices --------------------------------------------------------------
// Copies the first three values of each of the four rows; the fourth column
// (m[3], m[7], m[11], m[15]) of out is left unchanged.
void KgeCopyAffine(double* out, const double* m);
void KgeCopyMatrix(double* out, const double* m);
void KgeMatrixIdentity(double* m);
void KgeMatrixSetTranslation(double* m, double x, double y, double z);
// Sets the diagonal values m[0], m[5], m[10] from v; the rest is untouched.
void KgeMatrixFromScaling(double* m, const double* v);
// Transposes the 3x3 part (in place allowed).
void KgeTransposeRotation(double* out, const double* m);
// out = v times the 3x3 part (a direction).
void KgeRotateVector(double* out, const double* m, const double* v);
// out = v times the 3x3 part plus the translation row (a point).
void KgeTransformPoint(double* out, const double* m, const double* v);
// 3x3 part of out = b a (rows of b combined with a: a row vector is turned
// by b first, then by a).
void KgeRotationMultiply(double* out, const double* a, const double* b);
// 3x3 part of out = b transpose(a): element (r, c) is row r of b dotted with
// row c of a. Mind the order: b times the transpose of a, not a times the
// transpose of b. This form is the inverse companion of KgeRotationMultiply:
// KgeRotationMultiply(x, a, KgeRotationMultiplyTransposed(a, b)) gives b back
// for a rotation a.
void KgeRotationMultiplyTransposed(double* out, const double* a, const double* b);
// out = b a over all 16 values (b applies first).
void KgeMatrixMultiply(double* out, const double* a, const double* b);
// True when the determinant of the 3x3 part is at least 0.
bool KgeMatrixIsRightHanded(const double* m);
// out = b inverse(a) (b expressed in the frame of a) for an affine a whose
// axis rows are orthogonal: each axis row of a is divided by its squared
// length and a's translation is subtracted. An axis of length 0 gives 0 in
// that direction instead of dividing by 0. The fourth column of out is
// (0, 0, 0, 1). KgeMatrixMultiply(x, a, out) gives b back.
void KgeAffineInverseMultiply(double* out, const double* a, const double* b);

// --- Euler angles ------------------------------------------------------------
// Euler-order codes: code = 2 x order + repeated-axis flag, order 0..5 being
// XYZ, XZY, YZX, YXZ, ZXY, ZYX. The axes (i, j, k) of a code come from
// KgeEulerAxes. Bit value 2 marks the odd permutations (XZY, YXZ, ZYX),
// whose angles are negated inside the formulas; bit value 1 selects the
// repeated-axis form (i, j, i). Code 12 is the spheric XYZ rotation
// (KgeMatrixFromSpheric), which never indexes the axis table.
constexpr int kKgeEulerSpheric = 12;
// Axes of code 0..11 into i, j, k; false for any other code.
bool KgeEulerAxes(int code, int* i, int* j, int* k);

// 3x3 part = Rx(x) Ry(y) Rz(z): rows (cy cz, cy sz, -sy),
// (sx sy cz - cx sz, sx sy sz + cx cz, sx cy), (cx sy cz + sx sz,
// cx sy sz - sx cz, cx cy).
void KgeMatrixFromEulerXYZ(double* m, double x, double y, double z);
void KgeMatrixFromEuler(double* m, const double* angles);
// XYZ angles of the 3x3 part. With m02 at least 0.999999 (or NaN):
// (atan2(-m21, -m20), -90, 0); at most -0.999999: (atan2(m10, m11), 90, 0);
// else (atan2(m12, m22), -asin(m02), atan2(m01, m00)).
void KgeMatrixToEulerXYZ(double* angles, const double* m);
// 3x3 part for a code, the angles given in the order's axis sequence: for a
// code with axes (i, j, k), angles[0] turns about axis i, angles[1] about j,
// angles[2] about k (about i again for the repeated forms); the rotation is
// R_i(angles[0]) R_j(angles[1]) R_k(angles[2]). A code outside 0..11 is read
// as code 0.
void KgeMatrixFromEulerOrder2(double* m, const double* angles, int code);
// The same with the angles stored by axis (x, y, z): the angle about axis i
// is angles[i], and so on.
void KgeMatrixFromEulerOrder(double* m, const double* angles, int code);
// Inverse of KgeMatrixFromEulerOrder2: angles in the order's axis sequence.
// When the cosine term falls below 1.6e-9 the third angle is 0.
void KgeMatrixToEulerOrder(double* angles, const double* m, int code);
// XYZ angles of a matrix with scaled rows: each row of the 3x3 part is
// divided by its length (a row of length 0 stays 0), all three lengths taken
// negative when (row0 x row1) . row2 < 0 (a mirrored scaling), then the
// KgeMatrixToEulerXYZ rules.
void KgeMatrixToEulerOrthonormal(double* angles, const double* m);

// --- quaternions -------------------------------------------------------------
// 3x3 part of the rotation of q scaled by s = 2 / |q|^2 (0 for a zero
// quaternion, giving the identity rotation).
void KgeMatrixFromQuaternion(double* m, const double* q);
void KgeMatrixFromQuaternion(double* m, double x, double y, double z, double w);
// The quaternion of the 3x3 rotation part (w >= 0 in the common case).
void KgeMatrixToQuaternion(double* q, const double* m);
double KgeQuaternionLength(const double* q);
void KgeQuaternionConjugate(double* out, const double* q);
// Quaternion product out = a b (Hamilton): b turns first, then a.
void KgeQuaternionMultiply(double* out, const double* a, const double* b);
// Where the rotation of q (any length but 0) takes the Y axis: row 1 of
// KgeMatrixFromQuaternion.
void KgeQuaternionToYAxis(double* out, const double* q);

// Spheric XYZ (Euler-order code 12), the same in node rotations and in
// rotation channels. With the half angles a, b, c of angles[0..2] the
// quaternion is (sa cc cb, sb ca + sc sa, sc ca - sb sa, ca cc cb): a twist
// about X by angles[0] (sa, 0, 0, ca), then the swing (0, sb, sc, cb cc),
// which turns X towards Y by angles[1] and towards Z by angles[2]. Writes the
// 3x3 part.
void KgeMatrixFromSpheric(double* m, const double* angles);
// Inverse for |angles[1]|, |angles[2]| < 180: the swing from row 0 of the
// 3x3 part, then the twist that remains. When m[0] is at most -0.9999999999
// (X turned onto -X) all three angles are 180.
void KgeMatrixToSpheric(double* angles, const double* m);

// Full matrix: the XYZ rotation of r with rows 0, 1, 2 scaled by s.x, s.y,
// s.z, translation t, fourth column (0, 0, 0, 1).
void KgeMatrixFromTRS(double* m, const double* t, const double* r, const double* s);

// --- pivot and limit records ------------------------------------------------
// The rotation part of a node's evaluated pivot set.
struct KgePivotRotationRecord
{
    static constexpr uint32_t kPreRotation = 1;  // preRotation applies
    static constexpr uint32_t kPostRotation = 2; // postRotation applies
    uint32_t flags = 0;
    bool rotationSpaceForLimitOnly = false;
    double preRotation[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};  // 3x3 part used
    double postRotation[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; // 3x3 part used
    int eulerCode = 0; // twice the node's rotation order, or 12 (spheric)
};

// 3x3 part of m from angles (x, y, z slots) and the record: code 0 the XYZ
// formula, code 12 the spheric rotation, any other code
// KgeMatrixFromEulerOrder. Then R becomes R Pre (when flagged) and
// transpose(Post) R (when flagged): a row vector turns by the transposed
// post-rotation, then the Euler rotation, then the pre-rotation.
//
// The spheric rotation is KgeMatrixFromSpheric.
void KgeRotationFromPivotRecord(const KgePivotRotationRecord& record, double* m, const double* angles);
// Inverse: takes the pre- and post-rotations off m and gives the angles in
// x, y, z slots. A spheric swing of 180 degrees gives (180, 180, 180).
void KgeAnglesFromPivotRecord(const KgePivotRotationRecord& record, double* angles, const double* m);

// A limit record: bit 1 active, bits 2, 4, 8 minimum on x, y, z, bits 16, 32,
// 64 maximum on x, y, z.
struct KgeLimitRecord
{
    uint32_t flags = 0;
    double min[4] = {0, 0, 0, 1};
    double max[4] = {0, 0, 0, 1};
};

// Copies three doubles; when any of bits 2..64 is set, each of x, y, z is
// raised to its minimum (when flagged) and then lowered to its maximum (when
// flagged). out may equal in.
void KgeClampToLimits(const KgeLimitRecord& limits, double* out, const double* in);

} // namespace scenesdk
