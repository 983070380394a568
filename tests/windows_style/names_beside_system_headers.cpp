// Compile-only: the engine's headers beside the C++ standard library, SDL2
// and OpenGL, included before them (OX_ENGINE_FIRST) or after them, and the
// Win32-shaped names used afterwards. Built with -Werror, so any clash,
// redefinition or warning fails the build.
#ifdef OX_ENGINE_FIRST
#include "Oxlen.h"
#endif

// The Windows build has no SDL2: there the system's own headers (which the
// engine's header includes) and OpenGL's stand beside.
#ifdef _WIN32
#include <windows.h>
#include <GL/gl.h>
#define OX_TICKS() GetTickCount()
#else
#include <GL/gl.h>
#include <SDL.h>
#include <SDL_opengl.h>
#include <SDL_syswm.h>
#define OX_TICKS() SDL_GetTicks()
#endif

#include <algorithm>
#include <any>
#include <array>
#include <atomic>
#include <cassert>
#include <cctype>
#include <cerrno>
#include <cfloat>
#include <chrono>
#include <climits>
#include <clocale>
#include <cmath>
#include <codecvt>
#include <complex>
#include <condition_variable>
#include <csignal>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cuchar>
#include <cwchar>
#include <cwctype>
#include <deque>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <limits>
#include <list>
#include <locale>
#include <map>
#include <memory>
#include <mutex>
#include <numeric>
#include <optional>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <type_traits>
#include <typeinfo>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <valarray>
#include <variant>
#include <vector>

#ifndef OX_ENGINE_FIRST
#include "Oxlen.h"
#endif

namespace {

LRESULT CALLBACK Procedure(_In_ HWND window, _In_ UINT message, _In_ WPARAM wParam,
                           _In_ LPARAM lParam)
{
  if (message == WM_MOUSEMOVE) return GET_X_LPARAM(lParam) + GET_Y_LPARAM(lParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

BOOL WINAPI Names(_In_z_ LPCSTR text, _In_opt_z_ PCSTR more, _Out_ LPSTR out, _Out_opt_ PSTR spare,
                  _Inout_ LPWSTR wide, _Inout_opt_ PWSTR wideSpare, _In_ LPCWSTR constWide,
                  _In_reads_(count) PCWSTR counted, _In_ size_t count,
                  _Outptr_ WCHAR** pointer)
{
  UNREFERENCED_PARAMETER(more);
  UNREFERENCED_PARAMETER(spare);
  UNREFERENCED_PARAMETER(wideSpare);
  UNREFERENCED_PARAMETER(counted);
  *out = text[0];
  *wide = constWide[0];
  *pointer = wide;
  WNDPROC procedure = Procedure;
  return procedure != nullptr && count > 0 ? TRUE : FALSE;
}

_Success_(return >= 0) _Check_return_ int CALLBACK Printed(_In_z_ _Printf_format_string_ const char* format)
{
  return std::printf("%s", format);
}

}  // namespace

int APIENTRY UsesEveryName()
{
  char out = 0;
  wchar_t wide[2] = {L'a', 0};
  WCHAR* pointer = nullptr;
  OxMtx33 world;
  OxMtx33Identity(&world);
  Matrix4 world3D;
  void (*exported)(const OxMtx33*) = OxGfxSetTransform;
  return Names("x", nullptr, &out, nullptr, wide, nullptr, L"b", L"c", 1, &pointer) +
         Printed("") + static_cast<int>(std::size(world3D.m)) + (exported != nullptr) +
         static_cast<int>(OX_TICKS() & 1) + std::min(1, 2) + (GL_TRUE == TRUE);
}
