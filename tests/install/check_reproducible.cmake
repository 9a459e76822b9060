# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# The packages are the same bytes however and whenever they are built: cpack
# run twice on the build into two folders, once with umask 002, once with
# umask 022 and the clock a day later (faketime), must write byte-identical
# .debs. Expects BUILD_DIR, FAKETIME and WORK.
file(REMOVE_RECURSE ${WORK})
set(config ${BUILD_DIR}/CPackConfig.cmake)
# No SOURCE_DATE_EPOCH from outside: the packages' own is what is tested.
function(pack name mask clock)
  execute_process(COMMAND env -u SOURCE_DATE_EPOCH sh -c "umask ${mask} && exec ${clock} cpack -B ${WORK}/${name} --config ${config}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cpack (umask ${mask}) failed:\n${out}")
  endif()
endfunction()
pack(a 002 "")
pack(b 022 "${FAKETIME} -f +1d")
file(GLOB debs RELATIVE ${WORK}/a ${WORK}/a/*.deb)
list(LENGTH debs count)
if(count LESS 2)
  message(FATAL_ERROR "expected kestrow and kestrow-dev, found: ${debs}")
endif()
foreach(deb IN LISTS debs)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/a/${deb} ${WORK}/b/${deb} RESULT_VARIABLE differ)
  if(differ)
    message(FATAL_ERROR "${deb} differs between the two builds (umask 002 and 022, a day apart)")
  endif()
  message(STATUS "${deb}: the same bytes from both builds")
endforeach()
