// Graphics: start-up state, the colour and texture programs through pixels,
// render and blend modes, the camera and world transform, meshes and the
// fatal reports. Real OpenGL (llvmpipe under Xvfb); pixels are read back from
// the back buffer after drawing and before the frame ends.
// Desktop-only program: it reads textures and buffers back from OpenGL
// (glGetTexImage, glGetBufferSubData), which WebGL 1 does not offer;
// tests/web/page_test.cpp draws and reads pixels in the page.
#include <gtest/gtest.h>

#include <GL/glew.h>

#include <regex>
#include <string>

#include "OxMatrix4.h"
#include "OxPixelSupport.h"
#include "OxTestSupport.h"
#include "Oxlen.h"

using oxtest::IsColour;
using oxtest::ReadPixel;

namespace {

const int kWidth = 800;
const int kHeight = 600;
// The window pixel at the camera position (bottom-left origin).
const int kCentreX = kWidth / 2;
const int kCentreY = kHeight / 2;

const unsigned int kRed = 0xFFFF0000;
const unsigned int kGreen = 0xFF00FF00;
const unsigned int kBlue = 0xFF0000FF;
const unsigned int kWhite = 0xFFFFFFFF;

void SetTransform33(const OxMtx33& matrix) { OxGfxSetTransform(&matrix); }

void SetTranslation(float x, float y)
{
  OxMtx33 translation;
  OxMtx33Trans(&translation, x, y);
  OxGfxSetTransform(&translation);
}

// A rectangle centred on (x, y) in model space, two triangles of one colour.
OxGfxVertexList* RectangleMesh(float x, float y, float halfWidth, float halfHeight,
                           unsigned int colour)
{
  OxGfxMeshStart();
  float left = x - halfWidth, right = x + halfWidth;
  float bottom = y - halfHeight, top = y + halfHeight;
  OxGfxTriAdd(left, bottom, colour, 0, 1, right, bottom, colour, 1, 1, right, top, colour, 1, 0);
  OxGfxTriAdd(left, bottom, colour, 0, 1, right, top, colour, 1, 0, left, top, colour, 0, 0);
  return OxGfxMeshEnd();
}

int StartLibrary(int width, int height)
{
  int started = OxSysInit(nullptr, SW_SHOW, width, height, 0, 0, 0, nullptr);
  glewInit();
  return started;
}

GLint CurrentProgram()
{
  GLint program = -1;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  return program;
}

class Graphics : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(StartLibrary(kWidth, kHeight), 1); }
  void TearDown() override { OxSysExit(); }
};

}  // namespace

