/* Oxlen Engine scalar math: angle conversion, single-precision trigonometry,
   powers of two, clamping and wrapping, random numbers and the tolerance
   comparisons. Pure functions, callable from any thread (OxRandFloat shares
   the state of the C library's rand()). */
#ifndef OX_MATH_H
#define OX_MATH_H

#include "OxExport.h"

/* The tolerance of every float comparison of the library: 1e-5 as a
   single-precision value (9.99999975e-6). The double tests widen this same
   value to double. */
#define OX_EPSILON 0.00001f

OX_EXTERN_C_BEGIN

/* Degrees to radians: x * 0.0174532924f. */
OX_API float OxDegToRad(float x);
/* Radians to degrees: x * 57.2957840f. */
OX_API float OxRadToDeg(float x);

/* sinf, cosf, tanf of an angle in radians; nothing added, no range reduction. */
OX_API float OxSin(float angle);
OX_API float OxCos(float angle);
OX_API float OxTan(float angle);
/* asinf, acosf, atanf in radians; arguments outside [-1, 1] give NaN as the
   runtime does (not clamped). OxATan is the one-argument form. */
OX_API float OxASin(float x);
OX_API float OxACos(float x);
OX_API float OxATan(float x);

/* 1 when x is a power of two (x != 0 and x & (x - 1) == 0), else 0. */
OX_API int OxIsPowOf2(unsigned int x);
/* The smallest power of two strictly greater than x: 0 -> 1, 4 -> 8, 5 -> 8;
   every x of 2^31 or more gives 0 (wraps). */
OX_API unsigned int OxNextPowOf2(unsigned int x);
/* floor(log2 x) for x >= 1; 0 for x = 0. */
OX_API unsigned int OxLogBase2(unsigned int x);

/* min if min > x, else max if x > max, else x. With min > max the lower
   bound wins for x below min; a NaN x is returned unchanged. */
OX_API float OxClamp(float x, float min, float max);
/* Shifts x by the width (x1 - x0) once when it lies outside [x0, x1]: below
   x0 it gains the width, above x1 it loses it. Not a modulo: a value more
   than one width outside stays outside. A NaN x is returned unchanged. */
OX_API float OxWrap(float x, float x0, float x1);
/* a if b > a, otherwise b (so b for equal or NaN arguments). */
OX_API float OxMin(float a, float b);
/* b if b > a, otherwise a (so a for equal or NaN arguments). */
OX_API float OxMax(float a, float b);
/* 1 when x0 <= x <= x1 (both ends included), else 0; 0 for a NaN x. */
OX_API int OxInRange(float x, float x0, float x1);

/* A random value from 0 to 1, both ends included: one of 32768 evenly
   spaced values, (rand() & 0x7FFF) / 32767. Seed with srand(). */
OX_API float OxRandFloat(void);

/* 1 when -1e-5 < x < 1e-5 (strict), else 0. */
OX_API int OxIsF32Zero(float x);
/* 1 when |a - b| is strictly below 1e-5 (absolute, not relative), else 0;
   0 when either is NaN. */
OX_API int OxIsF32Equal(float a, float b);
/* As OxIsF32Equal in double precision, against 1e-5f widened to double. */
OX_API int OxIsF64Equal(double a, double b);

OX_EXTERN_C_END

/* 1 when -eps < x < eps (strict), eps being 1e-5f widened to double
   (9.99999975e-6), else 0. Exported with its C++ (type-encoded) name. */
OX_API int OxIsF64Zero(double x);

#endif
