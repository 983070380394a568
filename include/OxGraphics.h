/* Oxlen Engine graphics: the OpenGL context and frame, the render state, the
   camera and world transform, and meshes.
   Every function here belongs to the game's thread: the thread that called
   OxSysInit, on which the OpenGL context is current. Pointers are not tested
   for null unless a function says so. */
#ifndef OX_GRAPHICS_H
#define OX_GRAPHICS_H

#include "OxExport.h"

/* The 3x3 and 4x4 matrices taken by the world-transform setters. */
struct OxMtx33;
struct Matrix4;

/* Render modes: which built-in program draws meshes. Passed as 32-bit ints. */
typedef enum OxGfxRenderMode {
  OxGfxRenderModeNone = 0,    /* no program: meshes are not drawn */
  OxGfxRenderModeColor = 1,   /* the colour program: per-vertex colours */
  OxGfxRenderModeTexture = 2  /* the texture program: the bound texture */
} OxGfxRenderMode;

/* Blend modes: how a new pixel s combines with the pixel d on screen. */
typedef enum OxGfxBlendMode {
  OxGfxBlendModeNone = 0,   /* d = s */
  OxGfxBlendModeBlend = 1,  /* d = s * s.alpha + d * (1 - s.alpha) */
  OxGfxBlendModeAdd = 2     /* d = s * s.alpha + d */
} OxGfxBlendMode;

/* Primitives that OxGfxMeshDraw draws a mesh's vertices as. */
typedef enum OxGfxMeshDrawMode {
  OxGfxMeshDrawModePoints = 0,
  OxGfxMeshDrawModeLines = 1,
  OxGfxMeshDrawModeLineStrip = 2,
  OxGfxMeshDrawModeTriangles = 3
} OxGfxMeshDrawMode;

/* A built mesh, owned by the game from OxGfxMeshEnd until OxGfxMeshFree.
   bufferNames points to three OpenGL buffer names: [0] positions (3 floats
   per vertex), [1] colours (4 floats, 0..1), [2] texture coordinates (2). */
typedef struct OxGfxVertexList {
  unsigned int* bufferNames;
  unsigned int vertexCount;
} OxGfxVertexList;

OX_EXTERN_C_BEGIN

/* ---- Context and frame ---------------------------------------------------- */

/* Starts graphics on the system module's window: the OpenGL context, the
   built-in programs, the colour render mode with neutral colours and a white
   clear colour. width, height: the window's client size in pixels.
   Prints "Graphics: OpenGL\n" first. Returns 1 on success; 0, with no further
   message, when the window has no drawing surface or no context can be made.
   Missing GLEW or OpenGL 2.0, or a shader that does not compile, is a fatal
   report: the process waits for a key (when standard input is a terminal)
   and exits with code 1. A call while graphics runs (OxSysInit has already
   made this call) prints "Graphics already running: OxGfxInit changes
   nothing before OxGfxExit" and returns 1. */
OX_API int OxGfxInit(int width, int height);
/* Stops graphics: programs, context and drawing surface. Nothing graphical
   may be called afterwards. */
OX_API void OxGfxExit(void);
/* Begins a frame: clears colour and depth, sets the viewport to the window
   size. */
OX_API void OxGfxStart(void);
/* Ends a frame: checks for OpenGL errors (fatal), leaves no program in use,
   waits for OpenGL to finish and presents the back buffer. */
OX_API void OxGfxEnd(void);
/* Swap interval 1 when enable is non-zero, else 0, where the driver offers
   swap control; does nothing (and never fails) where it does not. */
OX_API void OxGfxSetVSync(int enable);
/* Discards the vertices added since the last OxGfxMeshEnd or OxGfxReset. */
OX_API void OxGfxReset(void);
/* The colour OxGfxStart clears to, alpha 1.0; kept until changed. */
OX_API void OxGfxSetBackgroundColor(float red, float green, float blue);
/* The window size given to OxGfxInit (0 before it), also in full screen. */
OX_API int OxGfxGetWindowWidth(void);
OX_API int OxGfxGetWindowHeight(void);

/* ---- Render state -------------------------------------------------------- */

/* Checks for pending OpenGL errors (fatal), then selects the program of the
   mode. The first switch to a program in a frame uploads the projection and
   view built from the camera at that moment. Values outside 0..2 are ignored. */
