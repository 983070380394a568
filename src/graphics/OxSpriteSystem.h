// What the sprite family shares with the rest of the graphics module: the
// texture sizes recorded by the texture loaders, and its stop at OxGfxExit.
#pragma once

struct OxGfxTexture;

// Whether the library made this texture and has its size: then *width and
// *height receive it (0 x 0 textures included).
bool OxGfxTextureFindSize(const OxGfxTexture* texture, int* width, int* height);

// Frees the meshes the sprite and shape calls keep (while the OpenGL context
// still exists) and forgets which refusals were reported. Called by
// OxGfxExit; the next call after a new OxGfxInit builds them again.
void OxSpriteSystemEnd();
