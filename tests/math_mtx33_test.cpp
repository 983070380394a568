// OxMtx33: inversion with its singular test, concatenation and the other
// writers with result as an input, the translation and scale appliers, the
// 3.1415 of RotDeg, and the vector products.
#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include "OxMtx33.h"

namespace {

OxMtx33 M(float a, float b, float c, float d, float e, float f, float g, float h, float i)
{
  OxMtx33 m = {{{a, b, c}, {d, e, f}, {g, h, i}}};
  return m;
}

void ExpectMatrix(const OxMtx33& actual, const OxMtx33& expected)
{
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      EXPECT_EQ(actual.m[i][j], expected.m[i][j]) << "element " << i << "," << j;
}

void ExpectNear(const OxMtx33& actual, const OxMtx33& expected)
{
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      EXPECT_NEAR(actual.m[i][j], expected.m[i][j], 1e-5f) << "element " << i << "," << j;
}

OxVec2 V(float x, float y)
{
  OxVec2 v = {x, y};
  return v;
}

}  // namespace

TEST(Mtx33, IdentityTransposeDeterminant)
{
  OxMtx33 id;
  OxMtx33Identity(&id);
  ExpectMatrix(id, M(1, 0, 0, 0, 1, 0, 0, 0, 1));
  // Distinct and in-place transposition agree.
  OxMtx33 a = M(1, 2, 3, 4, 5, 6, 7, 8, 9), t;
  OxMtx33Transpose(&t, &a);
  ExpectMatrix(t, M(1, 4, 7, 2, 5, 8, 3, 6, 9));
  OxMtx33Transpose(&a, &a);
  ExpectMatrix(a, t);
  OxMtx33 d = M(2, 0, 0, 0, 3, 0, 1, 1, 1);
  EXPECT_EQ(OxMtx33Determinant(&d), 6.0f);
  EXPECT_EQ(OxMtx33Determinant(&a), 0.0f);
}

TEST(Mtx33, Inverse)
{
  // Identity: identity, returns 1.
  OxMtx33 id, r;
  OxMtx33Identity(&id);
  EXPECT_EQ(OxMtx33Inverse(&r, &id), 1.0f);
  ExpectMatrix(r, id);
  // Determinant 2: returns 2, and inverse times matrix is the identity.
  OxMtx33 a = M(2, 1, 5, 0, 1, -3, 0, 0, 1), inv, product;
  EXPECT_EQ(OxMtx33Inverse(&inv, &a), 2.0f);
  OxMtx33Concat(&product, &inv, &a);
  ExpectNear(product, id);
  // adj[0][1] = m02 * m21 - m01 * m22 = -1, divided by det.
  EXPECT_EQ(inv.m[0][1], -0.5f);
  EXPECT_EQ(inv.m[0][2], (1.0f * -3.0f - 5.0f * 1.0f) / 2.0f);
  // In place gives the same values.
  OxMtx33 b = a;
  EXPECT_EQ(OxMtx33Inverse(&b, &b), 2.0f);
  ExpectMatrix(b, inv);
  // Zero matrix and determinant 1e-6: returns 0, result untouched.
  OxMtx33 zero = M(0, 0, 0, 0, 0, 0, 0, 0, 0);
  OxMtx33 keep = M(9, 8, 7, 6, 5, 4, 3, 2, 1);
  OxMtx33 out = keep;
  EXPECT_EQ(OxMtx33Inverse(&out, &zero), 0.0f);
  ExpectMatrix(out, keep);
  OxMtx33 tiny = M(0.000001f, 0, 0, 0, 1, 0, 0, 0, 1);
  EXPECT_EQ(OxMtx33Inverse(&out, &tiny), 0.0f);
  ExpectMatrix(out, keep);
  // |det| of 1e-5 squared is just below 1e-10: still singular, either sign;
  // 1e-4 is regular.
  OxMtx33 small = M(-0.0000099f, 0, 0, 0, 1, 0, 0, 0, 1);
  EXPECT_EQ(OxMtx33Inverse(&out, &small), 0.0f);
  OxMtx33 regular = M(0.0001f, 0, 0, 0, 1, 0, 0, 0, 1);
  EXPECT_EQ(OxMtx33Inverse(&out, &regular), 0.0001f);
  EXPECT_EQ(out.m[0][0], 1.0f / 0.0001f);
}

