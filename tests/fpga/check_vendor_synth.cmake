# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# A student board's top synthesised by Yosys for its family, from a 12-bit
# picture's memory image: the picture must land in the family's block RAM
# (RAMB18E1/RAMB36E1 on a 7-series, M9K on a MAX 10), not in logic. Vivado
# and Quartus cannot run here; this is what can be proved without them.
# Yosys 0.23's synth_intel stops in its own M9K techmap ("Can't find object
# for defparam INIT"), so for a MAX 10 it is run up to the block RAM
# mapping, the mapping made, and the rest run after it. Prints the cell
# counts. Expects YOSYS, PHOTO2MEM, PHOTO, BOARD (a vendor board of
# fpga/boards/boards.cmake),
# SOURCE_DIR and WORK.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${PHOTO2MEM} --rgb444 ${PHOTO} picture.mem WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "photo2mem failed")
endif()
set(fpga ${SOURCE_DIR}/fpga)
include(${fpga}/boards/boards.cmake)
kestrow_fpga_board(${BOARD})
set(top ${BOARD_TOP})
include(${fpga}/rtl/sources.cmake)
kestrow_rtl_sources(rtl_sources ${fpga})
list(JOIN rtl_sources " " rtl_sources)
set(read "read_verilog -I${WORK} ${fpga}/boards/${BOARD}/${top}.v ${fpga}/boards/board_vga.v ${rtl_sources}")
string(REPLACE "@TOP@" "${top}" synth "${BOARD_SYNTH}")
set(ram_cells "${BOARD_RAM}")
file(WRITE ${WORK}/synth.ys "${read}\n${synth}\ntee -o stat.txt stat\n")
execute_process(COMMAND ${YOSYS} -q -s synth.ys WORKING_DIRECTORY ${WORK}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
file(WRITE ${WORK}/yosys.log "${out}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "yosys failed (${rc}):\n${out}")
endif()
file(READ ${WORK}/stat.txt stat)
# The cells of `pattern` in the statistics, added up.
function(cell_count pattern out)
  string(REGEX MATCHALL "(${pattern}) +[0-9]+" rows "${stat}")
  set(total 0)
  foreach(row IN LISTS rows)
    string(REGEX MATCH "[0-9]+$" n "${row}")
    math(EXPR total "${total} + ${n}")
  endforeach()
  set(${out} ${total} PARENT_SCOPE)
  set(${out}_rows "${rows}" PARENT_SCOPE)
endfunction()
cell_count("${ram_cells}" blocks)
set(rams "${blocks_rows}")
if(blocks EQUAL 0)
  message(FATAL_ERROR "the picture is not in block RAM:\n${stat}")
endif()
# A 160 x 120 12-bit picture in logic would take tens of thousands of LUTs.
cell_count("LUT[1-6]|fiftyfivenm_lcell_comb" lut_count)
if(lut_count GREATER 2000)
  message(FATAL_ERROR "${lut_count} LUTs: the memory went into logic:\n${stat}")
endif()
message(STATUS "${BOARD}: ${blocks} block RAM cells (${rams}), ${lut_count} LUTs:\n${stat}")
