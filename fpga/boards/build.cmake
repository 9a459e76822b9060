# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# A board's bitstream from a photo file:
#
#   cmake -DBOARD=icebreaker -DPHOTO=cat.photo -DOUT=cat-icebreaker -P fpga/boards/build.cmake
#
# photo2mem writes the picture's memory image and Verilog header into OUT,
# yosys synthesises the board's top (synth_ice40), nextpnr-ice40 places and
# routes it for a 25.175 MHz pixel clock, icepack packs OUT/<board>.bin.
# Fails unless nextpnr reports the pixel clock met. Prints the resource use
# and the maximum frequency. BOARD is an iCE40 board of boards.cmake's list
# (icebreaker, hx8k); -DRGB444=ON makes
# the memory 12-bit (photo2mem --rgb444), driving the Pmod's 4-bit DACs with
# the picture's own 4-bit values; PHOTO2MEM, YOSYS, NEXTPNR and ICEPACK may
# name the programs (found on the PATH otherwise).
cmake_policy(VERSION 3.25)
set(boards_dir ${CMAKE_CURRENT_LIST_DIR})
set(fpga_dir ${boards_dir}/..)
include(${boards_dir}/boards.cmake)
kestrow_fpga_board("${BOARD}")
if(NOT BOARD_FLOW STREQUAL "ice40")
  message(FATAL_ERROR "${BOARD}'s bitstream is made by its vendor's tools (see docs/fpga.md)")
endif()
set(top ${BOARD_TOP})
set(device ${BOARD_DEVICE})
if(NOT PHOTO OR NOT OUT)
  message(FATAL_ERROR "usage: cmake -DBOARD=<board> -DPHOTO=<photo file> -DOUT=<directory> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
foreach(tool PHOTO2MEM:photo2mem YOSYS:yosys NEXTPNR:nextpnr-ice40 ICEPACK:icepack)
  string(REPLACE ":" ";" t ${tool})
  list(GET t 0 var)
  list(GET t 1 name)
  if(NOT ${var})
    find_program(${var} ${name})
  endif()
  if(NOT ${var})
    message(FATAL_ERROR "${name} is not installed")
  endif()
endforeach()

function(run what)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${OUT} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  file(WRITE ${OUT}/${what}.log "${out}")
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}")
  endif()
  set(log "${out}" PARENT_SCOPE)
endfunction()

get_filename_component(PHOTO ${PHOTO} ABSOLUTE)
file(MAKE_DIRECTORY ${OUT})
# picture.mem and picture.vh, named so in OUT, where the tools run.
set(rgb444 "")
if(RGB444)
  set(rgb444 --rgb444)
endif()
run(photo2mem ${PHOTO2MEM} ${rgb444} ${PHOTO} picture.mem)
include(${fpga_dir}/rtl/sources.cmake)
kestrow_rtl_sources(rtl_sources ${fpga_dir})
set(sources ${boards_dir}/${BOARD}/${top}.v ${boards_dir}/board_vga.v ${rtl_sources})
list(JOIN sources " " sources)
file(WRITE ${OUT}/synth.ys "read_verilog -I${OUT} ${sources}\nsynth_ice40 -top ${top} -json ${top}.json\n")
run(yosys ${YOSYS} -q -s synth.ys)
run(nextpnr ${NEXTPNR} ${device} --json ${top}.json --pcf ${boards_dir}/${BOARD}/${top}.pcf
    --asc ${top}.asc --freq 25.175)
string(REGEX MATCHALL "Info: Max frequency for clock '[^']*': [0-9.]+ MHz \\((PASS|FAIL)[^)]*\\)" clocks "${log}")
list(LENGTH clocks n)
if(n EQUAL 0)
  message(FATAL_ERROR "nextpnr reported no clock frequency:\n${log}")
endif()
list(GET clocks -1 pixel_clock)
if(NOT pixel_clock MATCHES "PASS")
  message(FATAL_ERROR "the pixel clock is not met: ${pixel_clock}")
endif()
string(REGEX MATCH "Info: Device utilisation:\n(Info: +[^\n]*\n)+" use "${log}")
run(icepack ${ICEPACK} ${top}.asc ${BOARD}.bin)
message(STATUS "${BOARD}: ${OUT}/${BOARD}.bin\n${use}${pixel_clock}")
