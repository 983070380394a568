// The OxVec2 family: two-dimensional vector arithmetic in single precision.
// Leans on sqrtf, sinf and cosf only. Every writer stores x before reading
// any y, which is what makes result == input safe.
#include "OxVec2.h"

#include <math.h>

void OxVec2Zero(OxVec2* result)
{
  result->x = 0.0f;
  result->y = 0.0f;
}

void OxVec2Set(OxVec2* result, float x, float y)
{
  result->x = x;
  result->y = y;
}

void OxVec2Neg(OxVec2* result, const OxVec2* vec)
{
  result->x = -vec->x;
  result->y = -vec->y;
}

void OxVec2Add(OxVec2* result, const OxVec2* a, const OxVec2* b)
{
  result->x = a->x + b->x;
  result->y = a->y + b->y;
}

void OxVec2Sub(OxVec2* result, const OxVec2* a, const OxVec2* b)
{
  result->x = a->x - b->x;
  result->y = a->y - b->y;
}

// One division for the reciprocal, then two multiplications; no zero test.
void OxVec2Normalize(OxVec2* result, const OxVec2* vec)
{
  float len = OxVec2Length(vec);
  float inv = 1.0f / len;
  result->x = inv * vec->x;
  result->y = inv * vec->y;
}

void OxVec2Scale(OxVec2* result, const OxVec2* vec, float s)
{
  result->x = s * vec->x;
  result->y = s * vec->y;
}

void OxVec2ScaleAdd(OxVec2* result, const OxVec2* a, const OxVec2* b, float s)
{
  result->x = s * a->x + b->x;
  result->y = s * a->y + b->y;
}

void OxVec2ScaleSub(OxVec2* result, const OxVec2* a, const OxVec2* b, float s)
{
  result->x = s * a->x - b->x;
  result->y = s * a->y - b->y;
}

void OxVec2Project(OxVec2* result, const OxVec2* vec, const OxVec2* onto)
{
  OxVec2 n;
  OxVec2Normalize(&n, onto);
  float d = OxVec2DotProduct(vec, &n);
  OxVec2Scale(result, &n, d);
}

// The projection goes into a temporary first, so result may also be vec;
// for distinct objects this is the same arithmetic as projecting into result.
void OxVec2ProjectPerp(OxVec2* result, const OxVec2* vec, const OxVec2* onto)
{
  OxVec2 projection;
  OxVec2Project(&projection, vec, onto);
  OxVec2Sub(result, vec, &projection);
}

// The difference first, times t, plus a: t = 0 gives a exactly.
void OxVec2Lerp(OxVec2* result, const OxVec2* a, const OxVec2* b, float t)
{
  result->x = a->x + (b->x - a->x) * t;
  result->y = a->y + (b->y - a->y) * t;
}

float OxVec2Length(const OxVec2* vec) { return sqrtf(vec->x * vec->x + vec->y * vec->y); }

float OxVec2SquareLength(const OxVec2* vec) { return vec->x * vec->x + vec->y * vec->y; }

float OxVec2Distance(const OxVec2* a, const OxVec2* b)
{
  float dx = a->x - b->x;
  float dy = a->y - b->y;
  return sqrtf(dx * dx + dy * dy);
}

float OxVec2SquareDistance(const OxVec2* a, const OxVec2* b)
{
  float dx = a->x - b->x;
  float dy = a->y - b->y;
  return dx * dx + dy * dy;
}

float OxVec2DotProduct(const OxVec2* a, const OxVec2* b) { return a->x * b->x + a->y * b->y; }

float OxVec2CrossProductMag(const OxVec2* a, const OxVec2* b) { return a->x * b->y - b->x * a->y; }

void OxVec2FromAngle(OxVec2* result, float angle)
{
  result->x = cosf(angle);
  result->y = sinf(angle);
}

// Added as unsigned so the wrap-around is defined behaviour.
int OxVec2Test(int a, int b)
{
  return static_cast<int>(static_cast<unsigned int>(a) + static_cast<unsigned int>(b));
}
