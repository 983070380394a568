// The exported 4x4 value classes Matrix4, Vector4 and Point4. Leans on the
// scalar tolerance tests (OxIsF32Equal, OxIsF32Zero) and sqrtf; sums of
// products are written left to right so their rounding is fixed.
#include "OxMatrix4.h"

#include <math.h>
#include <stdio.h>

#include "OxMath.h"

// ---------------------------------------------------------------- Vector4

Vector4::Vector4() : x(0.0f), y(0.0f), z(0.0f), w(0.0f) {}
Vector4::Vector4(const Vector4& other) : x(other.x), y(other.y), z(other.z), w(other.w) {}
Vector4::Vector4(float xx, float yy, float zz, float ww) : x(xx), y(yy), z(zz), w(ww) {}

Vector4& Vector4::operator=(const Vector4& other)
{
  x = other.x;
  y = other.y;
  z = other.z;
  w = other.w;
  return *this;
}

Vector4 Vector4::operator-() const { return Vector4(-x, -y, -z, -w); }

Vector4 Vector4::operator+(const Vector4& other) const
{
  return Vector4(x + other.x, y + other.y, z + other.z, w + other.w);
}

Vector4 Vector4::operator-(const Vector4& other) const
{
  return Vector4(x - other.x, y - other.y, z - other.z, w - other.w);
}

Vector4 Vector4::operator*(float s) const { return Vector4(x * s, y * s, z * s, w * s); }

Vector4 Vector4::operator/(float s) const
{
  float r = 1.0f / s;
  return Vector4(x * r, y * r, z * r, w * r);
}

Vector4& Vector4::operator+=(const Vector4& other)
{
  x += other.x;
  y += other.y;
  z += other.z;
  w += other.w;
  return *this;
}

Vector4& Vector4::operator-=(const Vector4& other)
{
  x -= other.x;
  y -= other.y;
  z -= other.z;
  w -= other.w;
  return *this;
}

Vector4& Vector4::operator*=(float s)
{
  x *= s;
  y *= s;
  z *= s;
  w *= s;
  return *this;
}

Vector4& Vector4::operator/=(float s)
{
  float r = 1.0f / s;
  x *= r;
  y *= r;
  z *= r;
  w *= r;
  return *this;
}

bool Vector4::operator==(const Vector4& other) const
{
  return OxIsF32Equal(x, other.x) && OxIsF32Equal(y, other.y) &&
         OxIsF32Equal(z, other.z) && OxIsF32Equal(w, other.w);
}

bool Vector4::operator!=(const Vector4& other) const { return !(*this == other); }

float Vector4::Dot(const Vector4& other) const
{
  return x * other.x + y * other.y + z * other.z;
}

Vector4 Vector4::Cross(const Vector4& other) const
{
  return Vector4(y * other.z - z * other.y,
                 z * other.x - x * other.z,
                 x * other.y - y * other.x,
                 0.0f);
}

float Vector4::Length() const { return sqrtf(x * x + y * y + z * z + w * w); }
float Vector4::LengthSq() const { return x * x + y * y + z * z + w * w; }

// A true division per component, not a multiplication by the reciprocal.
void Vector4::Normalize()
{
  float len = Length();
  if (OxIsF32Zero(len)) return;
  x /= len;
  y /= len;
  z /= len;
  w /= len;
}

void Vector4::Zero() { x = y = z = w = 0.0f; }

void Vector4::Print() const
{
  printf("%5.3f, %5.3f, %5.3f, %5.3f\n", static_cast<double>(x), static_cast<double>(y),
         static_cast<double>(z), static_cast<double>(w));
}

// ---------------------------------------------------------------- Point4

Point4::Point4() : x(0.0f), y(0.0f), z(0.0f), w(1.0f) {}
Point4::Point4(const Point4& other) : x(other.x), y(other.y), z(other.z), w(other.w) {}
Point4::Point4(float xx, float yy, float zz, float ww) : x(xx), y(yy), z(zz), w(ww) {}

Point4& Point4::operator=(const Point4& other)
{
  x = other.x;
  y = other.y;
  z = other.z;
  w = other.w;
  return *this;
}

Point4 Point4::operator-() const { return Point4(-x, -y, -z, -w); }

Vector4 Point4::operator-(const Point4& other) const
{
  return Vector4(x - other.x, y - other.y, z - other.z, w - other.w);
}

Point4 Point4::operator+(const Vector4& v) const
{
  return Point4(x + v.x, y + v.y, z + v.z, w + v.w);
}

Point4 Point4::operator-(const Vector4& v) const
{
  return Point4(x - v.x, y - v.y, z - v.z, w - v.w);
}

Point4& Point4::operator+=(const Vector4& v)
{
  x += v.x;
  y += v.y;
  z += v.z;
  w += v.w;
  return *this;
}

