// Matrix4, Vector4 and Point4: defaults, products in the M * v form, the
// tolerance comparisons, normalisation, scalar division and Print formats.
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>

#include "OxMatrix4.h"
#include "OxTestSupport.h"

namespace {

Matrix4 Identity()
{
  Matrix4 m;
  m.Identity();
  return m;
}

}  // namespace

TEST(Matrix4, DefaultsZeroAndIdentity)
{
  // A default Matrix4 is all zeros; Identity() makes the identity; Zero()
  // clears it again. Vector4 defaults to (0,0,0,0), Point4 to (0,0,0,1).
  Matrix4 m;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(m.m[r][c], 0.0f);
  m.Identity();
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(m.m[r][c], r == c ? 1.0f : 0.0f);
  m.Zero();
  EXPECT_EQ(m.m[3][3], 0.0f);

  Vector4 v(1, 2, 3, 4);
  EXPECT_EQ(Vector4().w, 0.0f);
  v.Zero();
  EXPECT_EQ(v.x, 0.0f);
  EXPECT_EQ(v.w, 0.0f);
  Point4 p(5, 6, 7, 8);
  EXPECT_EQ(Point4().w, 1.0f);
  EXPECT_EQ(Point4().x, 0.0f);
  p.Zero();
  EXPECT_EQ(p.x, 0.0f);
  EXPECT_EQ(p.w, 1.0f);
}

TEST(Matrix4, ConstructorRowOrderAndCopies)
{
  Matrix4 m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  EXPECT_EQ(m.m[0][1], 2.0f);
  EXPECT_EQ(m.m[1][0], 5.0f);
  EXPECT_EQ(m.m[3][3], 16.0f);
  Matrix4 copy(m);
  Matrix4 assigned;
  Matrix4& self = (assigned = m);
  EXPECT_EQ(&self, &assigned);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ(copy.m[r][c], m.m[r][c]);
      EXPECT_EQ(assigned.m[r][c], m.m[r][c]);
    }
}

TEST(Matrix4, TimesPointAndVector)
{
  // Identity keeps points and vectors, w included.
  Point4 p(1.5f, -2.0f, 3.0f, 7.0f);
  Vector4 v(4.0f, 5.0f, -6.0f, 0.5f);
  Point4 ip = Identity() * p;
  Vector4 iv = Identity() * v;
  EXPECT_EQ(ip.x, p.x); EXPECT_EQ(ip.y, p.y); EXPECT_EQ(ip.z, p.z); EXPECT_EQ(ip.w, p.w);
  EXPECT_EQ(iv.x, v.x); EXPECT_EQ(iv.y, v.y); EXPECT_EQ(iv.z, v.z); EXPECT_EQ(iv.w, v.w);

  // Translation by tx in column 3: a point with w = 1 moves by tx, a vector
  // with w = 0 does not, a point with w = 2 moves by 2 tx.
  Matrix4 t = Identity();
  t.m[0][3] = 10.0f;
  EXPECT_EQ((t * Point4(1, 0, 0, 1)).x, 11.0f);
  EXPECT_EQ((t * Vector4(1, 0, 0, 0)).x, 1.0f);
  Point4 moved = t * Point4(1, 0, 0, 2);
  EXPECT_EQ(moved.x, 21.0f);
  EXPECT_EQ(moved.w, 2.0f);  // w is row 3 times the point, not forced to 1

  // Row 3 feeds the result's w.
  Matrix4 m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  Vector4 r = m * Vector4(1, 1, 1, 1);
  EXPECT_EQ(r.x, 10.0f);
  EXPECT_EQ(r.w, 58.0f);
}

