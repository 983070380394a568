/* Oxlen Engine 3x3 matrices: OxMtx33 and its family, 2D affine transforms in
   homogeneous form. m[row][column], stored row after row; vectors are
   columns multiplied on the right, so the translation is column 2 and in
   A * B, B acts first. Pointers and indices (0..2) are not checked. No
   state: callable from any thread on distinct data. */
#ifndef OX_MTX33_H
#define OX_MTX33_H

#include "OxExport.h"
#include "OxVec2.h"

/* Nine 32-bit floats, row after row; the builders leave (0, 0, 1) in row 2. */
typedef struct OxMtx33 {
  float m[3][3];
} OxMtx33;

OX_EXTERN_C_BEGIN

/* result = the identity. */
OX_API void OxMtx33Identity(OxMtx33* result);
/* result[i][j] = mtx[j][i]; result may be mtx (swapped in place). */
OX_API void OxMtx33Transpose(OxMtx33* result, const OxMtx33* mtx);
/* result = the inverse of mtx (adjugate divided by the determinant);
   returns the determinant. Failure: when det * det < 1e-10 (|det| below
   about 1e-5) the matrix counts as singular, result is left untouched and
   0 is returned. result may be mtx. */
OX_API float OxMtx33Inverse(OxMtx33* result, const OxMtx33* mtx);
/* result = the transpose of the inverse of mtx. Failure: a singular mtx
   leaves result untouched. result may be mtx. */
OX_API void OxMtx33InvTranspose(OxMtx33* result, const OxMtx33* mtx);
/* result = a * b (b acts first); result may be a or b. */
OX_API void OxMtx33Concat(OxMtx33* result, const OxMtx33* a, const OxMtx33* b);
/* Does nothing: neither matrix is read or written. */
OX_API void OxMtx33Orthogonalize(OxMtx33* result, const OxMtx33* mtx);
/* The determinant, expanded along the first row. */
OX_API float OxMtx33Determinant(const OxMtx33* mtx);
/* Column col = (vec.x, vec.y, 1 if col is 2 else 0); other columns kept. */
OX_API void OxMtx33SetCol(OxMtx33* result, unsigned int col, const OxVec2* vec);
/* Row row = (vec.x, vec.y, 1 if row is 2 else 0); other rows kept. */
OX_API void OxMtx33SetRow(OxMtx33* result, unsigned int row, const OxVec2* vec);
/* result = (m[0][col], m[1][col]). */
OX_API void OxMtx33GetCol(OxVec2* result, const OxMtx33* mtx, unsigned int col);
/* result = (m[row][0], m[row][1]). */
OX_API void OxMtx33GetRow(OxVec2* result, const OxMtx33* mtx, unsigned int row);
/* result = translation by (x, y). */
OX_API void OxMtx33Trans(OxMtx33* result, float x, float y);
/* result = mtx with (x, y) added to its translation column: the
   translation applied after mtx. result may be mtx. */
OX_API void OxMtx33TransApply(OxMtx33* result, const OxMtx33* mtx, float x, float y);
/* result = scale by (x, y). */
OX_API void OxMtx33Scale(OxMtx33* result, float x, float y);
/* result = Scale(x, y) * mtx: rows 0 and 1 scaled, translation included.
   result may be mtx. */
OX_API void OxMtx33ScaleApply(OxMtx33* result, const OxMtx33* mtx, float x, float y);
/* result = counter-clockwise rotation by angle (radians) about the origin. */
OX_API void OxMtx33Rot(OxMtx33* result, float angle);
/* result = OxMtx33Rot((angle * 3.1415f) / 180): NOTE the 3.1415 factor, so
   90 degrees leaves a cosine of about 4.6e-5, and this differs slightly
   from OxMtx33Rot(OxDegToRad(angle)). */
OX_API void OxMtx33RotDeg(OxMtx33* result, float angle);
/* result = mtx * (vec, 1), row 2 never read; result may be vec. */
OX_API void OxMtx33MultVec(OxVec2* result, const OxMtx33* mtx, const OxVec2* vec);
/* OxMtx33MultVec for count elements; results may be vecs. */
OX_API void OxMtx33MultVecArray(OxVec2* results, const OxMtx33* mtx, const OxVec2* vecs,
                                unsigned int count);
/* result = mtx * (vec, 0): scale and rotation only, for directions and
   normals. result may be vec. */
OX_API void OxMtx33MultVecSR(OxVec2* result, const OxMtx33* mtx, const OxVec2* vec);
/* OxMtx33MultVecSR for count elements; results may be vecs. */
OX_API void OxMtx33MultVecArraySR(OxVec2* results, const OxMtx33* mtx, const OxVec2* vecs,
                                  unsigned int count);

OX_EXTERN_C_END

#endif