// Cases: white after start-up; the colour program current, blending off and
// the window size kept; a background colour lasting over frames.
TEST_F(Graphics, StartUpStateAndClearColour)
{
  EXPECT_NE(CurrentProgram(), 0);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(OxGfxGetWindowWidth(), kWidth);
  EXPECT_EQ(OxGfxGetWindowHeight(), kHeight);

  OxSysFrameStart();
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX, kCentreY), 255, 255, 255, 0));
  OxGfxSetBackgroundColor(0.0f, 0.0f, 0.0f);
  OxSysFrameEnd();

  for (int frame = 0; frame < 2; ++frame) {
    OxSysFrameStart();
    oxtest::Pixel pixel = ReadPixel(10, 10);
    EXPECT_TRUE(IsColour(pixel, 0, 0, 0, 0)) << pixel;
    OxSysFrameEnd();
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Cases: blend colour over vertex colour; multiply and add colours;
// transparency with and without blending; the additive blend mode.
TEST_F(Graphics, ColourProgramFormulaThroughPixels)
{
  OxGfxVertexList* blue = RectangleMesh(0, 0, 400, 300, kBlue);
  OxGfxVertexList* grey = RectangleMesh(0, 0, 400, 300, 0xFF404040);
  OxGfxVertexList* red = RectangleMesh(0, 0, 400, 300, kRed);
  OxSysFrameStart();
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  SetTranslation(0, 0);

  // Blend colour (1, 0, 0, 0.5) over (0, 0, 1, 1) gives (0.5, 0, 0.5, 1).
  OxGfxSetBlendColor(1, 0, 0, 0.5f);
  OxGfxMeshDraw(blue, OxGfxMeshDrawModeTriangles);
  oxtest::Pixel pixel = ReadPixel(kCentreX, kCentreY);
  EXPECT_TRUE(IsColour(pixel, 128, 0, 128, 1)) << pixel;

  // Multiply (0.5, 1, 0.5, 1) and add (0.25, 0, 0, 0): (0.25, 0, 0.5).
  OxGfxSetBlendColor(0, 0, 0, 0);
  OxGfxSetColorToMultiply(0.5f, 1, 0.5f, 1);
  OxGfxSetColorToAdd(0.25f, 0, 0, 0);
  OxGfxMeshDraw(blue, OxGfxMeshDrawModeTriangles);
  pixel = ReadPixel(kCentreX, kCentreY);
  EXPECT_TRUE(IsColour(pixel, 64, 0, 128, 1)) << pixel;

  // Transparency 0.5 without blending: the alpha has no visible effect.
  OxGfxSetColorToMultiply(1, 1, 1, 1);
  OxGfxSetColorToAdd(0, 0, 0, 0);
  OxGfxMeshDraw(grey, OxGfxMeshDrawModeTriangles);
  OxGfxSetTransparency(0.5f);
  OxGfxMeshDraw(blue, OxGfxMeshDrawModeTriangles);
  pixel = ReadPixel(kCentreX, kCentreY);
  EXPECT_TRUE(IsColour(pixel, 0, 0, 255, 1)) << pixel;

  // Transparency 0.5 with alpha blending, over grey: half grey, half blue.
  OxGfxMeshDraw(grey, OxGfxMeshDrawModeTriangles);
  OxGfxSetBlendMode(OxGfxBlendModeBlend);
  OxGfxMeshDraw(blue, OxGfxMeshDrawModeTriangles);
  pixel = ReadPixel(kCentreX, kCentreY);
  EXPECT_TRUE(IsColour(pixel, 32, 32, 160, 2)) << pixel;

  // Additive: opaque red added onto grey.
  OxGfxSetTransparency(1.0f);
  OxGfxSetBlendMode(OxGfxBlendModeNone);
  OxGfxMeshDraw(grey, OxGfxMeshDrawModeTriangles);
  OxGfxSetBlendMode(OxGfxBlendModeAdd);
  OxGfxMeshDraw(red, OxGfxMeshDrawModeTriangles);
  pixel = ReadPixel(kCentreX, kCentreY);
  EXPECT_TRUE(IsColour(pixel, 255, 64, 64, 1)) << pixel;
  OxGfxSetBlendMode(OxGfxBlendModeNone);

  OxSysFrameEnd();
  OxGfxMeshFree(blue);
  OxGfxMeshFree(grey);
  OxGfxMeshFree(red);
}

// Cases: the texture program starts with all four colour values 0 and no
// world matrix; the multiply colour set in colour mode does not tint textured
// drawing, and the texture mode's values do not reach the colour program;
// values set in one frame still hold in the next.
TEST_F(Graphics, EachProgramKeepsItsOwnUniforms)
{
  GLuint texture = 0;
  const unsigned char white[4] = {255, 255, 255, 255};
  glActiveTexture(GL_TEXTURE0);
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
  OxGfxVertexList* mesh = RectangleMesh(0, 0, 400, 300, kWhite);

  OxSysFrameStart();
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  SetTranslation(0, 0);
  OxGfxSetColorToMultiply(1, 0, 0, 1);
  OxGfxSetBackgroundColor(0, 1, 0);

  OxGfxSetRenderMode(OxGfxRenderModeTexture);
  // The texture program's world matrix is still all zero: nothing is drawn.
  OxGfxMeshDraw(mesh, OxGfxMeshDrawModeTriangles);
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX, kCentreY), 255, 255, 255, 0));
  // Multiply colour 0 in the texture program: black.
  SetTranslation(0, 0);
  OxGfxMeshDraw(mesh, OxGfxMeshDrawModeTriangles);
  oxtest::Pixel pixel = ReadPixel(kCentreX, kCentreY);
  EXPECT_TRUE(IsColour(pixel, 0, 0, 0, 0)) << pixel;
  // Neutral values in the texture program: the white texel, not tinted red.
  OxGfxSetColorToMultiply(1, 1, 1, 1);
  OxGfxSetTransparency(1);
  OxGfxMeshDraw(mesh, OxGfxMeshDrawModeTriangles);
  pixel = ReadPixel(kCentreX, kCentreY);
  EXPECT_TRUE(IsColour(pixel, 255, 255, 255, 0)) << pixel;

  // Back in colour mode the red multiply colour is still there.
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  OxGfxMeshDraw(mesh, OxGfxMeshDrawModeTriangles);
  pixel = ReadPixel(kCentreX, kCentreY);
  EXPECT_TRUE(IsColour(pixel, 255, 0, 0, 0)) << pixel;
  OxSysFrameEnd();

  // Next frame: the values persist in both programs.
  OxSysFrameStart();
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX, kCentreY), 0, 255, 0, 0));
  OxGfxSetRenderMode(OxGfxRenderModeTexture);
  OxGfxMeshDraw(mesh, OxGfxMeshDrawModeTriangles);
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX, kCentreY), 255, 255, 255, 0));
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  OxGfxMeshDraw(mesh, OxGfxMeshDrawModeTriangles);
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX, kCentreY), 255, 0, 0, 0));
  OxSysFrameEnd();

  OxGfxMeshFree(mesh);
  glDeleteTextures(1, &texture);
}

