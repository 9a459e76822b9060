# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# For the test scripts: run(COMMAND...) runs a command and fails the test,
# with the command and what it printed, unless it exits 0.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN}\nexited with ${rc}:\n${out}")
  endif()
endfunction()