TEST(Mtx33, InvTranspose)
{
  // Regular: the transpose of the inverse, also in place.
  OxMtx33 a = M(2, 1, 5, 0, 1, -3, 0, 0, 1), inv, expected, r;
  OxMtx33Inverse(&inv, &a);
  OxMtx33Transpose(&expected, &inv);
  OxMtx33InvTranspose(&r, &a);
  ExpectMatrix(r, expected);
  OxMtx33InvTranspose(&a, &a);
  ExpectMatrix(a, expected);
  // Singular: result is left exactly as it was (not transposed).
  OxMtx33 singular = M(1, 2, 3, 2, 4, 6, 0, 0, 1);
  OxMtx33 keep = M(1, 2, 3, 4, 5, 6, 7, 8, 9), out = keep;
  OxMtx33InvTranspose(&out, &singular);
  ExpectMatrix(out, keep);
}

TEST(Mtx33, ConcatOrderAndAliasing)
{
  // Trans(5, 0) * Rot(pi/2) maps (1, 0) to about (5, 1): the rotation first.
  OxMtx33 t, rot, r;
  OxMtx33Trans(&t, 5.0f, 0.0f);
  OxMtx33Rot(&rot, 1.57079633f);
  OxMtx33Concat(&r, &t, &rot);
  OxVec2 p = V(1, 0), q;
  OxMtx33MultVec(&q, &r, &p);
  EXPECT_NEAR(q.x, 5.0f, 1e-5f);
  EXPECT_NEAR(q.y, 1.0f, 1e-5f);
  // result == a and result == b give the values of a distinct result.
  OxMtx33 a = M(1, 2, 3, 4, 5, 6, 7, 8, 9), b = M(-1, 0.5f, 2, 3, 1, 0, 0, 0, 1), distinct;
  OxMtx33Concat(&distinct, &a, &b);
  EXPECT_EQ(distinct.m[0][0], 1 * -1.0f + 2 * 3.0f + 3 * 0.0f);
  OxMtx33 ra = a;
  OxMtx33Concat(&ra, &ra, &b);
  ExpectMatrix(ra, distinct);
  OxMtx33 rb = b;
  OxMtx33Concat(&rb, &a, &rb);
  ExpectMatrix(rb, distinct);
  OxMtx33 square = a, expected;
  OxMtx33Concat(&expected, &a, &a);
  OxMtx33Concat(&square, &square, &square);
  ExpectMatrix(square, expected);
}

TEST(Mtx33, TransAndScaleApply)
{
  // TransApply on a rotation only adds to the translation column, also in place.
  OxMtx33 rot, r;
  OxMtx33Rot(&rot, 0.7f);
  OxMtx33TransApply(&r, &rot, 3.0f, -2.0f);
  OxMtx33 expected = rot;
  expected.m[0][2] += 3.0f;
  expected.m[1][2] += -2.0f;
  ExpectMatrix(r, expected);
  OxMtx33TransApply(&rot, &rot, 3.0f, -2.0f);
  ExpectMatrix(rot, expected);
  // ScaleApply (2, 3) on Trans(1, 1): the translation becomes (2, 3).
  OxMtx33 t;
  OxMtx33Trans(&t, 1.0f, 1.0f);
  OxMtx33ScaleApply(&r, &t, 2.0f, 3.0f);
  ExpectMatrix(r, M(2, 0, 2, 0, 3, 3, 0, 0, 1));
  OxMtx33ScaleApply(&t, &t, 2.0f, 3.0f);
  ExpectMatrix(t, r);
  // It equals Scale(x, y) * mtx, third row copied as it is.
  OxMtx33 odd = M(1, 2, 3, 4, 5, 6, 7, 8, 9), s, viaConcat;
  OxMtx33Scale(&s, 2.0f, 3.0f);
  ExpectMatrix(s, M(2, 0, 0, 0, 3, 0, 0, 0, 1));
  OxMtx33Concat(&viaConcat, &s, &odd);
  OxMtx33ScaleApply(&r, &odd, 2.0f, 3.0f);
  ExpectMatrix(r, viaConcat);
}

