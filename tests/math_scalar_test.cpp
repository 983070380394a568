// Scalar math: the single-precision constants, the bit tricks on powers of
// two, the branch orders that decide NaN results, the 1e-5 tolerance (and
// its widening to double), and OxRandFloat over rand().
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>

#include "OxMath.h"

TEST(Scalar, AngleConversionConstants)
{
  // 180 degrees is the single-precision pi; the factors are the exact floats
  // 0.0174532924 and 57.2957840 (one ulp above the float nearest 180/pi).
  EXPECT_EQ(OxDegToRad(180.0f), 3.14159274f);
  EXPECT_EQ(OxDegToRad(1.0f), 0.0174532924f);
  EXPECT_EQ(OxRadToDeg(1.0f), 57.2957840f);
  EXPECT_NE(OxRadToDeg(1.0f), 57.2957802f);
  // The round trip is close to, not necessarily exactly, 90.
  EXPECT_NEAR(OxRadToDeg(OxDegToRad(90.0f)), 90.0f, 0.0001f);
}

TEST(Scalar, TrigWrappersAddNothing)
{
  // Plain sinf & co.: no range reduction, no clamping (asin(2) is NaN).
  for (float a : {0.0f, 0.5f, -1.25f, 100.0f}) {
    EXPECT_EQ(OxSin(a), sinf(a));
    EXPECT_EQ(OxCos(a), cosf(a));
    EXPECT_EQ(OxTan(a), tanf(a));
    EXPECT_EQ(OxATan(a), atanf(a));
  }
  EXPECT_EQ(OxASin(0.5f), asinf(0.5f));
  EXPECT_EQ(OxACos(0.5f), acosf(0.5f));
  EXPECT_TRUE(isnan(OxASin(2.0f)));
  EXPECT_TRUE(isnan(OxACos(-1.5f)));
}

TEST(Scalar, PowersOfTwo)
{
  // IsPowOf2: 0 is not, 1 and 2^31 are, 6 is not.
  EXPECT_EQ(OxIsPowOf2(0u), 0);
  EXPECT_EQ(OxIsPowOf2(1u), 1);
  EXPECT_EQ(OxIsPowOf2(2147483648u), 1);
  EXPECT_EQ(OxIsPowOf2(6u), 0);
  // NextPowOf2 is strictly greater: powers map up; 2^31 and above wrap to 0.
  EXPECT_EQ(OxNextPowOf2(0u), 1u);
  EXPECT_EQ(OxNextPowOf2(1u), 2u);
  EXPECT_EQ(OxNextPowOf2(5u), 8u);
  EXPECT_EQ(OxNextPowOf2(16u), 32u);
  EXPECT_EQ(OxNextPowOf2(17u), 32u);
  EXPECT_EQ(OxNextPowOf2(2147483647u), 2147483648u);
  EXPECT_EQ(OxNextPowOf2(2147483648u), 0u);
  EXPECT_EQ(OxNextPowOf2(4294967295u), 0u);
  // LogBase2: floor(log2), 0 for 0 and 1, at most 31.
  EXPECT_EQ(OxLogBase2(0u), 0u);
  EXPECT_EQ(OxLogBase2(1u), 0u);
  EXPECT_EQ(OxLogBase2(3u), 1u);
  EXPECT_EQ(OxLogBase2(1023u), 9u);
  EXPECT_EQ(OxLogBase2(1024u), 10u);
  EXPECT_EQ(OxLogBase2(4294967295u), 31u);
}

TEST(Scalar, ClampWrapBranchOrder)
{
  // Clamp: min > x is tested first, so with min > max the lower bound wins.
  EXPECT_EQ(OxClamp(5.0f, 10.0f, 0.0f), 10.0f);
  EXPECT_EQ(OxClamp(-1.0f, 0.0f, 1.0f), 0.0f);
  EXPECT_EQ(OxClamp(2.0f, 0.0f, 1.0f), 1.0f);
  EXPECT_EQ(OxClamp(0.5f, 0.0f, 1.0f), 0.5f);
  EXPECT_TRUE(isnan(OxClamp(NAN, 0.0f, 1.0f)));
  // Wrap shifts once by the width, never modulo; the end x1 stays.
  EXPECT_EQ(OxWrap(12.0f, 0.0f, 10.0f), 2.0f);
  EXPECT_EQ(OxWrap(25.0f, 0.0f, 10.0f), 15.0f);
  EXPECT_EQ(OxWrap(-3.0f, 0.0f, 10.0f), 7.0f);
  EXPECT_EQ(OxWrap(10.0f, 0.0f, 10.0f), 10.0f);
  EXPECT_TRUE(isnan(OxWrap(NAN, 0.0f, 10.0f)));
}

