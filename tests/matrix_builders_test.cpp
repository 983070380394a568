// The camera's matrix builders (internal to the library, compiled into this
// test): exact elements, the library's own camera case, and the builders that
// normalise their caller's vectors in place.
#include <gtest/gtest.h>

#include <math.h>

#include "graphics/OxMatrixBuilders.h"

namespace {

Matrix4 Identity()
{
  Matrix4 m;
  m.Identity();
  return m;
}

}  // namespace

TEST(MatrixBuilders, Ortho)
{
  // The library's projection: 800 x 600, near 1, far 1000.
  float w = 800.0f, h = 600.0f, n = 1.0f, f = 1000.0f;
  Matrix4 p = BuildOrthoMatrix(w, h, n, f);
  Matrix4 expected = Identity();
  expected.m[0][0] = 2.0f / 800.0f;
  expected.m[1][1] = 2.0f / 600.0f;
  expected.m[2][2] = -2.0f / 999.0f;
  expected.m[2][3] = -1001.0f / 999.0f;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(p.m[r][c], expected.m[r][c]) << r << "," << c;
  // The right edge maps to x = 1, the near plane to depth -1.
  Point4 corner = p * Point4(400.0f, -300.0f, -1.0f, 1.0f);
  EXPECT_FLOAT_EQ(corner.x, 1.0f);
  EXPECT_FLOAT_EQ(corner.y, -1.0f);
  EXPECT_FLOAT_EQ(corner.z, -1.0f);
}

TEST(MatrixBuilders, LookAtFromAboveIsATranslation)
{
  // Eye straight above the target with up (0, 1, 0): the translation by
  // (-cx, -cy, -60); the caller's arguments are not changed.
  Point4 eye(12.0f, -7.0f, 60.0f, 1.0f), target(12.0f, -7.0f, 0.0f, 1.0f);
  Vector4 up(0.0f, 3.0f, 0.0f, 0.0f);
  Matrix4 view = BuildLookAtMatrix(eye, target, up);
  Matrix4 expected = Identity();
  expected.m[0][3] = -12.0f;
  expected.m[1][3] = 7.0f;
  expected.m[2][3] = -60.0f;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(view.m[r][c], expected.m[r][c]) << r << "," << c;
  EXPECT_EQ(up.y, 3.0f);
  EXPECT_EQ(eye.z, 60.0f);
}

TEST(MatrixBuilders, LookAtSideways)
{
  // Looking along -x from (5, 0, 0): the eye maps to the origin and the
  // target ends up straight ahead (negative z).
  Point4 eye(5.0f, 0.0f, 0.0f, 1.0f), target(0.0f, 0.0f, 0.0f, 1.0f);
  Vector4 up(0.0f, 1.0f, 0.0f, 0.0f);
  Matrix4 view = BuildLookAtMatrix(eye, target, up);
  EXPECT_TRUE(view * eye == Point4(0.0f, 0.0f, 0.0f, 1.0f));
  EXPECT_TRUE(view * target == Point4(0.0f, 0.0f, -5.0f, 1.0f));
}

TEST(MatrixBuilders, TranslationVariants)
{
  // Point (w ignored), vector and three floats agree; w of the point unused.
  Matrix4 a = BuildTranslationMatrix(Point4(1.0f, 2.0f, 3.0f, 9.0f));
  Matrix4 b = BuildTranslationMatrix(Vector4(1.0f, 2.0f, 3.0f, 9.0f));
  float x = 1.0f, y = 2.0f, z = 3.0f;
  Matrix4 c = BuildTranslationMatrix(x, y, z);
  Matrix4 expected = Identity();
  expected.m[0][3] = 1.0f;
  expected.m[1][3] = 2.0f;
  expected.m[2][3] = 3.0f;
  EXPECT_TRUE(a == expected);
  EXPECT_TRUE(b == expected);
  EXPECT_TRUE(c == expected);
  EXPECT_EQ(a.m[3][3], 1.0f);
}