OX_API void OxGfxSetRenderMode(int mode);
/* Sets OpenGL blending for the mode unless it is the recorded one. Any value
   is recorded; values outside 0..2 change no OpenGL state. */
OX_API void OxGfxSetBlendMode(int mode);
/* The four colour values belong to the program in use (set them after
   OxGfxSetRenderMode); each program keeps its own. Called while no program
   is in use they change nothing. Values are not clamped. */
/* Multiplies the output alpha. Neutral 1.0. */
OX_API void OxGfxSetTransparency(float alpha);
/* Mixed over the vertex colour or texel with weight alpha. Neutral alpha 0. */
OX_API void OxGfxSetBlendColor(float red, float green, float blue, float alpha);
/* Multiplies red, green, blue and alpha. Neutral (1, 1, 1, 1). */
OX_API void OxGfxSetColorToMultiply(float red, float green, float blue, float alpha);
/* Added to red, green, blue and alpha. Neutral (0, 0, 0, 0). */
OX_API void OxGfxSetColorToAdd(float red, float green, float blue, float alpha);

/* ---- Camera and world transform ---------------------------------------- */

/* The visible world rectangle (window pixels, y up, centred on the camera):
   left, right, bottom, top. 0 until OxGfxInit; the library never reads them
   back, so writing them only changes what the getters return. */
OX_API extern float gOxWinMinX;
OX_API extern float gOxWinMaxX;
OX_API extern float gOxWinMinY;
OX_API extern float gOxWinMaxY;

/* Moves the camera (the world point at the window's centre) and recomputes
   the extents at once; the view follows at the next program switch. May be
   called before OxGfxInit. */
OX_API void OxGfxSetCamPosition(float x, float y);
/* Writes the camera position to *x and *y (both must be valid). */
OX_API void OxGfxGetCamPosition(float* x, float* y);
OX_API float OxGfxGetWinMinX(void);
OX_API float OxGfxGetWinMaxX(void);
OX_API float OxGfxGetWinMinY(void);
OX_API float OxGfxGetWinMaxY(void);
/* The world matrix of the program in use from a 2D affine transform: the
   upper-left 2x2 block and the translation column; the third row is unused.
   Also takes the matrix's array, as Windows-build games pass it:
   OxGfxSetTransform(world.m), a float[3][3] row by row (see the end of this
   header). */
OX_API void OxGfxSetTransform(const struct OxMtx33* matrix);
/* The world matrix of the program in use: the 4x4 matrix (row by row,
   column vectors) exactly as given. Also takes a float[4][4] array row by
   row, such as a Matrix4's m. */
OX_API void OxGfxSetTransform3D(const struct Matrix4* matrix);

/* ---- Meshes -------------------------------------------------------------- */

/* Begins a mesh; changes nothing that any other call reads. */
OX_API void OxGfxMeshStart(void);
/* Appends one vertex to the pending mesh. colour is 0xAARRGGBB. The pending
   list holds 24,576 vertices; further ones are ignored, and the first one
   ignored in a mesh prints "Mesh is full: vertices beyond 24576 are ignored\n". */
OX_API void OxGfxVertexAdd(float x, float y, unsigned int color, float u, float v);
/* Appends three vertices, the corners in order. */
OX_API void OxGfxTriAdd(float x0, float y0, unsigned int color0, float u0, float v0,
                        float x1, float y1, unsigned int color1, float u1, float v1,
                        float x2, float y2, unsigned int color2, float u2, float v2);
/* Uploads the pending vertices into a new mesh and empties the pending list.
   OpenGL errors here are fatal. Returns null (after printing
   "Error: Cannot build mesh. Memory allocation failed\n") only when memory
   runs out. */
OX_API OxGfxVertexList* OxGfxMeshEnd(void);
/* One draw of all the mesh's vertices with the program of the render mode;
   draws nothing in render mode 0. An unknown mode prints
   "Mesh Draw Mode %u is invalid!\n". A null mesh is ignored. */
OX_API void OxGfxMeshDraw(OxGfxVertexList* mesh, unsigned int mode);
/* Deletes the mesh's buffers and frees it. A null mesh is ignored. */
OX_API void OxGfxMeshFree(OxGfxVertexList* mesh);

/* ---- Batched drawing ------------------------------------------------------ */