// Cases: setters called between frames and in render mode 0 change nothing
// and raise no error; drawing before any render mode in a frame draws nothing.
TEST_F(Graphics, NoProgramInUse)
{
  OxGfxVertexList* mesh = RectangleMesh(0, 0, 400, 300, kWhite);
  OxSysFrameStart();
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  SetTranslation(0, 0);
  OxGfxSetColorToMultiply(0, 1, 0, 1);
  OxGfxSetBackgroundColor(0, 0, 0);
  OxSysFrameEnd();
  EXPECT_EQ(CurrentProgram(), 0);

  // Between frames.
  OxGfxSetColorToMultiply(1, 0, 0, 1);
  OxGfxSetColorToAdd(1, 1, 1, 1);
  OxGfxSetBlendColor(1, 0, 0, 1);
  OxGfxSetTransparency(0);
  SetTranslation(1000, 1000);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  OxSysFrameStart();
  // Before any render mode in this frame: nothing drawn, no error.
  OxGfxMeshDraw(mesh, OxGfxMeshDrawModeTriangles);
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX, kCentreY), 0, 0, 0, 0));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  // Render mode 0.
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  OxGfxSetRenderMode(OxGfxRenderModeNone);
  EXPECT_EQ(CurrentProgram(), 0);
  OxGfxSetColorToMultiply(0, 0, 1, 1);
  OxGfxMeshDraw(mesh, OxGfxMeshDrawModeTriangles);
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX, kCentreY), 0, 0, 0, 0));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  // The colour program still has green multiply and the identity world.
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  OxGfxMeshDraw(mesh, OxGfxMeshDrawModeTriangles);
  oxtest::Pixel pixel = ReadPixel(kCentreX, kCentreY);
  EXPECT_TRUE(IsColour(pixel, 0, 255, 0, 0)) << pixel;
  OxSysFrameEnd();
  OxGfxMeshFree(mesh);
}

