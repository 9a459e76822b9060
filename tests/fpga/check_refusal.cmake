# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# A testbench built for more pixels than its memory image holds must stop
# at the start with photo_rom's message. Expects TB and WORK.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${TB} ${WORK}/shown.bmp ${WORK}/values.txt
                TIMEOUT 60 RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc EQUAL 0 OR NOT "${out}${err}" MATCHES "photo_rom: [^\n]* holds fewer than WIDTH x HEIGHT = 6402 words")
  message(FATAL_ERROR "the design started on a short image (status ${rc}):\n${out}${err}")
endif()
message(STATUS "refused: ${out}")
