# The Web build's part of the project (included by CMakeLists.txt when
# configured with Emscripten's toolchain, as scripts/build-web.sh does): the
# third-party libraries that scripts/web-deps.sh built as static imported
# targets under the names the Linux build uses, the browser backend's
# sources, and the link options every program of the engine takes.

if(NOT OX_WEB_DEPS AND DEFINED ENV{OX_WEB_DEPS})
  set(OX_WEB_DEPS $ENV{OX_WEB_DEPS})
endif()
if(NOT OX_WEB_DEPS)
  message(FATAL_ERROR "OX_WEB_DEPS is not set: run scripts/web-deps.sh and pass "
    "-DOX_WEB_DEPS=<the folder it prints>")
endif()
# pkg-config reads only the .pc files of the libraries built for the web.
set(ENV{PKG_CONFIG_LIBDIR} ${OX_WEB_DEPS}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
list(APPEND CMAKE_FIND_ROOT_PATH ${OX_WEB_DEPS})

include(${CMAKE_CURRENT_LIST_DIR}/OxStaticPackage.cmake)
ox_static_package(SDL2 sdl2)
ox_static_package(SDL2_IMAGE SDL2_image)
ox_static_package(FREETYPE freetype2)
ox_static_package(SNDFILE sndfile)
ox_static_package(PNG libpng)
ox_static_package(JPEG libjpeg)
ox_static_package(MPG123 libmpg123)
ox_static_package(VORBISFILE vorbisfile)

# What every program linking the engine needs in the browser:
# - Asyncify, so that the game keeps its own loop: the frame end hands the
#   page back to the browser and resumes where it left off (the engine's
#   own yield, in oxlen-library.js);
# - WebGL 1 with the client-side arrays and names of OpenGL ES 2.0;
# - memory that grows, the in-memory file system, and the runtime ended (with
#   its exit code reported) when main returns;
# - the page shell: a canvas, the arguments from the URL, the exit status
#   (main's own return value, which Asyncify would otherwise drop).
get_filename_component(OX_WEB_SHELL ${CMAKE_CURRENT_LIST_DIR}/web/shell.html ABSOLUTE)
get_filename_component(OX_WEB_EXIT_STATUS ${CMAKE_CURRENT_LIST_DIR}/web/exit-status.js ABSOLUTE)
get_filename_component(OX_WEB_JS_LIBRARY ${CMAKE_CURRENT_LIST_DIR}/web/oxlen-library.js ABSOLUTE)
set(OX_WEB_LINK_OPTIONS
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 -sASYNCIFY_IMPORTS=[OxWebYieldToBrowser]
  --js-library ${OX_WEB_JS_LIBRARY}
  -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1 -sFULL_ES2=1
  -sALLOW_MEMORY_GROWTH=1 -sFORCE_FILESYSTEM=1 -sEXIT_RUNTIME=1
  "-sEXPORTED_RUNTIME_METHODS=[FS]"
  --shell-file ${OX_WEB_SHELL} --pre-js ${OX_WEB_EXIT_STATUS} -sMINIFY_HTML=0)
if(EXISTS ${OX_WEB_DEPS}/lib/oxlen-web-link.txt)
  # Options the third-party libraries need from the program's link
  # (written by scripts/web-deps.sh).
  file(STRINGS ${OX_WEB_DEPS}/lib/oxlen-web-link.txt OX_WEB_DEPS_LINK_OPTIONS)
  list(APPEND OX_WEB_LINK_OPTIONS ${OX_WEB_DEPS_LINK_OPTIONS})
endif()

function(ox_web_library target)
  set_target_properties(${target} PROPERTIES ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  target_link_libraries(${target} PRIVATE PkgConfig::SDL2 PkgConfig::SDL2_IMAGE PkgConfig::FREETYPE
    PkgConfig::SNDFILE PkgConfig::PNG PkgConfig::JPEG PkgConfig::MPG123 PkgConfig::VORBISFILE)
  target_link_options(${target} INTERFACE ${OX_WEB_LINK_OPTIONS})
  # The flags a game linked by hand takes (scripts/build-web.sh reads them).
  list(JOIN OX_WEB_LINK_OPTIONS "\n" options)
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/oxlen-web-link.txt CONTENT "${options}\n")
endfunction()
