// The rendering-context and terminal layers, tested directly: this program
// compiles the SDL backend's sources itself, since the library hides them.
// Linux-only program: it compiles the SDL backend's own sources (the GLX
// context, the POSIX terminal on a pseudo-terminal); the Win32 backend's
// context and console are exercised through the engine by the display,
// graphics and system tests.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "OxTestSupport.h"
#include "OxX11Support.h"
#include "../src/platform/OxPlatformDepthStencil.cpp"
#include "../src/platform/OxPlatformInputEvents.cpp"
#include "../src/platform/OxPlatformWindowTable.cpp"
#include "../src/platform/sdl/OxPlatformGLSDL.cpp"
#include "../src/platform/posix/OxPlatformTerminalPosix.cpp"
#include "../src/platform/sdl/OxPlatformKeysSDL.cpp"
#include "../src/platform/sdl/OxPlatformWindowSDL.cpp"
#include "../src/platform/sdl/OxPlatformX11SDL.cpp"
#include "../src/text/OxTitleText.cpp"
#include "../src/text/OxUtf8.cpp"

namespace {

HWND MakeWindow(int width, int height)
{
  OxPlatformRegisterClass("Test Class", nullptr, nullptr);
  HWND window = OxPlatformCreateWindow("Test Class", "GL test", 0x06CA0000, 10, 20, width,
                                       height, nullptr);
  OxPlatformShowWindow(window, SW_SHOWNORMAL);
  return window;
}

// Cases: the window's surface takes a context with RGBA 8 each, 24 depth and
// 8 stencil bits, double-buffered; a new context is not current until made
// so; a cleared back buffer reads back; the swap works; setting the swap
// interval is harmless whether or not the driver has swap control.
TEST(PlatformGL, ContextOnTheWindow)
{
  oxtest::UsePrivateDisplay();
  HWND window = MakeWindow(64, 48);
  ASSERT_NE(window, nullptr);
  OxPlatformDC* dc = OxPlatformGetDC(window);
  ASSERT_NE(dc, nullptr);
  OxPlatformGLContext* context = OxPlatformCreateContext(dc);
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
  EXPECT_FALSE(OxPlatformHasSwapControl());  // nothing current yet
  ASSERT_TRUE(OxPlatformMakeCurrent(dc, context));
  GLint red = 0, green = 0, blue = 0, alpha = 0, depth = 0, stencil = 0;
  GLboolean doubleBuffer = GL_FALSE;
  glGetIntegerv(GL_RED_BITS, &red);
  glGetIntegerv(GL_GREEN_BITS, &green);
  glGetIntegerv(GL_BLUE_BITS, &blue);
  glGetIntegerv(GL_ALPHA_BITS, &alpha);
  glGetIntegerv(GL_DEPTH_BITS, &depth);
  glGetIntegerv(GL_STENCIL_BITS, &stencil);
  glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffer);
  EXPECT_EQ(red, 8);
  EXPECT_EQ(green, 8);
  EXPECT_EQ(blue, 8);
  EXPECT_EQ(alpha, 8);
  EXPECT_EQ(depth, 24);
  EXPECT_EQ(stencil, 8);
  EXPECT_EQ(doubleBuffer, GL_TRUE);

  glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  unsigned char pixel[4] = {0, 0, 0, 0};
  glReadPixels(5, 5, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  EXPECT_EQ(pixel[0], 0);
  EXPECT_EQ(pixel[1], 255);
  EXPECT_EQ(pixel[2], 0);
  EXPECT_TRUE(OxPlatformSwapBuffers(dc));
  bool hasSwapControl = OxPlatformHasSwapControl();
  OxPlatformSetSwapInterval(1);
  OxPlatformSetSwapInterval(0);
  EXPECT_EQ(OxPlatformHasSwapControl(), hasSwapControl);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  EXPECT_TRUE(OxPlatformMakeCurrent(nullptr, nullptr));
  EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
  OxPlatformDeleteContext(context);
  OxPlatformReleaseDC(window, dc);
}

// Cases: a null or destroyed window has no surface; a surface kept past its
// window's end fails to swap, to make current and to take a context.
TEST(PlatformGL, DeadWindowsFailCleanly)
{
  oxtest::UsePrivateDisplay();
  EXPECT_EQ(OxPlatformGetDC(nullptr), nullptr);
  EXPECT_EQ(OxPlatformCreateContext(nullptr), nullptr);
  EXPECT_FALSE(OxPlatformSwapBuffers(nullptr));
  HWND window = MakeWindow(32, 32);
  ASSERT_NE(window, nullptr);
  OxPlatformDC* dc = OxPlatformGetDC(window);
  OxPlatformGLContext* context = OxPlatformCreateContext(dc);
  ASSERT_NE(context, nullptr);
  EXPECT_TRUE(OxPlatformDestroyWindow(window));
  EXPECT_FALSE(OxPlatformDestroyWindow(window));
  EXPECT_EQ(OxPlatformGetDC(window), nullptr);
  EXPECT_FALSE(OxPlatformSwapBuffers(dc));
  EXPECT_FALSE(OxPlatformMakeCurrent(dc, context));
  EXPECT_EQ(OxPlatformCreateContext(dc), nullptr);
  OxPlatformDeleteContext(context);
  OxPlatformReleaseDC(window, dc);
}

// Cases: a process never gets a new console (with or without a terminal);
// the key wait returns at once when standard input is not a terminal, and on
// a terminal reads exactly one key without echoing it.
TEST(PlatformTerminal, ConsoleAndKeyWait)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    bool allocated = OxPlatformAllocConsole();
    OxPlatformSetConsoleTitle("ignored");
    OxPlatformWaitForKey();  // stdin is /dev/null here
    OxPlatformFreeConsole();
    return allocated ? 1 : 0;
  });
  EXPECT_EQ(child.exitCode, 0);
  EXPECT_EQ(child.out, "");

  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    bool allocated = OxPlatformAllocConsole();
    OxPlatformWaitForKey();
    char rest = 0;
    ssize_t got = read(STDIN_FILENO, &rest, 1);  // the key after the first
    termios now;
    tcgetattr(STDIN_FILENO, &now);
    bool restored = (now.c_lflag & ECHO) && (now.c_lflag & ICANON);
    _exit(!allocated && got == 1 && rest == 'y' && restored ? 0 : 1);
  }
  usleep(200000);  // let the child reach its wait with echo off
  ASSERT_EQ(write(master, "x", 1), 1);
  usleep(200000);
  ASSERT_EQ(write(master, "y\n", 2), 2);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  // The terminal echoes only what arrived after the wait ended.
  char echoed[64] = {};
  ssize_t length = read(master, echoed, sizeof(echoed) - 1);
  std::string text = length > 0 ? std::string(echoed, length) : "";
  EXPECT_EQ(text.find('x'), std::string::npos) << text;
  close(master);
}

LRESULT CALLBACK RefuseCreation(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_CREATE) return -1;
  return DefWindowProcA(window, message, wParam, lParam);
}

// Cases: a class name registers once; an unknown class makes no window; a
// procedure refusing WM_CREATE makes none either; a class cannot be removed
// while a window of it lives, and can be afterwards.
TEST(PlatformWindow, ClassesAndCreation)
{
  oxtest::UsePrivateDisplay();
  EXPECT_TRUE(OxPlatformRegisterClass("One", nullptr, nullptr));
  EXPECT_FALSE(OxPlatformRegisterClass("One", nullptr, nullptr));
  EXPECT_EQ(OxPlatformCreateWindow("None", "x", 0, 0, 0, 10, 10, nullptr), nullptr);
  EXPECT_TRUE(OxPlatformRegisterClass("Refusing", RefuseCreation, nullptr));
  EXPECT_EQ(OxPlatformCreateWindow("Refusing", "x", 0, 0, 0, 10, 10, nullptr), nullptr);
  HWND window = OxPlatformCreateWindow("One", "x", 0, 0, 0, 10, 10, nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(OxPlatformUnregisterClass("One", nullptr));
  EXPECT_TRUE(OxPlatformDestroyWindow(window));
  EXPECT_TRUE(OxPlatformUnregisterClass("One", nullptr));
  EXPECT_FALSE(OxPlatformUnregisterClass("One", nullptr));
  EXPECT_TRUE(OxPlatformRegisterClass("One", nullptr, nullptr));
}

}  // namespace
