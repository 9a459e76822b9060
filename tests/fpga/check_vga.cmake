# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Runs one Verilated testbench (timing checks, then the picture it showed
# as a BMP and as values), compares the BMP with photo2bmp's, then has
# Icarus Verilog read the memory image and compares its values with the
# simulated design's. Expects TB, IVERILOG, VVP, READMEM_TB, MEM, EXPECTED,
# BITS, DEPTH (an expression: the words of the image) and WORK; for an
# image of several pictures, SHOWN (the words of the one shown) and OFFSET
# (its start address).
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
math(EXPR depth "${DEPTH}")
if(NOT DEFINED SHOWN)
  set(SHOWN ${DEPTH})
  set(OFFSET 0)
endif()
math(EXPR shown "${SHOWN}")
math(EXPR offset "${OFFSET}")

execute_process(COMMAND ${TB} ${WORK}/shown.bmp ${WORK}/verilator.txt
                TIMEOUT 60 RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the Verilated design failed (${rc}):\n${err}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/shown.bmp ${EXPECTED} RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "the simulated VGA output differs from what photo2bmp shows: ${WORK}/shown.bmp, ${EXPECTED}")
endif()

execute_process(COMMAND ${IVERILOG} -g2005 -Wall -o ${WORK}/readmem.vvp
                        -P tb_readmem.VALUE_BITS=${BITS} -P tb_readmem.DEPTH=${depth}
                        "-Ptb_readmem.INIT_FILE=\"${MEM}\"" "-Ptb_readmem.OUT_FILE=\"${WORK}/icarus.txt\""
                        ${READMEM_TB}
                TIMEOUT 60 RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "iverilog failed (${rc}):\n${err}")
endif()
execute_process(COMMAND ${VVP} -n ${WORK}/readmem.vvp TIMEOUT 60 RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "vvp failed (${rc}):\n${err}")
endif()
file(STRINGS ${WORK}/icarus.txt values)
list(LENGTH values count)
if(NOT count EQUAL depth)
  message(FATAL_ERROR "${count} values, not ${depth}")
endif()
list(SUBLIST values ${offset} ${shown} values)
file(STRINGS ${WORK}/verilator.txt shown_values)
if(NOT values STREQUAL shown_values)
  message(FATAL_ERROR "Icarus Verilog's words ${offset} on and the Verilated design disagree: "
                      "${WORK}/icarus.txt, ${WORK}/verilator.txt")
endif()
message(STATUS "${shown} pixels from address ${offset}: the simulated output is photo2bmp's picture; "
               "Icarus agrees on every value")
