// Graphics fatal reports that real Mesa cannot provoke on its own. Mesa keeps
// a single error flag where OpenGL allows several, and its built-in shaders
// always compile; this program therefore wraps two driver entry points
// (glGetError, and glGetShaderiv as GLEW looks it up) so that a child can
// add one genuine error code ahead of the driver's, or report one failed
// compile. Everything else is the real driver.
// Linux-only program: it wraps two OpenGL entry points by ELF symbol
// interposition (dlsym with RTLD_NEXT), which a Windows DLL's imports do not
// allow; the fatal reports OpenGL itself can provoke are tested under Wine
// in graphics_test.
#include <gtest/gtest.h>

#include <GL/glew.h>
#include <GL/glx.h>
#include <dlfcn.h>

#include <regex>
#include <string>

#include "OxTestSupport.h"
#include "Oxlen.h"

namespace {

// Error codes handed out before the driver's own, most recent last.
GLenum gExtraErrors[4];
int gExtraErrorCount = 0;
// Whether the next compile-status query reports a failure.
bool gFailNextCompile = false;

typedef GLenum (*GetErrorFunction)(void);
typedef void (*GetShaderivFunction)(GLuint, GLenum, GLint*);
typedef __GLXextFuncPtr (*GetProcAddressFunction)(const GLubyte*);
GetShaderivFunction gRealGetShaderiv = nullptr;

void WrappedGetShaderiv(GLuint shader, GLenum name, GLint* value)
{
  gRealGetShaderiv(shader, name, value);
  if (name == GL_COMPILE_STATUS && gFailNextCompile) {
    gFailNextCompile = false;
    *value = GL_FALSE;
  }
}

const char* kFile = "File: " OX_SOURCE_DIR "/src/graphics/OxGraphics.cpp\n";

}  // namespace

extern "C" GLenum glGetError(void)
{
  static GetErrorFunction real = reinterpret_cast<GetErrorFunction>(dlsym(RTLD_NEXT, "glGetError"));
  if (gExtraErrorCount > 0) return gExtraErrors[--gExtraErrorCount];
  return real();
}

extern "C" __GLXextFuncPtr glXGetProcAddressARB(const GLubyte* name)
{
  static GetProcAddressFunction real =
      reinterpret_cast<GetProcAddressFunction>(dlsym(RTLD_NEXT, "glXGetProcAddressARB"));
  __GLXextFuncPtr function = real(name);
  if (std::string(reinterpret_cast<const char*>(name)) == "glGetShaderiv") {
    gRealGetShaderiv = reinterpret_cast<GetShaderivFunction>(function);
    return reinterpret_cast<__GLXextFuncPtr>(&WrappedGetShaderiv);
  }
  return function;
}

// Cases: two errors pending at the end of a frame give two complete blocks,
// each with its own code, named "OxGfxEnd", then one halt with exit code 1.
TEST(GraphicsFatal, TwoPendingErrorsTwoBlocksOneHalt)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    if (OxSysInit(nullptr, SW_SHOW, 320, 240, 0, 0, 0, nullptr) != 1) return 2;
    glewInit();
    OxSysFrameStart();
    gExtraErrors[gExtraErrorCount++] = GL_INVALID_VALUE;
    glEnable(0xFFFF);  // the driver's own GL_INVALID_ENUM
    OxSysFrameEnd();
    printf("still running\n");
    return 0;
  });
  EXPECT_EQ(child.exitCode, 1);
  std::string block = std::string("CHECK_GL_ERROR:\nLine: ([0-9]+)\nFunc: OxGfxEnd\n") + kFile;
  std::regex reports(block + "Code: 0x00000501\nMesg: \n" + block +
                     "Code: 0x00000500\nMesg: \n$");
  std::smatch match;
  ASSERT_TRUE(std::regex_search(child.out, match, reports)) << child.out;
  EXPECT_EQ(match[1], match[2]) << "both reports come from the same check";
  EXPECT_EQ(oxtest::Count(child.out, "CHECK_GL_ERROR:"), 2u);
  EXPECT_EQ(child.out.find("still running"), std::string::npos);
}

// Cases: a built-in shader that does not compile gives the HALT block naming
// "Shader::AddShaderFromString", then exit code 1; start-up goes no further.
TEST(GraphicsFatal, ShaderCompileFailureHalts)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    gFailNextCompile = true;
    OxSysInit(nullptr, SW_SHOW, 320, 240, 0, 0, 0, nullptr);
    printf("still running\n");
    return 0;
  });
  EXPECT_EQ(child.exitCode, 1);
  std::regex report(std::string("Graphics: OpenGL\nHALT:\nLine: [0-9]+\n"
                                "Func: Shader::AddShaderFromString\n") +
                    kFile + "Mesg: FAILED Shader compilation !\n$");
  EXPECT_TRUE(std::regex_search(child.out, report)) << child.out;
  EXPECT_EQ(child.err, "");
}
