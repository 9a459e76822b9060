# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# DE10-Lite: a MAX 10 (10M50DAF484C7G), built with Quartus. Yosys 0.23's
# synth_intel stops in its own M9K techmap ("Can't find object for defparam
# INIT"), so it is run up to the block RAM mapping, the mapping made, and
# the rest run after it.
set(BOARD_FLOW vendor)
set(BOARD_SYNTH "synth_intel -family max10 -top @TOP@ -run begin:map_bram
memory_bram -rules +/intel/common/brams_m9k.txt
synth_intel -family max10 -top @TOP@ -run map_ffram:vqm")
set(BOARD_RAM "\\$__M9K_ALTSYNCRAM_SINGLEPORT_FULL")
