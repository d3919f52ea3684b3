# Third-party libraries prebuilt by scripts/deps into build/deps/<name>.
#
# A library that has not been built yet simply gets no target, so a tree that
# does not link it still configures; MCR_DEPS_MISSING names what is absent and
# any target that links one fails at generate time with CMake's own message.

if(NOT DEFINED MCR_DEPS_NAME OR MCR_DEPS_NAME STREQUAL "")
  if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(MCR_DEPS_NAME win64)
  elseif(WIN32)
    set(MCR_DEPS_NAME win32)
  else()
    set(MCR_DEPS_NAME native)
  endif()
endif()

# MCR_DEPS_ROOT lets a scratch project outside the tree reuse the same libraries.
if(NOT MCR_DEPS_ROOT)
  set(MCR_DEPS_ROOT "${CMAKE_SOURCE_DIR}/build/deps")
endif()
set(MCR_DEPS_DIR "${MCR_DEPS_ROOT}/${MCR_DEPS_NAME}")
set(MCR_DEPS_MISSING "")

# Reconfigure after scripts/deps rebuilt something, so a changed header set or
# definition is picked up without deleting the build tree.
if(EXISTS "${MCR_DEPS_DIR}/deps.stamp")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${MCR_DEPS_DIR}/deps.stamp")
endif()

# mcr_dep(<name> <file> [CXX] [DEFINES ...] [LINK ...])
function(mcr_dep name file)
  cmake_parse_arguments(PARSE_ARGV 2 arg "CXX" "" "DEFINES;LINK")
  # A C++ archive needs the C++ runtime even when a C target links it.
  set(lang C)
  if(arg_CXX)
    set(lang CXX)
  endif()
  set(lib "${MCR_DEPS_DIR}/lib/${file}")
  if(TARGET mcr::${name})
    return()
  endif()
  if(NOT EXISTS "${lib}" OR NOT IS_DIRECTORY "${MCR_DEPS_DIR}/include")
    set(MCR_DEPS_MISSING ${MCR_DEPS_MISSING} ${name} PARENT_SCOPE)
    return()
  endif()
  add_library(mcr::${name} STATIC IMPORTED GLOBAL)
  set_target_properties(mcr::${name} PROPERTIES
    IMPORTED_LOCATION "${lib}"
    IMPORTED_LINK_INTERFACE_LANGUAGES ${lang}
    INTERFACE_INCLUDE_DIRECTORIES "${MCR_DEPS_DIR}/include"
    INTERFACE_COMPILE_DEFINITIONS "${arg_DEFINES}"
    INTERFACE_LINK_LIBRARIES "${arg_LINK}")
endfunction()

# zint's output code calls the maths library, which MinGW folds into its CRT.
if(WIN32)
  set(_mcr_libm "")
else()
  set(_mcr_libm m)
endif()

mcr_dep(zlib libz.a)
mcr_dep(zint libzint.a LINK ${_mcr_libm})
mcr_dep(pcre2_16 libpcre2-16.a DEFINES PCRE2_STATIC PCRE2_CODE_UNIT_WIDTH=16)
mcr_dep(cmark libcmark.a DEFINES CMARK_STATIC_DEFINE)
mcr_dep(pugixml libpugixml.a CXX)
if(TARGET mcr::zlib)
  mcr_dep(minizip libminizip.a LINK mcr::zlib)
else()
  list(APPEND MCR_DEPS_MISSING minizip)
endif()
unset(_mcr_libm)

# FLTK for the Linux windows, with the X11 libraries every desktop has.
if(NOT WIN32 AND EXISTS "${MCR_DEPS_DIR}/lib/libfltk.a")
  mcr_dep(fltk libfltk.a CXX LINK X11 Xext Xft Xrender fontconfig Xinerama Xfixes Xcursor dl m pthread)
endif()

if(MCR_DEPS_MISSING)
  list(JOIN MCR_DEPS_MISSING ", " _mcr_missing)
  message(STATUS "Deps (${MCR_DEPS_NAME}): not built: ${_mcr_missing} -- run scripts/bootstrap "
                 "(or scripts/deps ${MCR_DEPS_NAME}) and reconfigure")
  unset(_mcr_missing)
endif()

# Debian's doctest is a single portable header, so the cross builds share it.
if(NOT TARGET mcr::doctest AND EXISTS /usr/include/doctest/doctest.h)
  add_library(mcr::doctest INTERFACE IMPORTED GLOBAL)
  set_target_properties(mcr::doctest PROPERTIES INTERFACE_INCLUDE_DIRECTORIES /usr/include/doctest)
endif()

# The benchmarks run only natively; Debian's package provides the config file.
if(MCR_DEPS_NAME STREQUAL "native" AND NOT TARGET benchmark::benchmark)
  find_package(benchmark QUIET)
  if(NOT benchmark_FOUND)
    message(STATUS "Deps: Google Benchmark not found (Debian package libbenchmark-dev)")
  endif()
endif()
