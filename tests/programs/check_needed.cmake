# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Fails unless every program in PROGRAMS (comma-separated) lists libc.so.6 as
# its only NEEDED shared library; with STATIC set, unless it needs none.
string(REPLACE "," ";" programs "${PROGRAMS}")
foreach(p IN LISTS programs)
  execute_process(COMMAND ${READELF} -d ${p} OUTPUT_VARIABLE dyn RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "readelf failed on ${p}")
  endif()
  string(REGEX MATCHALL "Shared library: \\[[^]]*\\]" needed "${dyn}")
  set(expected "Shared library: [libc.so.6]")
  if(STATIC)
    set(expected "")
  endif()
  if(NOT needed STREQUAL expected)
    message(FATAL_ERROR "${p} needs: ${needed}")
  endif()
  message(STATUS "${p}: ${needed}")
endforeach()
