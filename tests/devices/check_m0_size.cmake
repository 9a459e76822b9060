# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# The reader built for the Cortex-M0 with -Os: it calls nothing outside
# itself but what GCC may call in any program (memcpy, memset, memmove)
# and the switch-table helpers -Os uses on Thumb-1; no division, no 64-bit
# arithmetic, nothing from stdio or the heap. Its stack frames
# are all fixed, and no entry point needs more than 320 bytes of stack
# (the read function's own frame aside). Prints the code size. Expects
# SIZE, NM, PYTHON, OBJECT, CALLGRAPH and STACK_DEPTH.
execute_process(COMMAND ${NM} -u ${OBJECT} OUTPUT_VARIABLE undefined RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm -u ${OBJECT} failed")
endif()
string(REGEX REPLACE " *U (memcpy|memset|memmove|__gnu_thumb1_case_[a-z]+)\n" "" other "${undefined}")
if(NOT other STREQUAL "")
  message(FATAL_ERROR "the reader calls outside itself:\n${other}")
endif()
execute_process(COMMAND ${PYTHON} ${STACK_DEPTH} ${CALLGRAPH} size_ 320
                OUTPUT_VARIABLE depth RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "stack use:\n${depth}")
endif()
execute_process(COMMAND ${SIZE} ${OBJECT} OUTPUT_VARIABLE size)
message(STATUS "Cortex-M0, -Os:\n${size}Deepest stack from each entry point:\n${depth}")