// Cases: render modes outside 0..2 change nothing; the blend mode touches
// OpenGL only when it changes, records any value, and mode 0 after an
// unknown value disables blending; the swap interval for any value.
TEST_F(Graphics, RenderBlendModesAndVSync)
{
  OxSysFrameStart();
  OxGfxSetRenderMode(OxGfxRenderModeTexture);
  GLint texture = CurrentProgram();
  OxGfxSetRenderMode(3);
  EXPECT_EQ(CurrentProgram(), texture);
  OxGfxSetRenderMode(-1);
  EXPECT_EQ(CurrentProgram(), texture);
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  EXPECT_NE(CurrentProgram(), texture);
  EXPECT_NE(CurrentProgram(), 0);

  GLint source = 0, destination = 0;
  OxGfxSetBlendMode(OxGfxBlendModeBlend);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  glGetIntegerv(GL_BLEND_SRC_RGB, &source);
  glGetIntegerv(GL_BLEND_DST_RGB, &destination);
  EXPECT_EQ(source, GL_SRC_ALPHA);
  EXPECT_EQ(destination, GL_ONE_MINUS_SRC_ALPHA);
  // Unchanged mode: no OpenGL call, so blending switched off behind the
  // library's back stays off.
  glDisable(GL_BLEND);
  OxGfxSetBlendMode(OxGfxBlendModeBlend);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  // An unknown value is recorded but changes nothing; 0 then disables.
  glEnable(GL_BLEND);
  OxGfxSetBlendMode(5);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  OxGfxSetBlendMode(OxGfxBlendModeNone);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  OxGfxSetBlendMode(OxGfxBlendModeAdd);
  glGetIntegerv(GL_BLEND_DST_RGB, &destination);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(destination, GL_ONE);
  OxGfxSetBlendMode(OxGfxBlendModeNone);
  OxSysFrameEnd();

  for (int value : {0, 1, 5, -3, 0}) OxGfxSetVSync(value);
  OxSysFrameStart();
  OxSysFrameEnd();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Cases: the extents before OxGfxInit (width and height 0) and after it;
// the camera kept through start-up; writing an extent variable changes only
// what its getter returns until the next recomputation; an odd window size.
TEST(GraphicsCamera, ExtentsBeforeAndAfterStart)
{
  // In a child first, before this process starts the library itself.
  oxtest::ChildResult odd = oxtest::RunInChild([] {
    if (StartLibrary(801, 601) != 1) return 2;
    bool right = OxGfxGetWinMinX() == -400.5f && OxGfxGetWinMaxX() == 400.5f &&
                 OxGfxGetWinMinY() == -300.5f && OxGfxGetWinMaxY() == 300.5f;
    OxSysExit();
    return right ? 0 : 3;
  });
  EXPECT_EQ(odd.exitCode, 0) << odd.out;
  EXPECT_EQ(oxtest::Count(odd.out, "Graphics: OpenGL\n"), 1u) << odd.out;

  OxGfxSetCamPosition(100, 50);
  EXPECT_EQ(OxGfxGetWinMinX(), 100.0f);
  EXPECT_EQ(OxGfxGetWinMaxX(), 100.0f);
  EXPECT_EQ(OxGfxGetWinMinY(), 50.0f);
  EXPECT_EQ(OxGfxGetWinMaxY(), 50.0f);

  ASSERT_EQ(StartLibrary(kWidth, kHeight), 1);
  EXPECT_EQ(gOxWinMinX, -300.0f);
  EXPECT_EQ(gOxWinMaxX, 500.0f);
  EXPECT_EQ(gOxWinMinY, -250.0f);
  EXPECT_EQ(gOxWinMaxY, 350.0f);
  float x = 0, y = 0;
  OxGfxGetCamPosition(&x, &y);
  EXPECT_EQ(x, 100.0f);
  EXPECT_EQ(y, 50.0f);

  gOxWinMinX = 7.0f;
  EXPECT_EQ(OxGfxGetWinMinX(), 7.0f);
  OxGfxSetCamPosition(0, 0);
  EXPECT_EQ(OxGfxGetWinMinX(), -400.0f);
  EXPECT_EQ(OxGfxGetWinMaxY(), 300.0f);
  OxSysExit();

}

// Cases: a mesh at the camera position lands at the window's centre; y
// points up; a camera move applies from the next program switch, not to
// later draws with the same program, and at the latest in the next frame.
TEST_F(Graphics, CameraPlacesTheWorld)
{
  OxGfxSetCamPosition(100, 50);
  OxGfxVertexList* atCamera = RectangleMesh(100, 50, 5, 5, kRed);
  OxGfxVertexList* above = RectangleMesh(100, 150, 5, 5, kGreen);
  OxGfxVertexList* blueAtCamera = RectangleMesh(100, 50, 5, 5, kBlue);

  // Start-up left the colour program in use with the camera it had then, so
  // the first frame's OxGfxSetRenderMode switches nothing: let one frame end.
  OxSysFrameStart();
  OxSysFrameEnd();
  OxSysFrameStart();
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  SetTranslation(0, 0);
  OxGfxMeshDraw(atCamera, OxGfxMeshDrawModeTriangles);
  OxGfxMeshDraw(above, OxGfxMeshDrawModeTriangles);
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX, kCentreY), 255, 0, 0, 0));
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX, kCentreY + 100), 0, 255, 0, 0));
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX, kCentreY - 100), 255, 255, 255, 0));
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX + 20, kCentreY), 255, 255, 255, 0));

  // Same program after the move: the old view.
  OxGfxSetCamPosition(200, 50);
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  OxGfxMeshDraw(blueAtCamera, OxGfxMeshDrawModeTriangles);
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX, kCentreY), 0, 0, 255, 0));
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX - 100, kCentreY), 255, 255, 255, 0));
  // A program switch picks the new camera up.
  OxGfxSetRenderMode(OxGfxRenderModeTexture);
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  OxGfxMeshDraw(atCamera, OxGfxMeshDrawModeTriangles);
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX - 100, kCentreY), 255, 0, 0, 0));
  OxSysFrameEnd();

  OxGfxSetCamPosition(100, -50);
  OxSysFrameStart();
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  OxGfxMeshDraw(atCamera, OxGfxMeshDrawModeTriangles);
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX, kCentreY + 100), 255, 0, 0, 0));
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX, kCentreY), 255, 255, 255, 0));
  OxSysFrameEnd();

  OxGfxMeshFree(atCamera);
  OxGfxMeshFree(above);
  OxGfxMeshFree(blueAtCamera);
}