TEST(MatrixBuilders, BasisNormalisesInPlace)
{
  // Columns from a, b, c; the caller's vectors come back normalised.
  Vector4 a(2.0f, 0.0f, 0.0f, 0.0f), b(0.0f, 0.0f, 4.0f, 0.0f), c(0.0f, 3.0f, 0.0f, 0.0f);
  Matrix4 m = BuildBasisMatrix(a, b, c);
  EXPECT_EQ(a.x, 1.0f);
  EXPECT_EQ(b.z, 1.0f);
  EXPECT_EQ(c.y, 1.0f);
  Matrix4 expected(1, 0, 0, 0,
                   0, 0, 1, 0,
                   0, 1, 0, 0,
                   0, 0, 0, 1);
  EXPECT_TRUE(m == expected);
}

TEST(MatrixBuilders, Transpose)
{
  Matrix4 m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  Matrix4 t = TransposeMatrix(m);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(t.m[r][c], m.m[c][r]);
}

TEST(MatrixBuilders, ScaleVariants)
{
  // Three floats, a vector and a point give the diagonal (sx, sy, sz, 1).
  float sx = 2.0f, sy = 3.0f, sz = 4.0f;
  Matrix4 expected(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1);
  EXPECT_TRUE(BuildScaleMatrix(sx, sy, sz) == expected);
  EXPECT_TRUE(BuildScaleMatrix(Vector4(2, 3, 4, 7)) == expected);
  EXPECT_TRUE(BuildScaleMatrix(Point4(2, 3, 4, 7)) == expected);
}

TEST(MatrixBuilders, Rotations)
{
  // A quarter turn about each axis moves the next axis round: x -> y about z,
  // y -> z about x, z -> x about y.
  float quarter = 1.57079633f;
  Vector4 ex(1, 0, 0, 0), ey(0, 1, 0, 0), ez(0, 0, 1, 0);
  EXPECT_TRUE(BuildRotationZMatrix(quarter) * ex == ey);
  EXPECT_TRUE(BuildRotationXMatrix(quarter) * ey == ez);
  EXPECT_TRUE(BuildRotationYMatrix(quarter) * ez == ex);
  // Exact elements use cosf and sinf of the angle.
  float angle = 0.3f;
  Matrix4 z = BuildRotationZMatrix(angle);
  EXPECT_EQ(z.m[0][0], cosf(0.3f));
  EXPECT_EQ(z.m[0][1], -sinf(0.3f));
  EXPECT_EQ(z.m[1][0], sinf(0.3f));
  EXPECT_EQ(z.m[2][2], 1.0f);
}

TEST(MatrixBuilders, AxisAngle)
{
  // Zero axis: the identity, axis untouched.
  Vector4 zero(0.0f, 0.0f, 0.000001f, 0.0f);
  float angle = 1.0f;
  EXPECT_TRUE(BuildAxisAngleMatrix(zero, angle) == Identity());
  EXPECT_EQ(zero.z, 0.000001f);
  // The z axis of length 5 matches the z rotation, and is normalised in place.
  Vector4 axis(0.0f, 0.0f, 5.0f, 0.0f);
  Matrix4 m = BuildAxisAngleMatrix(axis, angle);
  EXPECT_TRUE(m == BuildRotationZMatrix(angle));
  EXPECT_EQ(axis.z, 1.0f);
  // A stray w neither counts in the length nor changes.
  Vector4 withW(0.0f, 0.0f, 2.0f, 7.0f);
  EXPECT_TRUE(BuildAxisAngleMatrix(withW, angle) == BuildRotationZMatrix(angle));
  EXPECT_EQ(withW.w, 7.0f);
}

TEST(MatrixBuilders, Perspective)
{
  // k = tanf(fov / 360 * 3.1415925f) with that float constant.
  float fov = 90.0f, aspect = 2.0f, n = 1.0f, f = 101.0f;
  Matrix4 p = BuildPerspectiveMatrix(fov, aspect, n, f);
  float k = tanf(90.0f / 360.0f * 3.1415925f);
  EXPECT_EQ(p.m[0][0], 1.0f / (k * 2.0f));
  EXPECT_EQ(p.m[1][1], 1.0f / k);
  EXPECT_EQ(p.m[2][2], -102.0f / 100.0f);
  EXPECT_EQ(p.m[2][3], -202.0f / 100.0f);
  EXPECT_EQ(p.m[3][2], -1.0f);
  EXPECT_EQ(p.m[3][3], 0.0f);
  EXPECT_EQ(p.m[0][1], 0.0f);
}
