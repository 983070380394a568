// The page's WebGL context between two starts of the engine.
#pragma once

// A canvas keeps one WebGL context for the page's life: a context made again
// after OxSysExit is the same one, with the state the last run left. Puts
// the current context back to the state a new OpenGL context starts in.
void OxPlatformWebResetContextState();

// Hands the page back to the browser until its next task, after a frame is
// presented: the canvas is shown and input and sound go on meanwhile. A
// message the page posts to itself comes back at once, where a 0 ms timer
// (SDL's own yield after a swap, which the context's creation turns off)
// is stretched to 4 ms when it is set from a timer's callback, as every
// resumed frame is. Does nothing where the environment turned yields off.
void OxPlatformWebYield();
// Turns SDL's own yield after a buffer swap off: the swap calls
// OxPlatformWebYield instead. The environment variable of SDL's
// (SDL_EMSCRIPTEN_ASYNCIFY=0, for a program that hands control back itself)
// turns both off.
void OxPlatformWebUseOwnYield();