/* Asks for a window with depth and stencil buffers (on non-zero, the
   default: 24 and 8 bits) or with neither (0), and returns the previous
   setting, 1 or 0. Takes effect at the next OxSysInit: an open window keeps
   its buffers. Without them the frame start clears the colour buffer only,
   and software renderers such as llvmpipe can take faster paths. The
   engine's own drawing never uses depth or stencil, and batched and
   unbatched frames stay byte for byte the same in either window; but
   llvmpipe's rectangle rasteriser, taken only without depth, may round an
   axis-aligned sprite's edge pixels differently (a few hundred bytes of a
   frame of thousands of sprites). A game that makes its own depth- or
   stencil-tested OpenGL calls leaves it on.
   May be called at any time (the setting is kept over OxSysExit and a new
   OxSysInit). Never fails. */
OX_API int OxGfxSetDepthBuffer(int on);

/* Turns the batched draw path on (on non-zero) or off (0), and returns the
   previous setting, 1 or 0. Off by default. With batching on, OxGfxMeshDraw
   and OxGfxPrint record the draw, with the render mode, blend mode, colours,
   transparency, texture, texture offset, world transform, camera and
   viewport in effect, instead of issuing it; consecutive draws that one
   OpenGL draw can carry are merged, and the recorded draws are issued when
   something would observe or change their outcome: OxGfxFlush,
   OxGfxSaveTextureToFile, OxGfxSaveScreenshot, OxGfxEnd (so OxSysFrameEnd),
   OxGfxStart, unloading a texture or destroying a font they sample, a
   filter change on a texture they sample, turning batching off, and
   whenever a draw cannot join them (another program, blend mode, texture,
   primitive or camera) or the batch is full. The pictures are the same byte for byte as with
   batching off.
   What is not the same with batching on: OpenGL's own state between calls
   (the program, texture, buffer and attribute bindings, blending and the
   viewport are set when a batch is issued, not by each call), and what the
   back buffer holds before a flush. A game that makes its own OpenGL calls
   or reads pixels between draws calls OxGfxFlush first, or keeps batching
   off; turning it off puts OpenGL's state where the calls made so far would
   have left it. Meshes of up to 1,024 vertices built by OxGfxMeshEnd are
   drawn from a copy of their vertices kept by the library: a game that
   changes a mesh's buffers itself keeps batching off.
   May be called at any time, also before OxSysInit (the setting is kept
   over OxSysExit and a new OxSysInit). Never fails. */
OX_API int OxGfxSetBatching(int on);
/* Issues every draw that batching has recorded; does nothing when batching
   is off or nothing is pending. */
OX_API void OxGfxFlush(void);

/* ---- Screenshots ---------------------------------------------------------- */

/* Writes what the game has drawn so far in the current frame to path as an
   8-bit RGB PNG (no alpha), the frame's full drawing area: the window size,
   times the full-screen scale factors in full screen. Call between
   OxSysFrameStart and OxSysFrameEnd, after the drawing to capture; with
   batching on, the draws waiting in the batch are issued first. Returns
   1 when the file is written; returns 0 and prints one line, writing
   nothing, for a null path ("Screenshot: no path given\n"), outside a frame
   or before OxSysInit ("Screenshot: no frame is being drawn for %s\n"), or
   a path that cannot be written, such as a directory, a device or a missing
   folder ("Screenshot: cannot write %s\n"; a half-written file is removed).
   An existing file at path is replaced. Game's thread only. */
OX_API int OxGfxSaveScreenshot(const char* path);

OX_EXTERN_C_END

#ifdef __cplusplus
/* Gives the record a zero-filled array of three buffer names; creates no
   OpenGL objects. A null mesh is ignored. */
OX_API void OxGfxTriListInitialize(OxGfxVertexList* mesh);
#endif

/* ==== Textures, fonts and text ============================================
   Every function below belongs to the game's thread, with the OpenGL
   context current (after OxGfxInit, before OxGfxExit). Pointers are not
   tested for null unless a function says so. */

/* A loaded texture, owned by the game from its load call until
   OxGfxTextureUnload. textureName points to the one OpenGL texture name;
   sourcePath holds the path the texture was loaded from, zero-terminated,
   and is all zero for a texture made from memory. */
typedef struct OxGfxTexture {
  unsigned int* textureName;
  char sourcePath[256];
} OxGfxTexture;

/* Filtering modes for OxGfxSetTextureMode. Passed as 32-bit ints. */
typedef enum OxGfxTextureMode {
  OxGfxTextureModeNearest = 0, /* the nearest texel */
  OxGfxTextureModeLinear = 1   /* the four nearest texels blended */
} OxGfxTextureMode;

