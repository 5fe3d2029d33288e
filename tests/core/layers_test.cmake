# The layer rule of tegulo_core: a folder may include its own headers and those of the
# folders ranked below it (core/README.md), never one ranked above it. Every quoted include
# names a core folder, and the core uses no Qt. Inside compress/, each family folder may
# include only the folders listed for it below and the two interface headers on top
# (uCompress.h, compressors.h): no scheme includes the scan or the scheme table.
#   cmake -DCORE_DIR=<core folder> -P layers_test.cmake
# Prints each violation as file:line and fails when there is one.
cmake_policy(SET CMP0057 NEW)
set(kLayers base io entries compress tiles palette image rom screen scene convert locate)

# compress/ folders and the compress/ folders each may include; the scan and the files on
# top of compress/ (the scheme table, the unpacking) may include all of them.
set(kCompressUses_shared shared)
set(kCompressUses_search shared search)
set(kCompressUses_bios shared search bios)
set(kCompressUses_flag shared search bios flag)
set(kCompressUses_ct shared search flag ct)
set(kCompressUses_commands shared search commands)
set(kCompressUses_konami shared search konami)
set(kCompressUses_mixed shared search mixed)
set(kCompressUses_rnc shared search rnc)
set(kCompressInterface compress/uCompress.h compress/compressors.h)

# The compress/ folder of a path below compress/ ("top" for a file directly in it), or "".
function(compress_folder path result)
  if(path MATCHES "^compress/([^/]+)/")
    set(${result} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  elseif(path MATCHES "^compress/[^/]+$")
    set(${result} top PARENT_SCOPE)
  else()
    set(${result} "" PARENT_SCOPE)
  endif()
endfunction()

if(NOT CORE_DIR)
  message(FATAL_ERROR "CORE_DIR is not set")
endif()

file(GLOB_RECURSE sources RELATIVE ${CORE_DIR} ${CORE_DIR}/*.h ${CORE_DIR}/*.cpp)
list(SORT sources)
set(violations 0)
foreach(source IN LISTS sources)
  string(REGEX MATCH "^[^/]+" folder "${source}")
  list(FIND kLayers "${folder}" rank)
  if(rank EQUAL -1)
    message("${source}: not inside a subsystem folder (${kLayers})")
    math(EXPR violations "${violations} + 1")
    continue()
  endif()
  file(STRINGS ${CORE_DIR}/${source} lines)
  set(lineNumber 0)
  foreach(line IN LISTS lines)
    math(EXPR lineNumber "${lineNumber} + 1")
    if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*<(Q[A-Za-z]*)")
      message("${source}:${lineNumber}: includes Qt (<${CMAKE_MATCH_1}>)")
      math(EXPR violations "${violations} + 1")
    elseif(line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\"")
      set(target "${CMAKE_MATCH_1}")
      string(REGEX MATCH "^[^/]+/" targetFolder "${target}")
      string(REGEX REPLACE "/$" "" targetFolder "${targetFolder}")
      list(FIND kLayers "${targetFolder}" targetRank)
      if(targetRank EQUAL -1)
        message("${source}:${lineNumber}: \"${target}\" does not name a core folder")
        math(EXPR violations "${violations} + 1")
      elseif(targetRank GREATER rank)
        math(EXPR shownRank "${rank} + 1")  # ranks count from 1 as in core/README.md
        math(EXPR shownTargetRank "${targetRank} + 1")
        message("${source}:${lineNumber}: ${folder}/ (rank ${shownRank}) includes the higher "
                "${targetFolder}/ (rank ${shownTargetRank}): \"${target}\"")
        math(EXPR violations "${violations} + 1")
      else()
        compress_folder("${source}" sourcePart)
        compress_folder("${target}" targetPart)
        if(DEFINED kCompressUses_${sourcePart} AND targetPart AND
           NOT target IN_LIST kCompressInterface)
          if(NOT targetPart IN_LIST kCompressUses_${sourcePart})
            message("${source}:${lineNumber}: compress/${sourcePart}/ may include only "
                    "compress/{${kCompressUses_${sourcePart}}}/ and the interface headers: "
                    "\"${target}\"")
            math(EXPR violations "${violations} + 1")
          endif()
        endif()
      endif()
    endif()
  endforeach()
endforeach()

if(violations GREATER 0)
  message(FATAL_ERROR "${violations} layer violation(s) in ${CORE_DIR}")
endif()
list(LENGTH sources count)
message("${count} files keep the layers")
