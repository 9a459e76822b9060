# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# The VGA design below its top (photo_vga_rgb222, _rgb444, _rgb565 or a
# board's top), in the order the tools read them: the one list, included by
# the simulation, the board builds and the synthesis checks.
#   kestrow_rtl_sources(OUT FPGA_DIR) sets OUT to their paths.
function(kestrow_rtl_sources out fpga_dir)
  set(sources photo_vga.v vga_640x480.v photo_rom.v)
  list(TRANSFORM sources PREPEND ${fpga_dir}/rtl/)
  set(${out} ${sources} PARENT_SCOPE)
endfunction()