TEST(Mtx33, SetGetRowsAndColumns)
{
  // SetCol 2 puts 1 in the third row, SetCol 0 puts 0; other columns kept.
  OxMtx33 m = M(1, 2, 3, 4, 5, 6, 7, 8, 9);
  OxVec2 v = V(40, 50);
  OxMtx33SetCol(&m, 2, &v);
  ExpectMatrix(m, M(1, 2, 40, 4, 5, 50, 7, 8, 1));
  OxMtx33SetCol(&m, 0, &v);
  ExpectMatrix(m, M(40, 2, 40, 50, 5, 50, 0, 8, 1));
  OxMtx33 n = M(1, 2, 3, 4, 5, 6, 7, 8, 9);
  OxMtx33SetRow(&n, 1, &v);
  ExpectMatrix(n, M(1, 2, 3, 40, 50, 0, 7, 8, 9));
  OxMtx33SetRow(&n, 2, &v);
  ExpectMatrix(n, M(1, 2, 3, 40, 50, 0, 40, 50, 1));
  OxVec2 out;
  OxMtx33 g = M(1, 2, 3, 4, 5, 6, 7, 8, 9);
  OxMtx33GetCol(&out, &g, 2);
  EXPECT_EQ(out.x, 3.0f);
  EXPECT_EQ(out.y, 6.0f);
  OxMtx33GetRow(&out, &g, 1);
  EXPECT_EQ(out.x, 4.0f);
  EXPECT_EQ(out.y, 5.0f);
}

TEST(Mtx33, RotationsAndRotDeg)
{
  OxMtx33 r;
  OxMtx33Rot(&r, 0.5f);
  ExpectMatrix(r, M(cosf(0.5f), -sinf(0.5f), 0, sinf(0.5f), cosf(0.5f), 0, 0, 0, 1));
  // RotDeg 90 converts with 3.1415: the cosine term is cosf(1.57075), ~4.6e-5.
  OxMtx33RotDeg(&r, 90.0f);
  float angle = (90.0f * 3.1415f) / 180.0f;
  EXPECT_EQ(r.m[0][0], cosf(angle));
  EXPECT_NEAR(r.m[0][0], 4.6e-5f, 1e-6f);
  EXPECT_EQ(r.m[1][0], sinf(angle));
  OxMtx33 exact;
  OxMtx33Rot(&exact, 1.57079633f);
  EXPECT_NE(r.m[0][0], exact.m[0][0]);
}

TEST(Mtx33, MultiplyVectors)
{
  OxMtx33 m = M(2, 1, 10, -1, 3, 20, 99, 99, 99);  // third row never read
  OxVec2 v = V(1, 2), r;
  OxMtx33MultVec(&r, &m, &v);
  EXPECT_EQ(r.x, 14.0f);
  EXPECT_EQ(r.y, 25.0f);
  // SR ignores the translation column.
  OxMtx33MultVecSR(&r, &m, &v);
  EXPECT_EQ(r.x, 4.0f);
  EXPECT_EQ(r.y, 5.0f);
  // In place.
  OxMtx33MultVec(&v, &m, &v);
  EXPECT_EQ(v.x, 14.0f);
  EXPECT_EQ(v.y, 25.0f);
  // Arrays: in place, element by element; count 0 writes nothing.
  OxVec2 list[3] = {V(1, 2), V(0, 0), V(-1, 1)};
  OxMtx33MultVecArray(list, &m, list, 3);
  EXPECT_EQ(list[0].x, 14.0f);
  EXPECT_EQ(list[1].x, 10.0f);
  EXPECT_EQ(list[2].y, 24.0f);
  OxVec2 dirs[2] = {V(1, 2), V(1, 0)};
  OxMtx33MultVecArraySR(dirs, &m, dirs, 2);
  EXPECT_EQ(dirs[0].x, 4.0f);
  EXPECT_EQ(dirs[1].y, -1.0f);
  OxVec2 untouched[1] = {V(7, 8)}, source[1] = {V(1, 1)};
  OxMtx33MultVecArray(untouched, &m, source, 0);
  OxMtx33MultVecArraySR(untouched, &m, source, 0);
  EXPECT_EQ(untouched[0].x, 7.0f);
  EXPECT_EQ(untouched[0].y, 8.0f);
}

TEST(Mtx33, OrthogonalizeChangesNothing)
{
  OxMtx33 a = M(1, 2, 3, 4, 5, 6, 7, 8, NAN), r = M(9, 8, 7, 6, 5, 4, 3, 2, 1);
  OxMtx33 before = r;
  OxMtx33Orthogonalize(&r, &a);
  EXPECT_EQ(memcmp(&r, &before, sizeof r), 0);
}
