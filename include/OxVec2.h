/* Oxlen Engine two-dimensional vectors: OxVec2 and its family. Vectors are
   passed by pointer and never checked for null; a function producing a
   vector writes it through its first parameter. Single-precision arithmetic
   in the order documented. No state: callable from any thread on distinct
   data. */
#ifndef OX_VEC2_H
#define OX_VEC2_H

#include "OxExport.h"

/* Two 32-bit floats, x then y, nothing else: an array of OxVec2 is a run of
   alternating x and y values. */
typedef struct OxVec2 {
  float x;
  float y;
} OxVec2;

OX_EXTERN_C_BEGIN

/* result = (0, 0). */
OX_API void OxVec2Zero(OxVec2* result);
/* result = (x, y). */
OX_API void OxVec2Set(OxVec2* result, float x, float y);

/* Each function below stores result.x before it reads any y component, so
   result may be the same object as any input (except as noted). */

/* result = -vec, sign bits flipped: (0, 0) gives (-0, -0). */
OX_API void OxVec2Neg(OxVec2* result, const OxVec2* vec);
/* result = a + b. */
OX_API void OxVec2Add(OxVec2* result, const OxVec2* a, const OxVec2* b);
/* result = a - b. */
OX_API void OxVec2Sub(OxVec2* result, const OxVec2* a, const OxVec2* b);
/* result = vec times 1 / |vec|. No test for zero: a zero vector gives
   (NaN, NaN); test the length first when it may be zero. */
OX_API void OxVec2Normalize(OxVec2* result, const OxVec2* vec);
/* result = s * vec. */
OX_API void OxVec2Scale(OxVec2* result, const OxVec2* vec, float s);
/* result = s * a + b. */
OX_API void OxVec2ScaleAdd(OxVec2* result, const OxVec2* a, const OxVec2* b, float s);
/* result = s * a - b (not a - s * b). */
OX_API void OxVec2ScaleSub(OxVec2* result, const OxVec2* a, const OxVec2* b, float s);
/* The component of vec along onto, whatever onto's length; a zero onto
   gives (NaN, NaN). */
OX_API void OxVec2Project(OxVec2* result, const OxVec2* vec, const OxVec2* onto);
/* The component of vec perpendicular to onto: vec - Project(vec, onto).
   result may be vec or onto. */
OX_API void OxVec2ProjectPerp(OxVec2* result, const OxVec2* vec, const OxVec2* onto);
/* result = a + (b - a) * t; t is not clamped (extrapolates outside 0..1). */
OX_API void OxVec2Lerp(OxVec2* result, const OxVec2* a, const OxVec2* b, float t);

/* sqrtf(x * x + y * y). */
OX_API float OxVec2Length(const OxVec2* vec);
/* x * x + y * y. */
OX_API float OxVec2SquareLength(const OxVec2* vec);
/* |a - b|. */
OX_API float OxVec2Distance(const OxVec2* a, const OxVec2* b);
/* |a - b| squared. */
OX_API float OxVec2SquareDistance(const OxVec2* a, const OxVec2* b);
/* a.x * b.x + a.y * b.y. */
OX_API float OxVec2DotProduct(const OxVec2* a, const OxVec2* b);
/* a.x * b.y - b.x * a.y: positive when b lies counter-clockwise of a. */
OX_API float OxVec2CrossProductMag(const OxVec2* a, const OxVec2* b);
/* result = (cosf(angle), sinf(angle)), angle in radians. */
OX_API void OxVec2FromAngle(OxVec2* result, float angle);
/* a + b with two's-complement wrap-around; touches no vector. */
OX_API int OxVec2Test(int a, int b);

OX_EXTERN_C_END

#endif
