# Embeds what a Windows resource script names into a C++ source, for the
# POSIX build: every `NAME RCDATA "file"` line (the name may be quoted) as a
# byte array, and every `ID, "text"` line of a STRINGTABLE as a UTF-16 string.
# A data file is looked up beside the script, then in the folders of
# SEARCH_DIRS, as the resource compiler looks it up on its include path (how
# the script names files that the build makes).
#
#   cmake -DSCRIPT=<file.rc> -DOUTPUT=<file.cpp> [-DSEARCH_DIRS=<dir;...>] -P EmbedResources.cmake
#
# Also usable with include() to learn the data files a script names:
# mcr_resource_files(<script> <out-var> [<search dir>...]).

set(_mcr_rcdata_line "^[ \t]*\"?([A-Za-z_][A-Za-z0-9_]*)\"?[ \t]+RCDATA[ \t]+\"([^\"]+)\"")

# The path of a data file the script names: beside the script unless one of
# the search folders holds it.
function(mcr_resource_path script_dir name search_dirs out)
  set(path "${script_dir}/${name}")
  if(NOT EXISTS "${path}")
    foreach(search IN LISTS search_dirs)
      if(EXISTS "${search}/${name}" OR NOT CMAKE_SCRIPT_MODE_FILE)
        # At configure time a file that the build makes does not exist yet.
        set(path "${search}/${name}")
        break()
      endif()
    endforeach()
  endif()
  set(${out} "${path}" PARENT_SCOPE)
endfunction()

function(mcr_resource_files script out)
  file(STRINGS "${script}" lines ENCODING UTF-8)
  get_filename_component(dir "${script}" DIRECTORY)
  set(files "")
  foreach(line IN LISTS lines)
    if(line MATCHES "${_mcr_rcdata_line}")
      mcr_resource_path("${dir}" "${CMAKE_MATCH_2}" "${ARGN}" path)
      list(APPEND files "${path}")
    endif()
  endforeach()
  set(${out} "${files}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND SCRIPT AND OUTPUT)
  file(STRINGS "${SCRIPT}" lines ENCODING UTF-8)
  get_filename_component(dir "${SCRIPT}" DIRECTORY)
  get_filename_component(scriptName "${SCRIPT}" NAME)
  set(arrays "")
  set(entries "")
  set(strings "")
  set(dataCount 0)
  set(stringCount 0)
  set(inTable OFF)
  foreach(line IN LISTS lines)
    if(line MATCHES "${_mcr_rcdata_line}")
      set(name "${CMAKE_MATCH_1}")
      mcr_resource_path("${dir}" "${CMAKE_MATCH_2}" "${SEARCH_DIRS}" path)
      file(READ "${path}" hex HEX)
      string(LENGTH "${hex}" size)
      math(EXPR size "${size} / 2")
      string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
      if(size EQUAL 0)
        set(bytes "0")  # an array may not be empty; the size says 0
      endif()
      string(APPEND arrays "const unsigned char kBytes${dataCount}[] = {${bytes}};\n")
      string(APPEND entries "    {u\"${name}\", kBytes${dataCount}, ${size}},\n")
      math(EXPR dataCount "${dataCount} + 1")
    elseif(line MATCHES "^[ \t]*STRINGTABLE")
      set(inTable ON)
    elseif(inTable AND line MATCHES "^[ \t]*END")
      set(inTable OFF)
    elseif(inTable AND line MATCHES "^[ \t]*([A-Za-z_0-9]+)[ \t]*,[ \t]*\"(.*)\"[ \t]*$")
      set(id "${CMAKE_MATCH_1}")
      # The resource compiler doubles a quote; C++ escapes it.
      string(REPLACE "\"\"" "\\\"" text "${CMAKE_MATCH_2}")
      string(APPEND strings "    {${id}, u\"${text}\"},\n")
      math(EXPR stringCount "${stringCount} + 1")
    endif()
  endforeach()
  # Arrays may not be empty: a terminating entry follows the real ones.
  string(APPEND entries "    {nullptr, nullptr, 0},\n")
  string(APPEND strings "    {0, nullptr},\n")
  file(WRITE "${OUTPUT}.tmp"
"// Generated from ${scriptName} by EmbedResources.cmake: do not edit.
#include \"platform/posix/EmbeddedResources.h\"
#include \"resources/ResourceIds.h\"

namespace platform::embedded {
namespace {
${arrays}}  // namespace

const Data kData[] = {
${entries}};
const std::size_t kDataCount = ${dataCount};

const String kStrings[] = {
${strings}};
const std::size_t kStringCount = ${stringCount};

}  // namespace platform::embedded
")
  file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
  file(REMOVE "${OUTPUT}.tmp")
endif()
