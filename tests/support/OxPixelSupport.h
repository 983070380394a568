// Pixel readback for display tests: what the back buffer holds after drawing
// and before the frame is presented.
#pragma once
#include <ostream>
#include <vector>

namespace oxtest {

// One pixel as bytes, red, green, blue, alpha.
struct Pixel {
  int r, g, b, a;
};

std::ostream& operator<<(std::ostream& out, const Pixel& pixel);

// The back buffer's pixel at (x, y), counted from the bottom-left corner as
// OpenGL does. Needs the library's context current (after OxSysInit).
Pixel ReadPixel(int x, int y);

// The back buffer's width x height pixels from the bottom-left corner, RGBA
// bytes, rows tightly packed, the bottom row first.
std::vector<unsigned char> ReadFrame(int width, int height);

// Whether red, green and blue are each within tolerance of the bytes given.
bool IsColour(const Pixel& pixel, int r, int g, int b, int tolerance = 2);

}  // namespace oxtest