// Cases: the 3x3 translation column moves meshes and its third row is
// ignored; its 2x2 block scales; a 4x4 matrix's column 3 translates and its
// first column is used like the others.
TEST_F(Graphics, WorldTransformPlacesMeshes)
{
  OxGfxVertexList* square = RectangleMesh(0, 0, 10, 10, kRed);
  OxSysFrameStart();
  OxGfxSetRenderMode(OxGfxRenderModeColor);

  SetTransform33(OxMtx33{{{1, 0, 50}, {0, 1, -20}, {5, 6, 7}}});
  OxGfxMeshDraw(square, OxGfxMeshDrawModeTriangles);
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX + 50, kCentreY - 20), 255, 0, 0, 0));
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX, kCentreY), 255, 255, 255, 0));

  // Scale x by 3, then move up 100: the square spans 30 pixels either side.
  OxMtx33 scale, move, both;
  OxMtx33Scale(&scale, 3, 1);
  OxMtx33Trans(&move, 0, 100);
  OxMtx33Concat(&both, &move, &scale);
  SetTransform33(both);
  OxGfxMeshDraw(square, OxGfxMeshDrawModeTriangles);
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX + 25, kCentreY + 100), 255, 0, 0, 0));
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX + 35, kCentreY + 100), 255, 255, 255, 0));

  Matrix4 moved(1, 0, 0, -150,
                0, 1, 0, 0,
                0, 0, 1, 0,
                0, 0, 0, 1);
  OxGfxSetTransform3D(&moved);
  OxGfxMeshDraw(square, OxGfxMeshDrawModeTriangles);
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX - 150, kCentreY), 255, 0, 0, 0));
  // First column (0, 2, 0, 0): x stretches into y.
  Matrix4 sheared(1, 0, 0, 0,
                  2, 1, 0, -100,
                  0, 0, 1, 0,
                  0, 0, 0, 1);
  OxGfxSetTransform3D(&sheared);
  OxGfxMeshDraw(square, OxGfxMeshDrawModeTriangles);
  // The corner (10, 10) lands at (10, 10 + 20 - 100).
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX + 8, kCentreY - 74), 255, 0, 0, 0));
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX - 8, kCentreY - 74), 255, 255, 255, 0));
  OxSysFrameEnd();
  OxGfxMeshFree(square);
}

