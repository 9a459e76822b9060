# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# The Verilator command line of the testbench (sim/tb_vga.cpp) for one
# picture, shared by the build's tests and simulate.cmake:
#   fpga_testbench_args(<out var> SOURCE_DIR BITS WIDTH HEIGHT SCALE MEM
#                       LIBS (tools and BMP libraries) FLAGS (extra C++ flags,
#                       a string) LDFLAGS (a string) MDIR [PICTURES INDEX])
# sets <out var> to the arguments after `verilator`. BITS is 6, 12 or 16;
# PICTURES (1 by default) the pictures the memory holds, INDEX the one
# shown.
function(fpga_testbench_args out src bits w h scale mem libs flags ldflags mdir)
  set(pictures 1)
  set(index 0)
  if(ARGC GREATER 11)
    set(pictures ${ARGV11})
    set(index ${ARGV12})
  endif()
  if(bits EQUAL 6)
    set(top photo_vga_rgb222)
  elseif(bits EQUAL 12)
    set(top photo_vga_rgb444)
  else()
    set(top photo_vga_rgb565)
  endif()
  set(fpga ${src}/fpga)
  include(${fpga}/rtl/sources.cmake)
  kestrow_rtl_sources(rtl_sources ${fpga})
  set(${out} --cc --exe --build -j 2 -Wall --top-module ${top}
      -GWIDTH=${w} -GHEIGHT=${h} -GSCALE=${scale} -GPICTURES=${pictures} "-GINIT_FILE=\"${mem}\""
      -CFLAGS "-std=c++20 -I${src}/include -I${src}/src -I${src}/src/bmp -DVTOP=V${top} -DPICTURE_WIDTH=${w} -DPICTURE_HEIGHT=${h} -DPICTURE_SCALE=${scale} -DVALUE_BITS=${bits} -DPICTURE_INDEX=${index} ${flags}"
      -LDFLAGS "${libs} ${ldflags}"
      ${fpga}/rtl/${top}.v ${rtl_sources} ${fpga}/sim/tb_vga.cpp
      --Mdir ${mdir} -o tb_vga
      PARENT_SCOPE)
endfunction()
