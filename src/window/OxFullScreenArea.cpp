// The full-screen drawing area's size. Leans on nothing.
#include "window/OxFullScreenArea.h"

#include <limits.h>
#include <math.h>

// The factor is the display size over the game size rounded to a float, off
// by at most one part in 2^24; the product, taken in double precision, is
// then within half a pixel of the display size, and rounding to the nearest
// whole pixel gives it back exactly. Truncating instead lost the last pixel
// whenever the factor had been rounded down.
int OxFullScreenPixels(int gameSize, float scale)
{
  double pixels = static_cast<double>(gameSize) * static_cast<double>(scale);
  if (!(pixels >= 0.0)) return 0;
  if (pixels >= static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(lround(pixels));
}
