# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Builds the two .debs, kestrow (the programs) and kestrow-dev (the
# reader's header, for all architectures), and checks what they hold and
# what they depend on; with LINTIAN set, also that lintian finds nothing to
# report at warning level or above in either. Expects BUILD_DIR and WORK.
include(${CMAKE_CURRENT_LIST_DIR}/installed_files.cmake)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND cpack -G DEB -B ${WORK} --config ${BUILD_DIR}/CPackConfig.cmake
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${out}")
endif()
file(GLOB debs ${WORK}/kestrow_*.deb)
file(GLOB dev_debs ${WORK}/kestrow-dev_*_all.deb)
file(GLOB all_debs ${WORK}/*.deb)
list(LENGTH debs count)
list(LENGTH dev_debs dev_count)
list(LENGTH all_debs all_count)
if(NOT count EQUAL 1 OR NOT dev_count EQUAL 1 OR NOT all_count EQUAL 2)
  message(FATAL_ERROR "expected kestrow_*.deb and kestrow-dev_*_all.deb, found: ${all_debs}")
endif()

execute_process(COMMAND dpkg-deb -c ${dev_debs} OUTPUT_VARIABLE dev_contents RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -c failed")
endif()
foreach(f IN LISTS installed_dev_files)
  string(FIND "${dev_contents}" " ./usr/${f}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "usr/${f} missing from kestrow-dev:\n${dev_contents}")
  endif()
endforeach()

execute_process(COMMAND dpkg-deb -c ${debs} OUTPUT_VARIABLE contents RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -c failed")
endif()
foreach(f IN LISTS installed_files)
  string(REGEX MATCH " \\./usr/${f}( -> [^\n]*)?\n" found "${contents}")
  if(NOT found)
    message(FATAL_ERROR "usr/${f} missing from the package:\n${contents}")
  endif()
endforeach()
foreach(link IN LISTS installed_man_links)
  string(REPLACE "=" ";" link ${link})
  list(GET link 0 from)
  list(GET link 1 to)
  string(REGEX MATCH " \\./usr/share/man/man1/${from} -> ${to}\n" found "${contents}")
  if(NOT found)
    message(FATAL_ERROR "${from} is not a link to ${to} in the package:\n${contents}")
  endif()
endforeach()

execute_process(COMMAND dpkg-deb -f ${debs} Depends OUTPUT_VARIABLE depends
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT depends MATCHES "^libc6( \\([^)]*\\))?$")
  message(FATAL_ERROR "the package must depend on the C library alone, not: ${depends}")
endif()
if(DEFINED ARCH)
  execute_process(COMMAND dpkg-deb -f ${debs} Architecture OUTPUT_VARIABLE arch
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT arch STREQUAL ARCH)
    message(FATAL_ERROR "the package is labelled ${arch}, not ${ARCH}")
  endif()
endif()
message(STATUS "${debs}: Depends: ${depends}")

if(LINTIAN)
  execute_process(COMMAND ${LINTIAN} --fail-on error,warning ${debs} ${dev_debs}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE report ERROR_VARIABLE report)
  # lintian's only other remark here is that it runs as root, under CI.
  string(REGEX REPLACE "running with root privileges is not recommended!\n?" "" report "${report}")
  if(NOT rc EQUAL 0 OR NOT report STREQUAL "")
    message(FATAL_ERROR "lintian (status ${rc}):\n${report}")
  endif()
  message(STATUS "lintian: clean")
endif()