namespace {

std::vector<float> BufferFloats(unsigned int name)
{
  GLint size = 0;
  glBindBuffer(GL_ARRAY_BUFFER, name);
  glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
  std::vector<float> floats(size / sizeof(float));
  if (size > 0) glGetBufferSubData(GL_ARRAY_BUFFER, 0, size, floats.data());
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  return floats;
}

// Cases: the window's depth and stencil bits as asked before each start
// (the default, without, without again, with again), the previous setting
// returned, an open window kept as it is when the setting changes, and the
// same picture either way: the background cleared, a quad in the multiply
// colour, no OpenGL error; a blend mode set again after a restart applies.
TEST(DepthBuffer, WindowsWithAndWithout)
{
  const struct {
    int on, previous;
  } cases[] = {{1, 1}, {0, 1}, {0, 0}, {1, 0}};
  for (const auto& item : cases) {
    SCOPED_TRACE(item.on);
    EXPECT_EQ(OxGfxSetDepthBuffer(item.on), item.previous);
    ASSERT_EQ(StartLibrary(kWidth, kHeight), 1);
    OxGfxSetDepthBuffer(!item.on);
    GLint depth = -1, stencil = -1;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    EXPECT_EQ(depth >= 24 && stencil >= 8, item.on == 1) << depth << " depth, " << stencil << " stencil";
    EXPECT_EQ(depth == 0 && stencil == 0, item.on == 0) << depth << " depth, " << stencil << " stencil";
    OxGfxSetDepthBuffer(item.on);
    // The last run's blend mode, set again, reaches this run's new context.
    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    OxGfxSetBlendMode(OxGfxBlendModeNone);
    OxGfxVertexList* quad = RectangleMesh(0, 0, 100, 100, kWhite);
    OxGfxSetBackgroundColor(0, 0, 1);
    for (int frame = 0; frame < 2; ++frame) {
      OxSysFrameStart();
      OxGfxSetRenderMode(OxGfxRenderModeColor);
      OxGfxSetColorToMultiply(1, 0, 0, 1);
      SetTranslation(0, 0);
      OxGfxMeshDraw(quad, OxGfxMeshDrawModeTriangles);
      EXPECT_TRUE(IsColour(ReadPixel(kCentreX, kCentreY), 255, 0, 0, 0)) << ReadPixel(kCentreX, kCentreY);
      EXPECT_TRUE(IsColour(ReadPixel(5, 5), 0, 0, 255, 0)) << ReadPixel(5, 5);
      EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
      OxSysFrameEnd();
    }
    OxGfxMeshFree(quad);
    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    OxSysExit();
  }
  OxGfxSetBlendMode(OxGfxBlendModeNone);
}

}  // namespace

// Cases: the worked example's three buffers; colour unpacking (alpha 0x80,
// green only); z always 0; the empty mesh; two ends in a row; vertices added
// before OxGfxMeshStart joining the next mesh; OxGfxReset discarding them.
TEST_F(Graphics, MeshBuffers)
{
  OxGfxMeshStart();
  OxGfxTriAdd(-0.5f, -0.5f, kRed, 0, 1, 0.5f, -0.5f, kGreen, 1, 1, 0, 0.5f, kBlue, 0.5f, 0);
  OxGfxVertexList* mesh = OxGfxMeshEnd();
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->vertexCount, 3u);
  EXPECT_EQ(BufferFloats(mesh->bufferNames[0]),
            (std::vector<float>{-0.5f, -0.5f, 0, 0.5f, -0.5f, 0, 0, 0.5f, 0}));
  EXPECT_EQ(BufferFloats(mesh->bufferNames[1]),
            (std::vector<float>{1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 1, 1}));
  EXPECT_EQ(BufferFloats(mesh->bufferNames[2]), (std::vector<float>{0, 1, 1, 1, 0.5f, 0}));
  OxGfxMeshFree(mesh);

  OxGfxVertexAdd(3, 4, 0x80FF0000, 0, 0);  // before OxGfxMeshStart
  OxGfxMeshStart();
  OxGfxVertexAdd(5, 6, 0xFF00FF00, 0, 0);
  mesh = OxGfxMeshEnd();
  ASSERT_EQ(mesh->vertexCount, 2u);
  std::vector<float> colours = BufferFloats(mesh->bufferNames[1]);
  ASSERT_EQ(colours.size(), 8u);
  EXPECT_EQ(colours[0], 1.0f);
  EXPECT_EQ(colours[1], 0.0f);
  EXPECT_EQ(colours[2], 0.0f);
  EXPECT_EQ(colours[3], 128.0f / 255.0f);
  EXPECT_EQ(colours[4], 0.0f);
  EXPECT_EQ(colours[5], 1.0f);
  EXPECT_EQ(colours[7], 1.0f);
  EXPECT_EQ(BufferFloats(mesh->bufferNames[0]), (std::vector<float>{3, 4, 0, 5, 6, 0}));
  OxGfxMeshFree(mesh);

  // A second end in a row, and an empty mesh drawn and freed.
  OxGfxVertexList* empty = OxGfxMeshEnd();
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->vertexCount, 0u);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(BufferFloats(empty->bufferNames[i]).empty());
  OxSysFrameStart();
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  OxGfxMeshDraw(empty, OxGfxMeshDrawModeTriangles);
  OxSysFrameEnd();
  OxGfxMeshFree(empty);

  // OxGfxReset discards what was added since the last end.
  OxGfxMeshStart();
  OxGfxVertexAdd(1, 1, kRed, 0, 0);
  OxGfxVertexAdd(2, 2, kRed, 0, 0);
  OxGfxReset();
  OxGfxVertexAdd(9, 8, kRed, 0, 0);
  mesh = OxGfxMeshEnd();
  EXPECT_EQ(mesh->vertexCount, 1u);
  EXPECT_EQ(BufferFloats(mesh->bufferNames[0]), (std::vector<float>{9, 8, 0}));
  OxGfxMeshFree(mesh);

  // Null meshes are ignored.
  OxGfxMeshDraw(nullptr, OxGfxMeshDrawModeTriangles);
  OxGfxMeshFree(nullptr);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Cases: four vertices drawn as triangles give one triangle; a line strip
