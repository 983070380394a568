// OxVec2: exact results of the documented formulas, IEEE results for the
// degenerate cases (NaN from a zero vector, negative zero from Neg), and
// result passed as one of the inputs.
#include <gtest/gtest.h>

#include <math.h>

#include "OxVec2.h"

namespace {

OxVec2 V(float x, float y)
{
  OxVec2 v;
  v.x = x;
  v.y = y;
  return v;
}

}  // namespace

TEST(Vec2, SetZeroNeg)
{
  OxVec2 r;
  OxVec2Set(&r, 3.0f, -4.0f);
  EXPECT_EQ(r.x, 3.0f);
  EXPECT_EQ(r.y, -4.0f);
  OxVec2Neg(&r, &r);  // in place
  EXPECT_EQ(r.x, -3.0f);
  EXPECT_EQ(r.y, 4.0f);
  // Neg of (0, 0) is (-0, -0).
  OxVec2Zero(&r);
  EXPECT_EQ(r.x, 0.0f);
  EXPECT_FALSE(signbit(r.x));
  OxVec2Neg(&r, &r);
  EXPECT_TRUE(signbit(r.x));
  EXPECT_TRUE(signbit(r.y));
}

TEST(Vec2, AddSubScaleWithAliasing)
{
  OxVec2 a = V(1, 2), b = V(10, 20), r;
  OxVec2Add(&r, &a, &b);
  EXPECT_EQ(r.x, 11.0f);
  EXPECT_EQ(r.y, 22.0f);
  OxVec2Sub(&r, &a, &b);
  EXPECT_EQ(r.x, -9.0f);
  EXPECT_EQ(r.y, -18.0f);
  // result is an input: a = a + a, then b = a - b.
  OxVec2Add(&a, &a, &a);
  EXPECT_EQ(a.x, 2.0f);
  EXPECT_EQ(a.y, 4.0f);
  OxVec2Sub(&b, &a, &b);
  EXPECT_EQ(b.x, -8.0f);
  EXPECT_EQ(b.y, -16.0f);
  OxVec2Scale(&a, &a, 0.5f);
  EXPECT_EQ(a.x, 1.0f);
  EXPECT_EQ(a.y, 2.0f);
}

TEST(Vec2, ScaleAddScaleSubOrder)
{
  // ScaleAdd is s * a + b; ScaleSub is s * a - b (not a - s * b).
  OxVec2 a = V(1, 2), b = V(10, 20), r;
  OxVec2ScaleAdd(&r, &a, &b, 3.0f);
  EXPECT_EQ(r.x, 13.0f);
  EXPECT_EQ(r.y, 26.0f);
  OxVec2ScaleSub(&r, &a, &b, 3.0f);
  EXPECT_EQ(r.x, -7.0f);
  EXPECT_EQ(r.y, -14.0f);
  // Aliasing with either input.
  OxVec2ScaleSub(&b, &a, &b, 3.0f);
  EXPECT_EQ(b.x, -7.0f);
  EXPECT_EQ(b.y, -14.0f);
  OxVec2ScaleAdd(&a, &a, &a, 2.0f);
  EXPECT_EQ(a.x, 3.0f);
  EXPECT_EQ(a.y, 6.0f);
}

TEST(Vec2, Normalize)
{
  // (3, 4) -> (0.6, 0.8) as inv * component; (0, 0) -> NaN; in place works.
  OxVec2 v = V(3, 4), r;
  OxVec2Normalize(&r, &v);
  EXPECT_EQ(r.x, (1.0f / 5.0f) * 3.0f);
  EXPECT_EQ(r.y, (1.0f / 5.0f) * 4.0f);
  EXPECT_FLOAT_EQ(r.x, 0.6f);
  OxVec2Normalize(&v, &v);
  EXPECT_EQ(v.x, r.x);
  EXPECT_EQ(v.y, r.y);
  OxVec2 zero = V(0, 0);
  OxVec2Normalize(&r, &zero);
  EXPECT_TRUE(isnan(r.x));
  EXPECT_TRUE(isnan(r.y));
}