/* A font's id, a signed 8-bit integer. -1 is the failure result of
   OxGfxCreateFont and is never the id of a font. */
typedef signed char OxGfxFontId;

OX_EXTERN_C_BEGIN

/* ---- Textures ------------------------------------------------------------- */

/* Loads an image file (PNG, JPEG, BMP, GIF, TGA, WebP and the decoder's other
   formats; TGA files are known by the extension ".tga") into a new texture:
   RGBA8, texture coordinate (0, 0) at the image's top-left texel, nearest
   filtering, repeat wrapping, left unbound. path: a zero-terminated string of
   at most 255 bytes, passed to the file system as given (UTF-8 works).
   Returns null, printing nothing, for a null path, one of 256 bytes or
   more, a file that cannot be read or decoded completely (missing, a
   directory, empty, truncated, not an image), an image wider or taller than
   the OpenGL implementation's maximum texture size, or when memory runs
   out, and before OxSysInit; OxSysGetLastError then names the file and the
   reason (a line in the diagnostic mode, OxSystem.h). */
OX_API OxGfxTexture* OxGfxTextureLoad(const char* path);
/* Makes a texture from width x height pixels of four bytes each, red, green,
   blue, alpha, row after row with no gaps, the first row on top (v = 0);
   nearest filtering, left unbound. sourcePath stays all zero. Returns null
   for a negative width or height, one above the maximum texture size, or
   when memory runs out. pixels is not tested (null leaves the texels
   undefined). */
OX_API OxGfxTexture* OxGfxTextureLoadFromMemory(const void* pixels, int width, int height);
/* Deletes the texture's OpenGL object and frees the record. A null texture
   is ignored; the record must not be used afterwards. */
OX_API void OxGfxTextureUnload(OxGfxTexture* texture);
/* Selects the texture for following draws: binds it on texture unit 0 and
   sets the program in use's sampler to unit 0 and its texture-coordinate
   offset to (offsetX, offsetY), call it in OxGfxRenderModeTexture. An offset
   above 1.0 is reduced by whole units into (0, 1] (1.5 gives 0.5, 3.0 gives
   1.0); offsets of 1.0 or less, infinities and NaNs pass unchanged. A null
   texture unbinds the texture and changes no uniform. With no program in
   use the uniforms are left as they are. A pending OpenGL error is fatal
   (reported under "OxGfxTextureSet"). */
OX_API void OxGfxTextureSet(OxGfxTexture* texture, float offsetX, float offsetY);
/* Sets the filters of the texture bound now (call it after OxGfxTextureSet):
   OxGfxTextureModeNearest or OxGfxTextureModeLinear; the setting stays with
   that texture. Any other value prints "Unsupported texture mode!\n" and
   changes nothing. */
OX_API void OxGfxSetTextureMode(int mode);
/* Saves nothing: with both arguments non-null it prints
   "OxGfxSaveTextureToFile not supported in the OpenGL version of the Oxlen
   Engine!\n"; otherwise it does nothing. */
OX_API void OxGfxSaveTextureToFile(OxGfxTexture* texture, const char* path);
/* Blends two packed colours byte by byte: c0 + (c1 - c0) x t rounded to the
   nearest whole value, with t clamped to [0, 1] (t <= 0 gives colour0,
   t >= 1 colour1; a NaN t gives colour0). Serves any byte layout, such as
   0xAARRGGBB. Keeps no state; callable from any thread. */
OX_API unsigned int OxGfxColInterp(unsigned int color0, unsigned int color1, float t);

/* ---- Fonts and text ------------------------------------------------------- */
/* OxGfxPrint and OxGfxGetPrintSize read ASCII on one line; OxText.h prints
   and measures UTF-8 with new lines, also placed in world pixels. */

/* Starts the font system: the rasteriser and the text vertex buffer. Called
   by OxGfxInit; a game does not call it. A rasteriser that fails to start is
   a fatal report ("Freetype not loaded", under "OxGfxFontSystemStart"). */
OX_API void OxGfxFontSystemStart(void);
/* Stops the font system: deletes the text vertex buffer, destroys every font
   that remains and stops the rasteriser. Called by OxGfxExit. */