// draws its edges and not the inside; points.
TEST_F(Graphics, MeshDrawModes)
{
  OxGfxMeshStart();
  OxGfxTriAdd(-50, 0.5f, kRed, 0, 0, 50, 0.5f, kRed, 0, 0, 0.5f, 80, kRed, 0, 0);
  OxGfxVertexAdd(-50, -100, kRed, 0, 0);  // an incomplete fourth vertex
  OxGfxVertexList* shape = OxGfxMeshEnd();
  OxGfxMeshStart();
  OxGfxVertexAdd(-99.5f, -99.5f, kBlue, 0, 0);
  OxGfxVertexList* point = OxGfxMeshEnd();

  OxSysFrameStart();
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  SetTranslation(0, 0);
  OxGfxMeshDraw(shape, OxGfxMeshDrawModeTriangles);
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX, kCentreY + 20), 255, 0, 0, 0));
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX - 20, kCentreY - 50), 255, 255, 255, 0));
  OxSysFrameEnd();

  OxSysFrameStart();
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  OxGfxMeshDraw(shape, OxGfxMeshDrawModeLineStrip);
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX - 20, kCentreY), 255, 0, 0, 0));
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX, kCentreY + 20), 255, 255, 255, 0));
  OxGfxMeshDraw(point, OxGfxMeshDrawModePoints);
  EXPECT_TRUE(IsColour(ReadPixel(kCentreX - 100, kCentreY - 100), 0, 0, 255, 0));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  OxSysFrameEnd();
  OxGfxMeshFree(shape);
  OxGfxMeshFree(point);
}

// Cases: an unknown draw mode prints its message once and draws nothing;
// the pending list's capacity: vertices beyond it are dropped with one line
// per mesh, and the list works again after the mesh is ended.
TEST(GraphicsMessages, InvalidDrawModeAndFullMesh)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    if (StartLibrary(kWidth, kHeight) != 1) return 2;
    OxGfxVertexList* mesh = RectangleMesh(0, 0, 400, 300, kRed);
    OxSysFrameStart();
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    SetTranslation(0, 0);
    OxGfxMeshDraw(mesh, 4);
    bool untouched = IsColour(ReadPixel(kCentreX, kCentreY), 255, 255, 255, 0);
    OxSysFrameEnd();
    OxGfxMeshFree(mesh);
    printf("[draw done]\n");

    for (int i = 0; i < 24576 + 10; ++i) OxGfxVertexAdd(1, 2, kRed, 0, 0);
    OxGfxVertexList* full = OxGfxMeshEnd();
    bool fullCount = full->vertexCount == 24576;
    OxGfxMeshFree(full);
    printf("[first mesh done]\n");
    for (int i = 0; i < 24576 + 1; ++i) OxGfxVertexAdd(1, 2, kRed, 0, 0);
    OxGfxMeshFree(OxGfxMeshEnd());
    OxGfxVertexAdd(1, 2, kRed, 0, 0);
    OxGfxVertexList* small = OxGfxMeshEnd();
    bool smallCount = small->vertexCount == 1;
    OxGfxMeshFree(small);
    OxSysExit();
    return (untouched ? 0 : 4) + (fullCount ? 0 : 8) + (smallCount ? 0 : 16);
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  const std::string full = "Mesh is full: vertices beyond 24576 are ignored\n";
  EXPECT_NE(child.out.find("Mesh Draw Mode 4 is invalid!\n[draw done]\n"), std::string::npos)
      << child.out;
  EXPECT_EQ(oxtest::Count(child.out, "Mesh Draw Mode"), 1u);
  EXPECT_NE(child.out.find(full + "[first mesh done]\n" + full), std::string::npos) << child.out;
  EXPECT_EQ(oxtest::Count(child.out, full), 2u);
}

