// Reading back what has been drawn: the back buffer of the current context
// as tightly packed 8-bit RGBA rows, bottom row first, whatever pixel-pack
// state the game has set, which is put back afterwards. Implemented once for
// desktop OpenGL (src/platform/opengl/) and once for WebGL.
#pragma once

// Reads the width x height pixels from the lower-left corner into rgba
// (4 * width * height bytes).
void OxPlatformReadBackBuffer(int width, int height, unsigned char* rgba);
