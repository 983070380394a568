// The camera's matrix builders over Matrix4, Vector4 and Point4 (internal).
// Leans on the 4x4 classes, OxIsF32Zero and the single-precision sinf, cosf,
// tanf and sqrtf.
#include "graphics/OxMatrixBuilders.h"

#include <math.h>

#include "OxMath.h"

namespace {

// The constant of the field-of-view conversion, kept as the 32-bit float.
const float kPerspectivePi = 3.1415925f;

Matrix4 IdentityMatrix()
{
  Matrix4 result;
  result.Identity();
  return result;
}

}  // namespace

Matrix4 BuildOrthoMatrix(const float& width, const float& height,
                         const float& nearPlane, const float& farPlane)
{
  Matrix4 result = IdentityMatrix();
  result.m[0][0] = 2.0f / width;
  result.m[1][1] = 2.0f / height;
  result.m[2][2] = -2.0f / (farPlane - nearPlane);
  result.m[2][3] = -(farPlane + nearPlane) / (farPlane - nearPlane);
  return result;
}

Matrix4 BuildLookAtMatrix(const Point4& eye, const Point4& target, const Vector4& up)
{
  Vector4 f = eye - target;
  f.Normalize();
  Vector4 u = up;
  u.Normalize();
  Vector4 r = u.Cross(f);
  r.Normalize();
  Matrix4 translation = BuildTranslationMatrix(-eye);
  Matrix4 basis = BuildBasisMatrix(r, u, f);
  return TransposeMatrix(basis) * translation;
}

Matrix4 BuildTranslationMatrix(const Point4& p)
{
  return BuildTranslationMatrix(p.x, p.y, p.z);
}

Matrix4 BuildTranslationMatrix(const Vector4& v)
{
  return BuildTranslationMatrix(v.x, v.y, v.z);
}

Matrix4 BuildTranslationMatrix(const float& x, const float& y, const float& z)
{
  Matrix4 result = IdentityMatrix();
  result.m[0][3] = x;
  result.m[1][3] = y;
  result.m[2][3] = z;
  return result;
}

Matrix4 BuildBasisMatrix(Vector4& a, Vector4& b, Vector4& c)
{
  a.Normalize();
  b.Normalize();
  c.Normalize();
  Matrix4 result = IdentityMatrix();
  result.m[0][0] = a.x; result.m[1][0] = a.y; result.m[2][0] = a.z;
  result.m[0][1] = b.x; result.m[1][1] = b.y; result.m[2][1] = b.z;
  result.m[0][2] = c.x; result.m[1][2] = c.y; result.m[2][2] = c.z;
  return result;
}

Matrix4 TransposeMatrix(const Matrix4& m)
{
  Matrix4 result;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) result.m[r][c] = m.m[c][r];
  return result;
}

Matrix4 BuildScaleMatrix(const float& sx, const float& sy, const float& sz)
{
  Matrix4 result = IdentityMatrix();
  result.m[0][0] = sx;
  result.m[1][1] = sy;
  result.m[2][2] = sz;
  return result;
}

Matrix4 BuildScaleMatrix(const Vector4& s) { return BuildScaleMatrix(s.x, s.y, s.z); }
Matrix4 BuildScaleMatrix(const Point4& s) { return BuildScaleMatrix(s.x, s.y, s.z); }

Matrix4 BuildRotationXMatrix(const float& angle)
{
  float c = cosf(angle), s = sinf(angle);
  Matrix4 result = IdentityMatrix();
  result.m[1][1] = c; result.m[1][2] = -s;
  result.m[2][1] = s; result.m[2][2] = c;
  return result;
}

Matrix4 BuildRotationYMatrix(const float& angle)
{
  float c = cosf(angle), s = sinf(angle);
  Matrix4 result = IdentityMatrix();
  result.m[0][0] = c; result.m[0][2] = s;
  result.m[2][0] = -s; result.m[2][2] = c;
  return result;
}

Matrix4 BuildRotationZMatrix(const float& angle)
{
  float c = cosf(angle), s = sinf(angle);
  Matrix4 result = IdentityMatrix();
  result.m[0][0] = c; result.m[0][1] = -s;
  result.m[1][0] = s; result.m[1][1] = c;
  return result;
}

// Only the axis's x, y and z take part: w is neither measured nor changed,
// so a stray w cannot skew the rotation.
Matrix4 BuildAxisAngleMatrix(Vector4& axis, const float& angle)
{
  Matrix4 result = IdentityMatrix();
  float len = sqrtf(axis.x * axis.x + axis.y * axis.y + axis.z * axis.z);
  if (OxIsF32Zero(len)) return result;
  axis.x /= len;
  axis.y /= len;
  axis.z /= len;
  float x = axis.x, y = axis.y, z = axis.z;
  float c = cosf(angle), s = sinf(angle), t = 1.0f - c;
  result.m[0][0] = c + t * x * x;
  result.m[0][1] = t * x * y - s * z;
  result.m[0][2] = t * x * z + s * y;
  result.m[1][0] = t * x * y + s * z;
  result.m[1][1] = c + t * y * y;
  result.m[1][2] = t * y * z - s * x;
  result.m[2][0] = t * x * z - s * y;
  result.m[2][1] = t * y * z + s * x;
  result.m[2][2] = c + t * z * z;
  return result;
}

Matrix4 BuildPerspectiveMatrix(const float& fov, const float& aspect,
                               const float& nearPlane, const float& farPlane)
{
  float k = tanf(fov / 360.0f * kPerspectivePi);
  Matrix4 result = IdentityMatrix();
  result.m[0][0] = 1.0f / (k * aspect);
  result.m[1][1] = 1.0f / k;
  result.m[2][2] = -(nearPlane + farPlane) / (farPlane - nearPlane);
  result.m[2][3] = -(2.0f * nearPlane * farPlane) / (farPlane - nearPlane);
  result.m[3][2] = -1.0f;
  result.m[3][3] = 0.0f;
  return result;
}
