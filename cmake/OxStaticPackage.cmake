# Shared by the cross builds (cmake/OxWindows.cmake, cmake/OxWeb.cmake).

# A pkg-config module of the cache as a static imported target called
# PkgConfig::<prefix>, so that the rest of the project links it by the name
# the Linux build gives it.
# System libraries that the module's static libraries need and its .pc file
# does not name follow it.
function(ox_static_package prefix module)
  pkg_check_modules(${prefix} REQUIRED ${module})
  add_library(PkgConfig::${prefix} INTERFACE IMPORTED)
  set_target_properties(PkgConfig::${prefix} PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${${prefix}_STATIC_INCLUDE_DIRS}"
    INTERFACE_COMPILE_OPTIONS "${${prefix}_STATIC_CFLAGS_OTHER}"
    INTERFACE_LINK_DIRECTORIES "${${prefix}_STATIC_LIBRARY_DIRS}"
    INTERFACE_LINK_LIBRARIES "${${prefix}_STATIC_LIBRARIES};${ARGN}")
endfunction()
