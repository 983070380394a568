// The drawing area's size in full screen: a game-window size stretched by its
// full-screen scale factor, in whole display pixels. Pure arithmetic.
#pragma once

// The display pixels that gameSize game pixels cover at scale (display size
// over game size, as a float; 1 in windowed mode). Exactly the display's size
// whenever scale was computed from it, for every size up to 2^23; 0 for a
// size or scale below 0 or not a number.
int OxFullScreenPixels(int gameSize, float scale);
