# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Synthesises the RGB222 design with a 160 x 120 picture for an iCE40 and
# reads Yosys's statistics: the 115 200 bits of picture must sit in block
# RAM (at least 29 of the 4-kbit SB_RAM40_4K), not in logic (a few hundred
# LUTs at most: a ROM in logic would take thousands), and no memory may be
# left unmapped. Expects YOSYS, SOURCES (comma-separated), MEM and WORK.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
string(REPLACE "," " " sources "${SOURCES}")
file(WRITE ${WORK}/synth.ys
"read_verilog -defer ${sources}
chparam -set WIDTH 160 -set HEIGHT 120 -set INIT_FILE \"${MEM}\" photo_vga_rgb222
synth_ice40 -top photo_vga_rgb222
tee -o ${WORK}/stat.txt stat
")
execute_process(COMMAND ${YOSYS} -q ${WORK}/synth.ys TIMEOUT 240 RESULT_VARIABLE rc OUTPUT_VARIABLE log
                ERROR_VARIABLE log)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "yosys failed (${rc}):\n${log}")
endif()
file(READ ${WORK}/stat.txt stat)
function(cell_count name var)
  if(stat MATCHES " ${name} +([0-9]+)")
    set(${var} ${CMAKE_MATCH_1} PARENT_SCOPE)
  else()
    set(${var} 0 PARENT_SCOPE)
  endif()
endfunction()
cell_count(SB_RAM40_4K rams)
cell_count(SB_LUT4 luts)
string(REGEX MATCH "Number of memories: +([0-9]+)" _ "${stat}")
set(memories ${CMAKE_MATCH_1})
if(rams LESS 29 OR luts GREATER 400 OR NOT memories EQUAL 0)
  message(FATAL_ERROR "the picture is not in block RAM: ${rams} SB_RAM40_4K, ${luts} SB_LUT4, "
                      "${memories} memories left:\n${stat}")
endif()
message(STATUS "iCE40: ${rams} SB_RAM40_4K, ${luts} SB_LUT4\n${stat}")