OX_API void OxGfxFontSystemEnd(void);
/* Creates a font from face 0 of the font file at path at a pixel size (the
   em height), rasterising the characters 32 to 127 into one atlas texture.
   Prints "Font %s, size %d, " and, after any "\n - Could not generate a
   glyph for %c\n" lines for characters that do not render,
   "generated a %d x %d (%d kb) atlas.\n" with the atlas size. The atlas
   texture is left bound on texture unit 0. Returns the new font's id: 1 for
   the first font, then counting up, wrapping from 127 to -128 and skipping
   -1 and the ids of live fonts. Fails with -1, printing
   "Error: Could not load font %s\n" with the path and registering nothing,
   for a null path ("(null)" printed), a size of 0 or less, a file the
   rasteriser cannot open as a font, a font none of whose characters 32 to
   127 renders an image, or an atlas larger than the maximum texture size
   (also when a single glyph image would be); fails with -1 and no message when
   255 fonts are live, so that no id is free. A failed creation uses no id;
   OxSysGetLastError says why (a call before OxSysInit also fails so). */
OX_API OxGfxFontId OxGfxCreateFont(const char* path, int size);
/* Draws text on one line with the font, in normalised device coordinates
   (the drawing area spans -1 to 1; (0, 0) is its centre): the pen starts at
   (x, y) on the baseline, each glyph pixel measures 2 / window width x
   scale across and 2 / window height x scale up. Colour red, green, blue,
   alpha, nominally 0..1, blended over the screen with the glyphs' coverage.
   One draw call. Characters 0 to 31 and bytes 128 to 255 draw nothing and
   do not move the pen. The render mode and blend mode in effect before the
   call are restored; the font's atlas stays bound on texture unit 0. An id
   no live font has prints "Error: Cannot print msg (%s). FontId (%d) coud
   not be found\n" and draws nothing. A null text is taken as empty. Call
   between OxGfxStart and OxGfxEnd. */
OX_API void OxGfxPrint(OxGfxFontId font, const char* text, float x, float y, float scale,
                       float red, float green, float blue, float alpha);
/* Measures text as OxGfxPrint would draw it at scale, in normalised device
   units: *width receives the pen travel (the sum of the advances), *height
   the tallest glyph image; either pointer may be null. Bytes 128 to 255 add
   nothing; a null text measures 0. An id no live font has prints "Error:
   Cannot get size of msg (%s). FontId (%d) coud not be found\n" and writes
   nothing. */
OX_API void OxGfxGetPrintSize(OxGfxFontId font, const char* text, float scale, float* width,
                              float* height);
/* Destroys the font: its face and its atlas texture. The id is not handed
   out again until the id counter wraps. An id no live font has prints
   "Error: Trying to destroy a font with an unknown fontId (%d)\n". */
OX_API void OxGfxDestroyFont(OxGfxFontId font);

OX_EXTERN_C_END

#ifdef __cplusplus
/* Gives the record a zero-filled name cell (one unsigned int) in
   textureName; creates no OpenGL object. A null texture is ignored. */
OX_API void OxGfxTextureInitialize(OxGfxTexture* texture);
#endif

/* ---- The world setters from matrix arrays -------------------------------
   OxGfxSetTransform(world.m) and OxGfxSetTransform3D(array) for a float[3][3]
   or float[4][4] laid out row by row, the layout of OxMtx33 and Matrix4.
   Header-only: the library exports only the two functions above. In C11 the
   two names are macros choosing by the argument's type; taking a function's
   address still gives the exported function. */
#ifdef __cplusplus
inline void OxGfxSetTransform(const float (*matrix)[3])
{
  OxGfxSetTransform(reinterpret_cast<const struct OxMtx33*>(matrix));
}
inline void OxGfxSetTransform3D(const float (*matrix)[4])
{
  OxGfxSetTransform3D(reinterpret_cast<const struct Matrix4*>(matrix));
}
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define OxGfxSetTransform(matrix)                                          \
  OxGfxSetTransform(_Generic((matrix),                                     \
      float(*)[3]: (const struct OxMtx33*)(matrix),                        \
      const float(*)[3]: (const struct OxMtx33*)(matrix),                  \
      default: (matrix)))
#define OxGfxSetTransform3D(matrix)                                        \
  OxGfxSetTransform3D(_Generic((matrix),                                   \
      float(*)[4]: (const struct Matrix4*)(matrix),                        \
      const float(*)[4]: (const struct Matrix4*)(matrix),                  \
      default: (matrix)))
#endif

#endif
