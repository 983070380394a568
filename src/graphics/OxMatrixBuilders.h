// Matrix builders for the camera and projection: internal to the library
// (hidden, not exported). Each takes its arguments by reference, starts from
// the identity and returns a new Matrix4 (row-major, column vectors).
#pragma once

#include "OxMatrix4.h"

// Orthographic projection symmetric about the origin: x in +-width/2 and y in
// +-height/2 map to -1..1, eye-space z from -nearPlane to -farPlane to -1..1.
Matrix4 BuildOrthoMatrix(const float& width, const float& height,
                         const float& nearPlane, const float& farPlane);

// View transform looking from eye at target: f = eye - target, u = up and
// r = u x f, each normalised; the result is transpose(basis(r, u, f)) times
// the translation by -eye. u is not re-orthogonalised against f.
Matrix4 BuildLookAtMatrix(const Point4& eye, const Point4& target, const Vector4& up);

// Translation by x, y, z of the argument (a point's w is not used).
Matrix4 BuildTranslationMatrix(const Point4& p);
Matrix4 BuildTranslationMatrix(const Vector4& v);
Matrix4 BuildTranslationMatrix(const float& x, const float& y, const float& z);

// Columns 0, 1 and 2 from a, b and c (x, y, z each). NOTE: normalises the
// caller's three vectors in place first (Vector4::Normalize).
Matrix4 BuildBasisMatrix(Vector4& a, Vector4& b, Vector4& c);

// result[r][c] = m[c][r].
Matrix4 TransposeMatrix(const Matrix4& m);

// The diagonal (sx, sy, sz, 1); the vector and point forms use x, y, z.
Matrix4 BuildScaleMatrix(const float& sx, const float& sy, const float& sz);
Matrix4 BuildScaleMatrix(const Vector4& s);
Matrix4 BuildScaleMatrix(const Point4& s);

// Rotations about the x, y and z axes by an angle in radians.
Matrix4 BuildRotationXMatrix(const float& angle);
Matrix4 BuildRotationYMatrix(const float& angle);
Matrix4 BuildRotationZMatrix(const float& angle);

// Rotation by angle (radians) about axis. The identity when the axis length
// (x, y, z) is within the 1e-5 tolerance of zero; otherwise NOTE: the
// caller's axis x, y, z are normalised in place (w is left as it is).
Matrix4 BuildAxisAngleMatrix(Vector4& axis, const float& angle);

// Perspective projection from a vertical field of view in degrees:
// k = tanf(fov / 360 * 3.1415925f); [0][0] = 1 / (k * aspect), [1][1] = 1 / k,
// [2][2] and [2][3] map -nearPlane..-farPlane, [3][2] = -1, [3][3] = 0.
Matrix4 BuildPerspectiveMatrix(const float& fov, const float& aspect,
                               const float& nearPlane, const float& farPlane);
