// What the sprite family shares with the rest of the graphics module: the
// texture sizes recorded by the texture loaders, and its stop at OxGfxExit.
#pragma once

struct OxGfxTexture;

// Whether the library made this texture and has its size: then *width and
// *height receive it (0 x 0 textures included).
bool OxGfxTextureFindSize(const OxGfxTexture* texture, int* width, int* height);

// What OxGfxTextureSet does for a texture known to be loaded while OpenGL
// runs, without its OpenGL error checks (the draw that follows checks) and
// without setting the sampler to unit 0 when the program already holds 0.
void OxGfxTextureUse(const OxGfxTexture* texture, float offsetX, float offsetY);

// What OxGfxSetTransform does for the 2D transform [a b tx; c d ty].
void OxGfxSetWorld2D(float a, float b, float tx, float c, float d, float ty);

// Frees the meshes the sprite and shape calls keep (while the OpenGL context
// still exists) and forgets which refusals were reported. Called by
// OxGfxExit; the next call after a new OxGfxInit builds them again.
void OxSpriteSystemEnd();
