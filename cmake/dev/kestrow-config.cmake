# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# find_package(kestrow) gives kestrow::photo_file, the header-only photo
# file reader: link it and #include <kestrow/photo_file.h>. And, where the
# programs are installed beside it, kestrow_add_picture(), which converts a
# picture while the target is built.
include(${CMAKE_CURRENT_LIST_DIR}/kestrow-targets.cmake)

# This file is <prefix>/share/cmake/kestrow/kestrow-config.cmake.
get_filename_component(_kestrow_prefix ${CMAKE_CURRENT_LIST_DIR}/../../.. ABSOLUTE)

# kestrow_add_picture(<target> <picture.bmp> FORMAT <photo2raw format>
#                     [BITS 6|12|16] [DITHER] [NAME <symbol>])
# converts a 24-bit BMP when <target> is built, and again whenever the BMP
# changes: bmpdither first with DITHER (bmpdither12 for BITS 12, whose
# 4:4:4 colours kestrow16 carries), then kestrow (BITS 6) or kestrow16
# (BITS 16, the default, and 12), then photo2raw in FORMAT. The result is
# <NAME>.h holding the array <NAME> (an lvgl format: <NAME>.c holding the
# descriptor <NAME>, compiled into the target), in a folder added to the
# target's include path. NAME defaults to the BMP's name without its
# extension.
function(kestrow_add_picture target bmp)
  cmake_parse_arguments(PARSE_ARGV 2 arg "DITHER" "FORMAT;BITS;NAME" "")
  set(where "kestrow_add_picture(${target} ${bmp})")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "${where}: unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT arg_FORMAT)
    message(FATAL_ERROR "${where}: FORMAT <photo2raw format> is required (rgb565, rgb565be, lvgl9-rgb565, ...)")
  endif()
  get_filename_component(bmp ${bmp} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  if(NOT EXISTS ${bmp})
    message(FATAL_ERROR "${where}: ${bmp} does not exist")
  endif()
  if(NOT arg_BITS)
    set(arg_BITS 16)
  endif()
  if(NOT arg_BITS MATCHES "^(6|12|16)$")
    message(FATAL_ERROR "${where}: BITS ${arg_BITS}: give 6, 12 or 16")
  endif()
  if(NOT arg_NAME)
    get_filename_component(arg_NAME ${bmp} NAME_WE)
  endif()
  if(NOT arg_NAME MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
    message(FATAL_ERROR "${where}: NAME ${arg_NAME} is not a C identifier: give NAME <symbol>")
  endif()

  set(programs photo2raw kestrow16)
  if(arg_BITS EQUAL 6)
    set(programs photo2raw kestrow)
  endif()
  set(dither bmpdither16)
  if(arg_BITS EQUAL 6)
    set(dither bmpdither)
  elseif(arg_BITS EQUAL 12)
    set(dither bmpdither12)
  endif()
  if(arg_DITHER)
    list(APPEND programs ${dither})
  endif()
  foreach(p IN LISTS programs)
    find_program(KESTROW_${p} ${p} HINTS ${_kestrow_prefix}/bin)
    if(NOT KESTROW_${p})
      message(FATAL_ERROR "${where}: ${p} was not found: install kestrow's programs (the kestrow package)")
    endif()
  endforeach()
  set(converter ${KESTROW_kestrow16})
  if(arg_BITS EQUAL 6)
    set(converter ${KESTROW_kestrow})
  endif()

  set(dir ${CMAKE_CURRENT_BINARY_DIR}/kestrow_pictures/${target})
  set(extension h)
  if(arg_FORMAT MATCHES "^lvgl")
    set(extension c)
  endif()
  set(out ${dir}/${arg_NAME}.${extension})
  set(work ${dir}/${arg_NAME})
  set(source ${bmp})
  set(steps "")
  if(arg_DITHER)
    set(source ${work}.dithered.bmp)
    list(APPEND steps COMMAND ${KESTROW_${dither}} ${bmp} ${source})
  endif()
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    ${steps}
    COMMAND ${converter} ${source} ${work}.photo
    COMMAND ${KESTROW_photo2raw} ${work}.photo ${out} ${arg_FORMAT}
    DEPENDS ${bmp}
    COMMENT "Converting ${bmp} into ${arg_NAME}.${extension} (${arg_FORMAT})"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
  target_include_directories(${target} PRIVATE ${dir})
endfunction()
