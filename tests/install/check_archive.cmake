# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# A build of static programs packs them as an archive of the installed tree
# below usr/local: it must hold every installed file, the reader's among
# them, and programs that need no shared library at all. Expects BUILD_DIR,
# READELF and WORK.
include(${CMAKE_CURRENT_LIST_DIR}/installed_files.cmake)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND cpack -B ${WORK} --config ${BUILD_DIR}/CPackConfig.cmake
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${out}")
endif()
file(GLOB archives ${WORK}/kestrow-*.tar.gz)
list(LENGTH archives count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one kestrow-*.tar.gz, found: ${archives}")
endif()
file(MAKE_DIRECTORY ${WORK}/unpacked)
execute_process(COMMAND ${CMAKE_COMMAND} -E chdir ${WORK}/unpacked ${CMAKE_COMMAND} -E tar xzf ${archives}
                RESULT_VARIABLE rc)
foreach(f IN LISTS installed_files installed_dev_files)
  if(NOT EXISTS ${WORK}/unpacked/usr/local/${f})
    message(FATAL_ERROR "usr/local/${f} is missing from ${archives}")
  endif()
endforeach()
foreach(p IN LISTS installed_programs)
  execute_process(COMMAND ${READELF} -d ${WORK}/unpacked/usr/local/bin/${p} OUTPUT_VARIABLE dyn ERROR_VARIABLE dyn)
  if(dyn MATCHES "Shared library")
    message(FATAL_ERROR "bin/${p} in the archive needs shared libraries:\n${dyn}")
  endif()
endforeach()
message(STATUS "${archives}: every installed file, static programs")