TEST(Vec2, ProjectAndPerp)
{
  // (2, 3) onto (10, 0): (2, 0); perpendicular part (0, 3); onto (0, 0): NaN.
  OxVec2 vec = V(2, 3), onto = V(10, 0), r;
  OxVec2Project(&r, &vec, &onto);
  EXPECT_EQ(r.x, 2.0f);
  EXPECT_EQ(r.y, 0.0f);
  EXPECT_EQ(onto.x, 10.0f);  // onto not changed
  OxVec2ProjectPerp(&r, &vec, &onto);
  EXPECT_EQ(r.x, 0.0f);
  EXPECT_EQ(r.y, 3.0f);
  OxVec2 zero = V(0, 0);
  OxVec2Project(&r, &vec, &zero);
  EXPECT_TRUE(isnan(r.x));
  EXPECT_TRUE(isnan(r.y));

  // Aliasing: Project into vec and into onto; ProjectPerp into onto and,
  // safely here, into vec too.
  OxVec2 v1 = V(2, 3);
  OxVec2Project(&v1, &v1, &onto);
  EXPECT_EQ(v1.x, 2.0f);
  EXPECT_EQ(v1.y, 0.0f);
  OxVec2 o1 = V(10, 0);
  OxVec2Project(&o1, &vec, &o1);
  EXPECT_EQ(o1.x, 2.0f);
  OxVec2 o2 = V(10, 0);
  OxVec2ProjectPerp(&o2, &vec, &o2);
  EXPECT_EQ(o2.x, 0.0f);
  EXPECT_EQ(o2.y, 3.0f);
  OxVec2 v2 = V(2, 3);
  OxVec2ProjectPerp(&v2, &v2, &onto);
  EXPECT_EQ(v2.x, 0.0f);
  EXPECT_EQ(v2.y, 3.0f);
}

TEST(Vec2, LerpExtrapolates)
{
  // t = 0.5, 2 and -1 from (0, 0) to (10, 20); t = 0 gives a exactly.
  OxVec2 a = V(0, 0), b = V(10, 20), r;
  OxVec2Lerp(&r, &a, &b, 0.5f);
  EXPECT_EQ(r.x, 5.0f);
  EXPECT_EQ(r.y, 10.0f);
  OxVec2Lerp(&r, &a, &b, 2.0f);
  EXPECT_EQ(r.x, 20.0f);
  EXPECT_EQ(r.y, 40.0f);
  OxVec2Lerp(&r, &a, &b, -1.0f);
  EXPECT_EQ(r.x, -10.0f);
  EXPECT_EQ(r.y, -20.0f);
  OxVec2 c = V(0.1f, 1e8f), d = V(0.7f, -3.0f);
  OxVec2Lerp(&r, &c, &d, 0.0f);
  EXPECT_EQ(r.x, 0.1f);
  EXPECT_EQ(r.y, 1e8f);
  // a + (b - a) * t, not (1 - t) * a + t * b.
  OxVec2Lerp(&r, &c, &d, 0.3f);
  EXPECT_EQ(r.x, 0.1f + (0.7f - 0.1f) * 0.3f);
  // result is a.
  OxVec2Lerp(&a, &a, &b, 0.5f);
  EXPECT_EQ(a.y, 10.0f);
}

TEST(Vec2, LengthsDotCross)
{
  OxVec2 a = V(3, 4), b = V(0, 0), ex = V(1, 0), ey = V(0, 1);
  EXPECT_EQ(OxVec2Length(&a), 5.0f);
  EXPECT_EQ(OxVec2SquareLength(&a), 25.0f);
  EXPECT_EQ(OxVec2Distance(&a, &b), 5.0f);
  EXPECT_EQ(OxVec2SquareDistance(&b, &a), 25.0f);
  EXPECT_EQ(OxVec2DotProduct(&a, &a), 25.0f);
  // Cross: positive when b is counter-clockwise of a.
  EXPECT_EQ(OxVec2CrossProductMag(&ex, &ey), 1.0f);
  EXPECT_EQ(OxVec2CrossProductMag(&ey, &ex), -1.0f);
  // Huge components overflow to infinity.
  OxVec2 huge = V(3e38f, 3e38f);
  EXPECT_TRUE(isinf(OxVec2Length(&huge)));
}

TEST(Vec2, FromAngleAndTest)
{
  OxVec2 r;
  OxVec2FromAngle(&r, 0.0f);
  EXPECT_EQ(r.x, 1.0f);
  EXPECT_EQ(r.y, 0.0f);
  // pi/2 in single precision: x is cosf of it, tiny but not 0.
  OxVec2FromAngle(&r, 1.57079633f);
  EXPECT_EQ(r.x, cosf(1.57079633f));
  EXPECT_NE(r.x, 0.0f);
  EXPECT_EQ(r.y, 1.0f);
  // Two's-complement wrap-around.
  EXPECT_EQ(OxVec2Test(2147483647, 1), -2147483647 - 1);
  EXPECT_EQ(OxVec2Test(-5, 3), -2);
}