TEST(Scalar, MinMaxInRangeWithNaN)
{
  // Min returns b and Max returns a whenever b > a is false: equal values
  // and NaN on either side.
  EXPECT_EQ(OxMin(1.0f, 2.0f), 1.0f);
  EXPECT_EQ(OxMin(2.0f, 1.0f), 1.0f);
  EXPECT_EQ(OxMax(1.0f, 2.0f), 2.0f);
  EXPECT_TRUE(signbit(OxMin(0.0f, -0.0f)));   // equal: b
  EXPECT_FALSE(signbit(OxMax(0.0f, -0.0f)));  // equal: a
  EXPECT_TRUE(isnan(OxMin(1.0f, NAN)));
  EXPECT_EQ(OxMin(NAN, 1.0f), 1.0f);
  EXPECT_TRUE(isnan(OxMax(NAN, 1.0f)));
  EXPECT_EQ(OxMax(1.0f, NAN), 1.0f);
  // InRange includes both ends; NaN is outside.
  EXPECT_EQ(OxInRange(0.0f, 0.0f, 1.0f), 1);
  EXPECT_EQ(OxInRange(1.0f, 0.0f, 1.0f), 1);
  EXPECT_EQ(OxInRange(1.0001f, 0.0f, 1.0f), 0);
  EXPECT_EQ(OxInRange(NAN, 0.0f, 1.0f), 0);
}

TEST(Scalar, FloatTolerance)
{
  // Zero: strict bounds, the bound itself excluded.
  EXPECT_EQ(OxIsF32Zero(0.00001f), 0);
  EXPECT_EQ(OxIsF32Zero(-0.00001f), 0);
  EXPECT_EQ(OxIsF32Zero(-0.000009f), 1);
  EXPECT_EQ(OxIsF32Zero(-0.0f), 1);
  EXPECT_EQ(OxIsF32Zero(NAN), 0);
  // Equal: absolute, not relative; NaN never equal.
  EXPECT_EQ(OxIsF32Equal(1.0f, 1.000001f), 1);
  EXPECT_EQ(OxIsF32Equal(1.000001f, 1.0f), 1);
  EXPECT_EQ(OxIsF32Equal(1000.0f, 1000.001f), 0);
  EXPECT_EQ(OxIsF32Equal(0.0f, 0.00001f), 0);  // exactly the tolerance: unequal
  EXPECT_EQ(OxIsF32Equal(NAN, NAN), 0);
  EXPECT_EQ(OxIsF32Equal(1.0f, NAN), 0);
  EXPECT_EQ(OxIsF32Equal(INFINITY, INFINITY), 0);  // inf - inf is NaN
}

TEST(Scalar, DoubleToleranceIsWidenedFloat)
{
  // The bound is 1e-5f widened (9.99999975e-6), not the double nearest 1e-5.
  EXPECT_EQ(OxIsF64Zero(0.0000099999), 1);
  EXPECT_EQ(OxIsF64Zero(0.0000099999999), 0);
  EXPECT_EQ(OxIsF64Zero(-0.0000099999), 1);
  EXPECT_EQ(OxIsF64Zero(static_cast<double>(0.00001f)), 0);
  EXPECT_EQ(OxIsF64Equal(1.0, 1.0000099999), 1);
  EXPECT_EQ(OxIsF64Equal(1.0000099999999, 0.0), 0);
  EXPECT_EQ(OxIsF64Equal(0.0, 0.0000099999999), 0);
  EXPECT_EQ(OxIsF64Equal(NAN, 0.0), 0);
}

TEST(Scalar, RandFloatStaysInUnitInterval)
{
  // Each value is the low 15 bits of the next rand() over 32767: never above
  // 1, exactly 1 when those bits are all set, seeded by srand.
  srand(12345);
  int raw[64];
  for (int& r : raw) r = rand();
  srand(12345);
  for (int r : raw) EXPECT_EQ(OxRandFloat(), static_cast<float>(r & 0x7FFF) / 32767.0f);

  srand(1);
  long untilTop = -1;
  for (long i = 0; i < 4000000; ++i)
    if ((rand() & 0x7FFF) == 0x7FFF) {
      untilTop = i;
      break;
    }
  ASSERT_GE(untilTop, 0);
  srand(1);
  float lowest = 2.0f, highest = -1.0f;
  for (long i = 0; i < untilTop; ++i) {
    float value = OxRandFloat();
    lowest = fminf(lowest, value);
    highest = fmaxf(highest, value);
  }
  EXPECT_GE(lowest, 0.0f);
  EXPECT_LT(highest, 1.0f);
  EXPECT_EQ(OxRandFloat(), 1.0f);
}
