// Reading the frame back: the back buffer's pixels as the screen shows them,
// whatever pixel-pack, pixel-transfer and read state the game left in
// OpenGL. Implemented once for desktop OpenGL (src/platform/opengl/) and once
// for WebGL, which has none of that state.
#pragma once

// Reads the width x height pixels at the bottom-left corner of the window's
// back buffer into pixels, which holds width * height * 3 bytes: red, green
// and blue bytes, rows tightly packed, the bottom row first as OpenGL counts
// them. For the read, every state that would change what lands in pixels or
// where it goes is made neutral: a bound pixel-pack buffer or read
// framebuffer, the read buffer, the pack row length, skips, alignment and
// inversion, and the pixel-transfer scales, biases, colour maps and (where
// the driver has them) imaging stages. All of it is put back as it was
// afterwards, so the game's OpenGL state is unchanged. Needs a current
// context with the OpenGL 2.0 entry points loaded, and width and height
// within the window.
void OxPlatformReadBackBuffer(int width, int height, unsigned char* pixels);
