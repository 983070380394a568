// Scalar math: angle conversion, trigonometric wrappers, powers of two,
// clamping, random numbers and the 1e-5 tolerance tests. Leans on <math.h>
// single-precision functions and the C library's rand().
#include "OxMath.h"

#include <math.h>
#include <stdlib.h>

namespace {

const float kDegToRad = 0.0174532924f;
const float kRadToDeg = 57.2957840f;
const float kRandDivisor = 32767.0f;
// The single-precision tolerance widened to double, not the double nearest 1e-5.
const double kEpsilon64 = static_cast<double>(OX_EPSILON);

}  // namespace

float OxDegToRad(float x) { return x * kDegToRad; }
float OxRadToDeg(float x) { return x * kRadToDeg; }

float OxSin(float angle) { return sinf(angle); }
float OxCos(float angle) { return cosf(angle); }
float OxTan(float angle) { return tanf(angle); }
float OxASin(float x) { return asinf(x); }
float OxACos(float x) { return acosf(x); }
float OxATan(float x) { return atanf(x); }

int OxIsPowOf2(unsigned int x) { return (x != 0 && (x & (x - 1)) == 0) ? 1 : 0; }

// No decrement before the bit smearing, so a power of two maps to the next one.
unsigned int OxNextPowOf2(unsigned int x)
{
  x = x | (x >> 1);
  x = x | (x >> 2);
  x = x | (x >> 4);
  x = x | (x >> 8);
  x = x | (x >> 16);
  return x + 1u;
}

unsigned int OxLogBase2(unsigned int x)
{
  x = x >> 1;
  unsigned int n = 0;
  while ((x >> n) != 0) ++n;
  return n;
}

// The comparison order decides the result for min > max and NaN inputs.
float OxClamp(float x, float min, float max)
{
  if (min > x) return min;
  if (x > max) return max;
  return x;
}

float OxWrap(float x, float x0, float x1)
{
  if (x0 > x) return x + (x1 - x0);
  if (x > x1) return x - (x1 - x0);
  return x;
}

float OxMin(float a, float b) { return (b > a) ? a : b; }
float OxMax(float a, float b) { return (b > a) ? b : a; }

int OxInRange(float x, float x0, float x1) { return (x >= x0 && x <= x1) ? 1 : 0; }

// rand() reaches RAND_MAX (far above 32767) here; keeping the low 15 bits
// gives 32768 evenly spaced values from 0 to exactly 1, still seeded by srand.
float OxRandFloat(void)
{
  return static_cast<float>(rand() & 0x7FFF) / kRandDivisor;
}

int OxIsF32Zero(float x) { return (x > -OX_EPSILON && x < OX_EPSILON) ? 1 : 0; }

int OxIsF32Equal(float a, float b)
{
  float difference = (a >= b) ? a - b : b - a;
  return (OX_EPSILON > difference) ? 1 : 0;
}

int OxIsF64Zero(double x) { return (x > -kEpsilon64 && x < kEpsilon64) ? 1 : 0; }

int OxIsF64Equal(double a, double b)
{
  double difference = (a >= b) ? a - b : b - a;
  return (kEpsilon64 > difference) ? 1 : 0;
}