// Cases: without a window, OxGfxInit returns 0 after its first line only.
TEST(GraphicsMessages, InitWithoutWindowFails)
{
  oxtest::ChildResult child = oxtest::RunInChild([] { return OxGfxInit(kWidth, kHeight) == 0 ? 0 : 1; });
  EXPECT_EQ(child.exitCode, 0);
  EXPECT_EQ(child.out, "Graphics: OpenGL\n");
  EXPECT_EQ(child.err, "");
}

// Cases: an OpenGL error left before OxGfxSetRenderMode gives one complete
// report naming it and exit code 1, with nothing run after it.
TEST(GraphicsFatal, ErrorBeforeSetRenderMode)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    if (StartLibrary(kWidth, kHeight) != 1) return 2;
    OxSysFrameStart();
    glEnable(0xFFFF);  // GL_INVALID_ENUM
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    printf("still running\n");
    return 0;
  });
  EXPECT_EQ(child.exitCode, 1);
  std::regex report(
      "CHECK_GL_ERROR:\nLine: [0-9]+\nFunc: OxGfxSetRenderMode\nFile: " OX_SOURCE_DIR
      "/src/graphics/OxGraphics.cpp\nCode: 0x00000500\nMesg: \n$");
  EXPECT_TRUE(std::regex_search(child.out, report)) << child.out;
  EXPECT_EQ(oxtest::Count(child.out, "CHECK_GL_ERROR:"), 1u);
  EXPECT_EQ(child.out.find("still running"), std::string::npos);
}

// Cases: in full screen (1280 by 720 on the 1920 by 1080 display, scale 1.5)
// the first program switch sets the scaled viewport, while the extents and the
// window size stay those of the window; a mesh at the camera still lands at
// the centre of the viewport.
TEST(GraphicsFullScreen, ScaledViewportSameWorld)
{
  ASSERT_EQ(StartLibrary(1280, 720), 1);
  OxSysSetFullScreen(1);
  ASSERT_EQ(OxSysIsFullScreen(), 1);
  OxGfxVertexList* square = RectangleMesh(0, 0, 10, 10, kRed);
  OxSysFrameStart();
  OxSysFrameEnd();

  OxSysFrameStart();
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 1280);
  EXPECT_EQ(viewport[3], 720);
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 1920);
  EXPECT_EQ(viewport[3], 1080);
  SetTranslation(0, 0);
  OxGfxMeshDraw(square, OxGfxMeshDrawModeTriangles);
  EXPECT_TRUE(IsColour(ReadPixel(960, 540), 255, 0, 0, 0));
  // 10 world units are 15 pixels: inside at 13, outside at 17.
  EXPECT_TRUE(IsColour(ReadPixel(960 + 13, 540), 255, 0, 0, 0));
  EXPECT_FALSE(IsColour(ReadPixel(960 + 17, 540), 255, 0, 0, 0));
  OxSysFrameEnd();

  EXPECT_EQ(OxGfxGetWindowWidth(), 1280);
  EXPECT_EQ(OxGfxGetWindowHeight(), 720);
  EXPECT_EQ(OxGfxGetWinMaxX() - OxGfxGetWinMinX(), 1280.0f);
  EXPECT_EQ(OxGfxGetWinMaxY() - OxGfxGetWinMinY(), 720.0f);
  OxGfxMeshFree(square);
  OxSysSetFullScreen(0);
  OxSysExit();
}
