# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Basys 3: an Artix-7 (xc7a35t), built with Vivado; Yosys's synth_xilinx
# checks the picture lands in its block RAM.
set(BOARD_FLOW vendor)
set(BOARD_SYNTH "synth_xilinx -family xc7 -flatten -top @TOP@")
set(BOARD_RAM "RAMB18E1|RAMB36E1")
