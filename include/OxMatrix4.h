/* Oxlen Engine 4x4 math: the exported value classes Matrix4, Vector4 and
   Point4. Row-major storage, column vectors multiplied on the right (a
   translation sits in column 3), all arithmetic in 32-bit floats. No state:
   callable from any thread on distinct data. Every member is exported.
   C++ only: included from C (through Oxlen.h) it declares nothing, and a C
   game passes its 4x4 matrices to OxGfxSetTransform3D as float[4][4]. */
#ifndef OX_MATRIX4_H
#define OX_MATRIX4_H

#include "OxExport.h"

#ifdef __cplusplus

struct Vector4;
struct Point4;

/* A direction: x, y, z, w (w conventionally 0). No operation treats w
   specially. Comparisons use OxIsF32Equal per component, so a NaN
   component makes every comparison unequal. */
struct OX_API Vector4 {
  float x, y, z, w;

  /* (0, 0, 0, 0). */
  Vector4();
  Vector4(const Vector4& other);
  Vector4(float xx, float yy, float zz, float ww);
  Vector4& operator=(const Vector4& other);

  /* All four components negated (0 becomes -0), w included. */
  Vector4 operator-() const;
  Vector4 operator+(const Vector4& other) const;
  Vector4 operator-(const Vector4& other) const;
  Vector4 operator*(float s) const;
  /* One reciprocal 1 / s, then four multiplications; s = 0 is not tested
     and gives infinities or NaNs. */
  Vector4 operator/(float s) const;
  Vector4& operator+=(const Vector4& other);
  Vector4& operator-=(const Vector4& other);
  Vector4& operator*=(float s);
  Vector4& operator/=(float s);
  /* All four pairs within the 1e-5 tolerance, tested x, y, z, w. */
  bool operator==(const Vector4& other) const;
  bool operator!=(const Vector4& other) const;

  /* Three-component dot product: w is ignored. */
  float Dot(const Vector4& other) const;
  /* Three-dimensional cross product, with w = 0. */
  Vector4 Cross(const Vector4& other) const;
  /* Length over all four components, w included. */
  float Length() const;
  float LengthSq() const;
  /* Divides each of the four components by Length(); a length within the
     1e-5 tolerance of zero leaves the vector unchanged. */
  void Normalize();
  /* (0, 0, 0, 0). */
  void Zero();
  /* Prints "x, y, z, w" with %5.3f each, one line, to standard output. */
  void Print() const;
};

/* A position: x, y, z, w (w conventionally 1). */
struct OX_API Point4 {
  float x, y, z, w;

  /* (0, 0, 0, 1). */
  Point4();
  Point4(const Point4& other);
  Point4(float xx, float yy, float zz, float ww);
  Point4& operator=(const Point4& other);

  /* All four components negated, w included (the default point gives w = -1). */
  Point4 operator-() const;
  /* Point minus point is a vector, all four components (w = 1 - 1 = 0). */
  Vector4 operator-(const Point4& other) const;
  Point4 operator+(const Vector4& v) const;
  Point4 operator-(const Vector4& v) const;
  Point4& operator+=(const Vector4& v);
  Point4& operator-=(const Vector4& v);
  /* All four pairs within the 1e-5 tolerance, tested x, y, z, w. */
  bool operator==(const Point4& other) const;
  bool operator!=(const Point4& other) const;

  /* (0, 0, 0, 1): the origin as a point. */
  void Zero();
  /* Prints "x, y, z, w" with %5.3f each, one line, to standard output. */
  void Print() const;
};

/* A 4x4 matrix, m[row][column], stored row after row. M * v gives
   component r as row r of M dotted with v; A * B applies B first. */
struct OX_API Matrix4 {
  float m[4][4];

  /* All sixteen elements 0: not the identity. */
  Matrix4();
  Matrix4(const Matrix4& other);
  /* The sixteen arguments in row order: (0,0), (0,1), ... (3,3). */
  Matrix4(float m00, float m01, float m02, float m03,
          float m10, float m11, float m12, float m13,
          float m20, float m21, float m22, float m23,
          float m30, float m31, float m32, float m33);
  Matrix4& operator=(const Matrix4& other);

  /* Row r times the vector, summed left to right, for all four rows. */
  Vector4 operator*(const Vector4& v) const;
  /* The same formula; the result's w is row 3 times the point, not divided
     out and not forced to 1. */
  Point4 operator*(const Point4& p) const;
  Matrix4 operator+(const Matrix4& other) const;
  Matrix4 operator-(const Matrix4& other) const;
  Matrix4 operator*(const Matrix4& other) const;
  Matrix4& operator+=(const Matrix4& other);
  Matrix4& operator-=(const Matrix4& other);
  /* this = this * other through a temporary, so other may be this object. */
  Matrix4& operator*=(const Matrix4& other);
  Matrix4 operator*(float s) const;
  /* One reciprocal 1 / s, then sixteen multiplications; s = 0 not tested. */
  Matrix4 operator/(float s) const;
  Matrix4& operator*=(float s);
  Matrix4& operator/=(float s);
  /* Every pair within the 1e-5 tolerance, in element order, stopping at the
     first unequal pair. */
  bool operator==(const Matrix4& other) const;
  bool operator!=(const Matrix4& other) const;

  /* All sixteen elements 0. */
  void Zero();
  /* The identity. */
  void Identity();
  /* Prints a line of 26 hyphens, the four rows with "%5.3f" values separated
     by single spaces, and the hyphens again, to standard output. */
  void Print() const;
};

#endif /* __cplusplus */

#endif
