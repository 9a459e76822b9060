# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# The boards: the one list. Each has a folder of its own holding its top
# (<board>_vga.v), its constraints and board.cmake, which says what the
# tools need to know of it:
#   BOARD_FLOW   ice40 (yosys, nextpnr-ice40 and icepack make a bitstream
#                here) or vendor (the vendor's tools make it; Yosys checks
#                here that the picture lands in the family's block RAM)
#   BOARD_DEVICE ice40: nextpnr-ice40's device and package arguments
#   BOARD_SYNTH  vendor: the Yosys script lines that synthesise the top
#                for its family (@TOP@ stands for the top's name)
#   BOARD_RAM    vendor: a regular expression for the block RAM cells
#   kestrow_fpga_board(BOARD) reads a board's board.cmake into those, with
#   BOARD_TOP, and fails for a board not in the list.
cmake_policy(VERSION 3.25)
set(KESTROW_FPGA_BOARDS icebreaker hx8k basys3 de10lite)
set(KESTROW_FPGA_BOARDS_DIR ${CMAKE_CURRENT_LIST_DIR})

macro(kestrow_fpga_board board)
  if(NOT "${board}" IN_LIST KESTROW_FPGA_BOARDS)
    string(REPLACE ";" ", " boards "${KESTROW_FPGA_BOARDS}")
    message(FATAL_ERROR "BOARD must be one of ${boards}, not '${board}'")
  endif()
  set(BOARD_TOP ${board}_vga)
  unset(BOARD_DEVICE)
  unset(BOARD_SYNTH)
  unset(BOARD_RAM)
  include(${KESTROW_FPGA_BOARDS_DIR}/${board}/board.cmake)
endmacro()
