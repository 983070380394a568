/* Oxlen Engine sprites and shapes: textures, regions of them, rectangles,
   lines and circles drawn in one call each, in world pixels.

   Coordinates: world pixels, the space of meshes drawn with
   OxGfxSetTransform: x to the right, y up, the camera (OxGfxSetCamPosition)
   at the window's centre. The window shows gOxWinMinX..gOxWinMaxX by
   gOxWinMinY..gOxWinMaxY; window pixel column i covers x from
   gOxWinMinX + i to gOxWinMinX + i + 1, so with an even window size and a
   camera on whole numbers, whole-number coordinates fall on pixel edges and
   a rectangle of whole numbers covers whole pixels. Moving the camera moves
   everything drawn here. The cursor (window pixels, y down) in world pixels,
   the top-left corner of its pixel:
     worldX = OxGfxGetWinMinX() + cursorX; worldY = OxGfxGetWinMaxY() - cursorY;
   Textures are addressed in texel pixels from their top-left texel, as
   images are; a rectangle in the world, and a sprite drawn without an
   origin, extends right and up from its bottom-left corner (x, y).

   Render state: every call here sets, and leaves set, the render mode
   (OxGfxRenderModeTexture for sprites, OxGfxRenderModeColor for shapes),
   the world transform of that program (its own; set the game's again
   before drawing meshes), that program's four colour values (transparency
   1, blend colour (0, 0, 0, 0), multiply colour the tint or the shape's
   colour, add colour (0, 0, 0, 0)), and for sprites the texture on unit 0
   with a texture offset. Nothing is saved or restored. The blend mode, the
   camera and the texture filter stay the game's: set OxGfxBlendModeBlend
   for translucent texels, tints or colours (OpenGL starts with blending
   off), OxGfxBlendModeAdd for glows.

   Every draw goes through OxGfxMeshDraw with meshes the library keeps, so
   with OxGfxSetBatching(1) consecutive sprites of one texture, and
   consecutive shapes, merge into one OpenGL draw.

   Results: 1 when the call was carried out (also when there is nothing to
   draw: a zero size, thickness, radius, length or scale); 0 when it was
   refused, drawing and changing nothing. Each kind of refusal prints one
   line the first time it happens while graphics runs:
     "Sprite: graphics not running\n", "Shape: graphics not running\n":
       before OxGfxInit or after OxGfxExit;
     "Sprite: no texture\n": null, or a record the library did not make;
     "Sprite: negative size\n": a region with a negative width or height;
     "Sprite: region outside the texture\n": no texel of the region is in it;
     "Sprite: number not finite\n", "Shape: number not finite\n": a NaN or
       infinite argument (also a line whose length overflows);
     "Shape: negative size\n": a negative width, height, thickness or radius.
   Every function belongs to the game's thread; call them between OxGfxStart
   and OxGfxEnd (OxSysFrameStart and OxSysFrameEnd). */
#ifndef OX_SPRITE_H
#define OX_SPRITE_H

#include "OxExport.h"
#include "OxGraphics.h"

/* A rectangle of texels: x, y of its top-left texel counted from the
   texture's top-left, width and height in texels. */
typedef struct OxSpriteRegion {
  int x;
  int y;
  int width;
  int height;
} OxSpriteRegion;

OX_EXTERN_C_BEGIN

/* ---- Texture sizes ---------------------------------------------------------- */

/* The width and height in texels of a texture made by OxGfxTextureLoad or
   OxGfxTextureLoadFromMemory; 0 for null, an unloaded texture, or a record
   the library did not make. */
OX_API int OxGfxTextureGetWidth(const OxGfxTexture* texture);
OX_API int OxGfxTextureGetHeight(const OxGfxTexture* texture);

/* ---- Sprites ------------------------------------------------------------------ */

/* Draws the whole texture one texel to a pixel, its bottom-left corner at
   (x, y), untinted. Same as OxSpriteDrawEx(texture, NULL, x, y, 0, 0, 1, 1,
   0, 0xFFFFFFFF). */
OX_API int OxSpriteDraw(OxGfxTexture* texture, float x, float y);
/* Draws a region of the texture (null: the whole texture) one texel to a
   pixel, its bottom-left corner at (x, y), untinted. */
OX_API int OxSpriteDrawRegion(OxGfxTexture* texture, const OxSpriteRegion* region, float x,
                              float y);
/* Draws a region of the texture (null: the whole texture) so that its
   origin lands on (x, y). originX, originY: the pivot in the region's
   pixels from its bottom-left corner, y up ((w / 2, h / 2) is the centre,
   (w / 2, 0) the middle of the bottom edge). scaleX, scaleY stretch the
   sprite about the origin (negative values mirror it, 0 draws nothing);
   rotation turns it counter-clockwise about the origin, in radians as
   OxMtx33Rot and OxSin take them (OxDegToRad converts). tint: 0xAARRGGBB,
   as OxGfxVertexAdd packs colours, multiplies each texel (0xFFFFFFFF
   leaves it as it is; the alpha shows only with blending on).
   A region that reaches past the texture's edges is cut to the texels
   inside it, which keep their place (the origin still counts from the
   whole region's corner). The texture's own filter (OxGfxSetTextureMode)
   samples it; nearest filtering and whole-number placement, scale 1 and
   rotation 0 give each texel exactly one pixel.
   The draw is one OxGfxMeshDraw of a kept 6-vertex square (0..1) whose
   texture coordinates span the region's size, with the region's top-left
   as the texture offset (OxGfxTextureSet) and the world transform
   Trans(x, y) Rot(rotation) Scale(scaleX, scaleY) Trans(-originX, -originY)
   Scale(width, height) (column vectors, the rightmost acting first). */
OX_API int OxSpriteDrawEx(OxGfxTexture* texture, const OxSpriteRegion* region, float x, float y,
                          float originX, float originY, float scaleX, float scaleY, float rotation,
                          unsigned int tint);

/* ---- Shapes ------------------------------------------------------------------- */

/* Fills the rectangle from (x, y) to (x + width, y + height) with colour
   (0xAARRGGBB). */
OX_API int OxShapeFillRect(float x, float y, float width, float height, unsigned int color);
/* Draws the rectangle's border, thickness pixels wide inside its edges (the
   outer edges are those OxShapeFillRect fills); a thickness of half the
   smaller side or more fills it. Four draws, which do not overlap. */
OX_API int OxShapeOutlineRect(float x, float y, float width, float height, float thickness,
                              unsigned int color);
/* Draws a line from (x0, y0) to (x1, y1), thickness pixels wide, centred on
   the segment, with square ends at the two points (no caps). */
OX_API int OxShapeDrawLine(float x0, float y0, float x1, float y1, float thickness,
                           unsigned int color);
/* Fills the circle about (x, y) as a polygon of 16 to 256 corners on the
   circle, more for larger radii (its edges stray at most a quarter of a
   pixel inside the circle up to a radius of 830). One draw. */
OX_API int OxShapeFillCircle(float x, float y, float radius, unsigned int color);
/* Draws the circle's ring, thickness pixels wide inside radius, with the
   corners OxShapeFillCircle uses; a thickness of radius or more fills the
   circle. Two draws per corner, which merge with batching on. */
OX_API int OxShapeOutlineCircle(float x, float y, float radius, float thickness,
                                unsigned int color);

OX_EXTERN_C_END

#endif
