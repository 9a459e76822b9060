# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Checks each man page in MAN_PAGES (comma-separated): CHECKER groff renders
# it at full warnings, CHECKER mandoc lints it; any remark fails. PROGRAM is
# the checker's path.
string(REPLACE "," ";" pages "${MAN_PAGES}")
foreach(page IN LISTS pages)
  if(CHECKER STREQUAL "groff")
    set(command ${PROGRAM} -ww -man -Tutf8 -z ${page})
  else()
    set(command ${PROGRAM} -Tlint -W style ${page})
  endif()
  execute_process(COMMAND ${command} RESULT_VARIABLE rc
                  OUTPUT_VARIABLE remarks ERROR_VARIABLE remarks)
  if(NOT rc EQUAL 0 OR NOT remarks STREQUAL "")
    message(FATAL_ERROR "${CHECKER} on ${page} (status ${rc}):\n${remarks}")
  endif()
endforeach()
message(STATUS "${CHECKER}: ${pages}: clean")