TEST(Matrix4, ArithmeticAndSquareInPlace)
{
  Matrix4 a(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  Matrix4 b = Identity();
  Matrix4 sum = a + b;
  EXPECT_EQ(sum.m[0][0], 2.0f);
  EXPECT_EQ(sum.m[0][1], 2.0f);
  Matrix4 diff = a - b;
  EXPECT_EQ(diff.m[3][3], 15.0f);
  Matrix4 c = a;
  c += b;
  EXPECT_TRUE(c == sum);
  c -= b;
  EXPECT_TRUE(c == a);

  // A * B applies B first: row r of A times column c of B.
  Matrix4 product = a * a;
  EXPECT_EQ(product.m[0][0], 1 * 1 + 2 * 5 + 3 * 9 + 4 * 13.0f);
  EXPECT_EQ(product.m[3][2], 13 * 3 + 14 * 7 + 15 * 11 + 16 * 15.0f);
  // *= with itself as the operand gives the square.
  Matrix4 square = a;
  square *= square;
  for (int r = 0; r < 4; ++r)
    for (int col = 0; col < 4; ++col) EXPECT_EQ(square.m[r][col], product.m[r][col]);

  Matrix4 scaled = a * 2.0f;
  EXPECT_EQ(scaled.m[1][2], 14.0f);
  Matrix4 s = a;
  s *= 0.5f;
  EXPECT_EQ(s.m[3][3], 8.0f);
}

TEST(Matrix4, DivisionByReciprocal)
{
  // One reciprocal then multiplications: 1 / 3 rounded once, times each
  // element (differs from a true division in the last bit for some values).
  Matrix4 a;
  a.m[0][0] = 10.0f;
  a.m[2][1] = 7.0f;
  float r = 1.0f / 3.0f;
  Matrix4 q = a / 3.0f;
  EXPECT_EQ(q.m[0][0], 10.0f * r);
  EXPECT_EQ(q.m[2][1], 7.0f * r);
  a /= 3.0f;
  EXPECT_EQ(a.m[0][0], 10.0f * r);
  // Dividing by zero is not tested: infinities and NaN (0 * inf).
  Matrix4 z = Identity() / 0.0f;
  EXPECT_TRUE(isinf(z.m[0][0]));
  EXPECT_TRUE(isnan(z.m[0][1]));

  Vector4 v(10.0f, 7.0f, 0.0f, 1.0f);
  Vector4 vq = v / 3.0f;
  EXPECT_EQ(vq.x, 10.0f * r);
  v /= 3.0f;
  EXPECT_EQ(v.y, 7.0f * r);
}

TEST(Matrix4, ToleranceEquality)
{
  // Elements differing by 0.000009 are equal, by 0.00002 unequal; a NaN
  // element makes the matrices unequal, even to themselves.
  Matrix4 a = Identity();
  Matrix4 b = Identity();
  b.m[2][3] = 0.000009f;
  EXPECT_TRUE(a == b);
  EXPECT_FALSE(a != b);
  b.m[2][3] = 0.00002f;
  EXPECT_FALSE(a == b);
  EXPECT_TRUE(a != b);
  Matrix4 n = Identity();
  n.m[3][3] = NAN;
  EXPECT_FALSE(n == n);
  EXPECT_TRUE(n != n);
}

TEST(Vector4, ArithmeticAndNegation)
{
  Vector4 a(1, 2, 3, 4), b(10, 20, 30, 40);
  Vector4 s = a + b;
  EXPECT_EQ(s.w, 44.0f);
  Vector4 d = b - a;
  EXPECT_EQ(d.x, 9.0f);
  EXPECT_EQ(d.w, 36.0f);
  Vector4 m = a * 3.0f;
  EXPECT_EQ(m.z, 9.0f);
  Vector4 c = a;
  c += b;
  EXPECT_TRUE(c == s);
  c -= b;
  EXPECT_TRUE(c == a);
  c *= 2.0f;
  EXPECT_EQ(c.w, 8.0f);
  // Negation flips every sign bit, w included: 0 becomes -0.
  Vector4 n = -Vector4();
  EXPECT_TRUE(signbit(n.x) && signbit(n.y) && signbit(n.z) && signbit(n.w));
  EXPECT_EQ((-a).w, -4.0f);
}

TEST(Vector4, DotCrossLength)
{
  // Dot ignores w; Length and LengthSq count it.
  Vector4 a(1, 2, 3, 100), b(4, 5, 6, 100);
  EXPECT_EQ(a.Dot(b), 32.0f);
  Vector4 wOnly(0, 0, 0, 2);
  EXPECT_EQ(wOnly.Length(), 2.0f);
  EXPECT_EQ(wOnly.Dot(wOnly), 0.0f);
  EXPECT_EQ(Vector4(3, 4, 0, 0).Length(), 5.0f);
  EXPECT_EQ(Vector4(1, 2, 3, 4).LengthSq(), 30.0f);
  // Cross: x cross y = z, with w = 0 whatever the inputs' w.
  Vector4 z = Vector4(1, 0, 0, 5).Cross(Vector4(0, 1, 0, 5));
  EXPECT_EQ(z.x, 0.0f);
  EXPECT_EQ(z.y, 0.0f);
  EXPECT_EQ(z.z, 1.0f);
  EXPECT_EQ(z.w, 0.0f);
  Vector4 c = a.Cross(b);
  EXPECT_EQ(c.x, 2 * 6 - 3 * 5.0f);
  EXPECT_EQ(c.y, 3 * 4 - 1 * 6.0f);
  EXPECT_EQ(c.z, 1 * 5 - 2 * 4.0f);
}

TEST(Vector4, Normalize)
{
  // Tiny length: unchanged. w alone: (0,0,0,1). True division per component.
  Vector4 tiny(0.000001f, 0, 0, 0);
  tiny.Normalize();
  EXPECT_EQ(tiny.x, 0.000001f);
  Vector4 w(0, 0, 0, 4);
  w.Normalize();
  EXPECT_EQ(w.w, 1.0f);
  Vector4 v(1, 1, 1, 0);
  float len = sqrtf(3.0f);
  v.Normalize();
  EXPECT_EQ(v.x, 1.0f / len);
  Vector4 zero;
  zero.Normalize();
  EXPECT_EQ(zero.x, 0.0f);
}

TEST(Vector4, ToleranceEquality)
{
  // Components differing by 0.000009 compare equal, by 0.00002 unequal; the
  // last component (w) counts.
  Vector4 a(1, 2, 3, 4);
  EXPECT_TRUE(a == Vector4(1.000009f, 2, 3, 4));
  EXPECT_FALSE(a == Vector4(1, 2, 3, 4.00002f));
  EXPECT_TRUE(a != Vector4(1, 2, 3, 4.00002f));
  Vector4 n(NAN, 0, 0, 0);
  EXPECT_FALSE(n == n);
}

TEST(Point4, MixedOperators)
{
  // Point minus point is a vector with w = 0.
  Vector4 d = Point4(1, 2, 3, 1) - Point4(0, 0, 0, 1);
  EXPECT_TRUE(d == Vector4(1, 2, 3, 0));
  EXPECT_EQ(d.w, 0.0f);
  // Point plus/minus vector is a point, all four components.
  Point4 p(1, 2, 3, 1);
  Point4 q = p + Vector4(1, 1, 1, 1);
  EXPECT_EQ(q.w, 2.0f);
  Point4 r = p - Vector4(1, 1, 1, 1);
  EXPECT_EQ(r.x, 0.0f);
  EXPECT_EQ(r.w, 0.0f);
  p += Vector4(10, 0, 0, 0);
  EXPECT_EQ(p.x, 11.0f);
  p -= Vector4(10, 0, 0, 0);
  EXPECT_TRUE(p == Point4(1, 2, 3, 1));
  // Negation includes w: the default point gives w = -1.
  EXPECT_EQ((-Point4()).w, -1.0f);
  EXPECT_TRUE(signbit((-Point4()).x));
  // Equality uses the tolerance; != is its negation.
  EXPECT_TRUE(Point4(1, 2, 3, 1) == Point4(1.000009f, 2, 3, 1));
  EXPECT_TRUE(Point4(1, 2, 3, 1) != Point4(1, 2, 3, 1.00002f));
  Point4 copy(p), assigned;
  assigned = copy;
  EXPECT_TRUE(assigned == p);
}

TEST(Matrix4, PrintFormats)
{
  // The identity matrix between two lines of 26 hyphens; vectors and points
  // one line of four comma-separated values.
  oxtest::ChildResult result = oxtest::RunInChild([] {
    Matrix4 m;
    m.Identity();
    m.m[0][3] = -12.5f;
    m.Print();
    Vector4(1, -2.25f, 3, 0).Print();
    Point4().Print();
    fflush(stdout);
    return 0;
  });
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out,
            "--------------------------\n"
            "1.000 0.000 0.000 -12.500\n"
            "0.000 1.000 0.000 0.000\n"
            "0.000 0.000 1.000 0.000\n"
            "0.000 0.000 0.000 1.000\n"
            "--------------------------\n"
            "1.000, -2.250, 3.000, 0.000\n"
            "0.000, 0.000, 0.000, 1.000\n");
  EXPECT_EQ(result.err, "");
}
