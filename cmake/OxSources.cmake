# The library's sources, named one by one: the families and what every
# backend shares, then each backend's own files. A file not listed here is
# not built; a backend's folder joins a library only through its list.

set(OX_SRC ${CMAKE_CURRENT_LIST_DIR}/../src)
get_filename_component(OX_SRC ${OX_SRC} ABSOLUTE)

# The families, the diagnostics and window state beneath them, the image
# checks and codecs every backend uses, the depth choice every backend reads,
# and the mixer (which the tests, the fuzz target and the benchmark also compile on
# their own, with a backend's audio output and file layer).
set(OX_MIXER_COMMON_SOURCES
  mixer/OxMixer.cpp mixer/OxMixerDecoderMpeg.cpp mixer/OxMixerDecoderSndfile.cpp
  mixer/OxMixerDecoderVorbis.cpp mixer/OxMixerDevice.cpp mixer/OxMixerResampler.cpp)
set(OX_COMMON_SOURCES
  audio/OxAudio.cpp
  diagnostics/OxDiagnostics.cpp
  graphics/OxBatch.cpp graphics/OxFont.cpp graphics/OxGlyphAtlas.cpp
  graphics/OxGraphics.cpp graphics/OxRenderState.cpp graphics/OxScreenshot.cpp
  graphics/OxShaderSources.cpp graphics/OxTexture.cpp graphics/Shader.cpp
  graphics/OxSprite.cpp
  image/OxImageCheck.cpp image/OxImagePnm.cpp image/OxImageQoi.cpp image/OxImageTga.cpp
  image/OxImageWrite.cpp
  input/OxInput.cpp input/OxInputRecord.cpp
  math/OxCollision.cpp math/OxDistance.cpp math/OxMath.cpp math/OxMatrix4.cpp math/OxMtx33.cpp
  math/OxVec2.cpp
  platform/OxPlatformDepthStencil.cpp platform/OxPlatformInputEvents.cpp
  system/OxFrameRateController.cpp system/OxFullScreen.cpp system/OxSystem.cpp
  text/OxTitleText.cpp
  window/OxWindowState.cpp
  ${OX_MIXER_COMMON_SOURCES})

# The pure units: arithmetic and text rules without state (the camera's
# matrices, the glyph atlas's layout, UTF-8, the limiter's sleep margin, the
# full-screen area). One object library holds them, built into the library
# and linked by the tests that check them directly.
set(OX_UNIT_SOURCES graphics/OxGlyphLayout.cpp graphics/OxMatrixBuilders.cpp
  system/OxSleepMargin.cpp text/OxUtf8.cpp window/OxFullScreenArea.cpp)

# What the Linux and Web builds share: SDL2's windows, events, context,
# gamepads and images, POSIX files and terminal, libpng and libjpeg.
set(OX_SDL_COMMON_SOURCES
  image/OxImageJpeg.cpp image/OxImagePng.cpp image/OxImageWritePng.cpp
  platform/OxPlatformWindowTable.cpp platform/posix/OxPlatformTerminalPosix.cpp
  platform/sdl/OxPlatformGLSDL.cpp platform/sdl/OxPlatformGamepadSDL.cpp
  platform/sdl/OxPlatformImageSDL.cpp platform/sdl/OxPlatformKeysSDL.cpp
  platform/sdl/OxPlatformWindowSDL.cpp platform/sdl/OxPlatformX11SDL.cpp)

# Linux: SDL2 on X11 with its clock and audio device, desktop OpenGL.
set(OX_LINUX_MIXER_BACKEND platform/sdl/OxPlatformAudioOutputSDL.cpp
  platform/posix/OxPlatformFilePosix.cpp)
set(OX_LINUX_SOURCES ${OX_LINUX_MIXER_BACKEND} ${OX_SDL_COMMON_SOURCES}
  platform/opengl/OxPlatformGLReadDesktop.cpp platform/sdl/OxPlatformClockSDL.cpp)

# Windows: Win32 as it is, desktop OpenGL, GDI+ images.
set(OX_WIN32_MIXER_BACKEND platform/win32/OxPlatformAudioOutputWaveOut.cpp
  platform/win32/OxPlatformFileWin32.cpp)
set(OX_WIN32_SOURCES ${OX_WIN32_MIXER_BACKEND}
  platform/opengl/OxPlatformGLReadDesktop.cpp
  platform/win32/OxPlatformClockWin32.cpp platform/win32/OxPlatformGLWin32.cpp
  platform/win32/OxPlatformGamepadXInput.cpp platform/win32/OxPlatformImageGdiplus.cpp
  platform/win32/OxPlatformImageWriteGdiplus.cpp platform/win32/OxPlatformTerminalWin32.cpp
  platform/win32/OxPlatformWindowWin32.cpp)

# The browser: SDL2's Emscripten driver, POSIX files over the page's file
# system, and of its own the clock, the Web Audio output, WebGL reads and
# the reused WebGL context's fresh state.
set(OX_WEB_MIXER_BACKEND platform/web/OxPlatformAudioOutputWeb.cpp
  platform/posix/OxPlatformFilePosix.cpp)
set(OX_WEB_SOURCES ${OX_WEB_MIXER_BACKEND} ${OX_SDL_COMMON_SOURCES}
  platform/web/OxPlatformClockWeb.cpp platform/web/OxPlatformGLReadWeb.cpp
  platform/web/OxPlatformGLWeb.cpp)

# The null backend: windows, queue, clock, pads and audio output in memory,
# OpenGL through EGL without a window system; it needs no display or device,
# for tests anywhere. Images are decoded as on Linux (SDL2_image's decoders
# need no display).
set(OX_NULL_MIXER_BACKEND platform/null/OxPlatformAudioOutputNull.cpp
  platform/posix/OxPlatformFilePosix.cpp)
set(OX_NULL_SOURCES ${OX_NULL_MIXER_BACKEND}
  image/OxImageJpeg.cpp image/OxImagePng.cpp image/OxImageWritePng.cpp
  platform/OxPlatformWindowTable.cpp platform/opengl/OxPlatformGLReadDesktop.cpp
  platform/null/OxPlatformClockNull.cpp platform/null/OxPlatformGLNull.cpp
  platform/null/OxPlatformGamepadNull.cpp platform/null/OxPlatformWindowNull.cpp
  platform/posix/OxPlatformTerminalPosix.cpp platform/sdl/OxPlatformImageSDL.cpp)

# OX_SOURCES, OX_MIXER_SOURCES and OX_UNITS for the backend named (LINUX, WIN32, WEB, NULL),
# as full paths.
macro(ox_select_backend backend)
  set(OX_SOURCES ${OX_COMMON_SOURCES} ${OX_${backend}_SOURCES})
  set(OX_MIXER_SOURCES ${OX_MIXER_COMMON_SOURCES} ${OX_${backend}_MIXER_BACKEND})
  list(TRANSFORM OX_SOURCES PREPEND ${OX_SRC}/)
  list(TRANSFORM OX_MIXER_SOURCES PREPEND ${OX_SRC}/)
  set(OX_UNITS ${OX_UNIT_SOURCES})
  list(TRANSFORM OX_UNITS PREPEND ${OX_SRC}/)
endmacro()
