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
   and exits with code 1. */
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
   upper-left 2x2 block and the translation column; the third row is unused. */
OX_API void OxGfxSetTransform(const struct OxMtx33* matrix);
/* The world matrix of the program in use: the 4x4 matrix (row by row,
   column vectors) exactly as given. */
OX_API void OxGfxSetTransform3D(const struct Matrix4* matrix);

/* ---- Meshes -------------------------------------------------------------- */

/* Begins a mesh; changes nothing that any other call reads. */
OX_API void OxGfxMeshStart(void);
/* Appends one vertex to the pending mesh. colour is 0xAARRGGBB. The pending
   list holds 24,576 vertices; further ones are ignored, and the first one
   ignored in a mesh prints "Mesh is full: vertices beyond 24576 are ignored\n". */
OX_API void OxGfxVertexAdd(float x, float y, unsigned int colour, float u, float v);
/* Appends three vertices, the corners in order. */
OX_API void OxGfxTriAdd(float x0, float y0, unsigned int colour0, float u0, float v0,
                        float x1, float y1, unsigned int colour1, float u1, float v1,
                        float x2, float y2, unsigned int colour2, float u2, float v2);
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

OX_EXTERN_C_END

#ifdef __cplusplus
/* Gives the record a zero-filled array of three buffer names; creates no
   OpenGL objects. A null mesh is ignored. */
OX_API void OxGfxTriListInitialize(OxGfxVertexList* mesh);
#endif

#endif