Point4& Point4::operator-=(const Vector4& v)
{
  x -= v.x;
  y -= v.y;
  z -= v.z;
  w -= v.w;
  return *this;
}

bool Point4::operator==(const Point4& other) const
{
  return OxIsF32Equal(x, other.x) && OxIsF32Equal(y, other.y) &&
         OxIsF32Equal(z, other.z) && OxIsF32Equal(w, other.w);
}

bool Point4::operator!=(const Point4& other) const { return !(*this == other); }

void Point4::Zero()
{
  x = y = z = 0.0f;
  w = 1.0f;
}

void Point4::Print() const
{
  printf("%5.3f, %5.3f, %5.3f, %5.3f\n", static_cast<double>(x), static_cast<double>(y),
         static_cast<double>(z), static_cast<double>(w));
}

// ---------------------------------------------------------------- Matrix4

Matrix4::Matrix4() { Zero(); }

Matrix4::Matrix4(const Matrix4& other)
{
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m[r][c] = other.m[r][c];
}

Matrix4::Matrix4(float m00, float m01, float m02, float m03,
                 float m10, float m11, float m12, float m13,
                 float m20, float m21, float m22, float m23,
                 float m30, float m31, float m32, float m33)
{
  m[0][0] = m00; m[0][1] = m01; m[0][2] = m02; m[0][3] = m03;
  m[1][0] = m10; m[1][1] = m11; m[1][2] = m12; m[1][3] = m13;
  m[2][0] = m20; m[2][1] = m21; m[2][2] = m22; m[2][3] = m23;
  m[3][0] = m30; m[3][1] = m31; m[3][2] = m32; m[3][3] = m33;
}

Matrix4& Matrix4::operator=(const Matrix4& other)
{
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m[r][c] = other.m[r][c];
  return *this;
}

Vector4 Matrix4::operator*(const Vector4& v) const
{
  Vector4 result;
  result.x = m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z + m[0][3] * v.w;
  result.y = m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z + m[1][3] * v.w;
  result.z = m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z + m[2][3] * v.w;
  result.w = m[3][0] * v.x + m[3][1] * v.y + m[3][2] * v.z + m[3][3] * v.w;
  return result;
}

Point4 Matrix4::operator*(const Point4& p) const
{
  Point4 result;
  result.x = m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + m[0][3] * p.w;
  result.y = m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + m[1][3] * p.w;
  result.z = m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + m[2][3] * p.w;
  result.w = m[3][0] * p.x + m[3][1] * p.y + m[3][2] * p.z + m[3][3] * p.w;
  return result;
}

Matrix4 Matrix4::operator+(const Matrix4& other) const
{
  Matrix4 result;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) result.m[r][c] = m[r][c] + other.m[r][c];
  return result;
}

Matrix4 Matrix4::operator-(const Matrix4& other) const
{
  Matrix4 result;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) result.m[r][c] = m[r][c] - other.m[r][c];
  return result;
}

Matrix4 Matrix4::operator*(const Matrix4& other) const
{
  Matrix4 result;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      result.m[r][c] = m[r][0] * other.m[0][c] + m[r][1] * other.m[1][c] +
                       m[r][2] * other.m[2][c] + m[r][3] * other.m[3][c];
  return result;
}

Matrix4& Matrix4::operator+=(const Matrix4& other) { return *this = *this + other; }
Matrix4& Matrix4::operator-=(const Matrix4& other) { return *this = *this - other; }

// The product is formed in a temporary before it is stored, so other may be *this.
Matrix4& Matrix4::operator*=(const Matrix4& other) { return *this = *this * other; }

Matrix4 Matrix4::operator*(float s) const
{
  Matrix4 result;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) result.m[r][c] = m[r][c] * s;
  return result;
}

Matrix4 Matrix4::operator/(float s) const
{
  float r = 1.0f / s;
  return *this * r;
}

Matrix4& Matrix4::operator*=(float s) { return *this = *this * s; }
Matrix4& Matrix4::operator/=(float s) { return *this = *this * (1.0f / s); }

bool Matrix4::operator==(const Matrix4& other) const
{
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (!OxIsF32Equal(m[r][c], other.m[r][c])) return false;
  return true;
}

bool Matrix4::operator!=(const Matrix4& other) const { return !(*this == other); }

void Matrix4::Zero()
{
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m[r][c] = 0.0f;
}

void Matrix4::Identity()
{
  Zero();
  m[0][0] = m[1][1] = m[2][2] = m[3][3] = 1.0f;
}

void Matrix4::Print() const
{
  printf("--------------------------\n");
  for (int r = 0; r < 4; ++r)
    printf("%5.3f %5.3f %5.3f %5.3f\n", static_cast<double>(m[r][0]),
           static_cast<double>(m[r][1]), static_cast<double>(m[r][2]),
           static_cast<double>(m[r][3]));
  printf("--------------------------\n");
}
