# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Your own picture through the VGA design, in simulation:
#
#   cmake -DPICTURE=cat.photo -DFRAME=cat-frame.bmp -P fpga/sim/simulate.cmake
#
# PICTURE is a photo file, or a memory image that photo2mem wrote (cat.mem,
# with its cat.vh beside it). The design is Verilated for the picture's
# size and encoding, at the largest SCALE that fits 640 x 480 (or -DSCALE),
# run for two and a half frames with the timing checks, and the whole
# 640 x 480 frame it shows is written to FRAME as a BMP. Uses the programs
# and libraries of a test build (-DBUILD_DIR, build/default by default)
# and Verilator.
cmake_policy(VERSION 3.25)
set(fpga_dir ${CMAKE_CURRENT_LIST_DIR})
get_filename_component(source_dir ${fpga_dir}/../.. ABSOLUTE)
if(NOT BUILD_DIR)
  set(BUILD_DIR ${source_dir}/build/default)
endif()
if(NOT PICTURE OR NOT FRAME)
  message(FATAL_ERROR "usage: cmake -DPICTURE=<photo file or .mem> -DFRAME=<frame.bmp> [-DSCALE=1|2|4|8] -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
find_program(VERILATOR verilator)
if(NOT VERILATOR)
  message(FATAL_ERROR "verilator is not installed")
endif()
foreach(needed photo2mem src/libkestrow_tools.a src/libkestrow_bmp.a)
  if(NOT EXISTS ${BUILD_DIR}/${needed})
    message(FATAL_ERROR "${BUILD_DIR}/${needed} is missing: build first (cmake --workflow --preset test, or cmake --build build/default)")
  endif()
endforeach()
get_filename_component(PICTURE ${PICTURE} ABSOLUTE)
get_filename_component(FRAME ${FRAME} ABSOLUTE)
get_filename_component(name ${PICTURE} NAME_WE)
set(work ${BUILD_DIR}/fpga/own/${name})
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})

# The memory image and its header.
if(PICTURE MATCHES "\\.mem$")
  set(mem ${PICTURE})
  string(REGEX REPLACE "\\.mem$" ".vh" vh ${PICTURE})
else()
  set(mem ${work}/${name}.mem)
  set(vh ${work}/${name}.vh)
  execute_process(COMMAND ${BUILD_DIR}/photo2mem ${PICTURE} ${mem} RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "photo2mem: ${err}")
  endif()
endif()
if(NOT EXISTS ${vh})
  message(FATAL_ERROR "${vh} is missing: photo2mem writes it beside the memory image")
endif()
file(STRINGS ${vh} params REGEX "^localparam PHOTO_(WIDTH|HEIGHT|VALUE_BITS) = [0-9]+;")
foreach(line IN LISTS params)
  string(REGEX REPLACE "^localparam PHOTO_([A-Z_]+) = ([0-9]+);$" "\\1;\\2" kv "${line}")
  list(GET kv 0 key)
  list(GET kv 1 value)
  set(${key} ${value})
endforeach()
if(NOT WIDTH OR NOT HEIGHT OR NOT VALUE_BITS)
  message(FATAL_ERROR "${vh} does not give the picture's width, height and value width")
endif()
if(NOT SCALE)
  set(SCALE 1)
  foreach(s 8 4 2)
    math(EXPR sw "${WIDTH} * ${s}")
    math(EXPR sh "${HEIGHT} * ${s}")
    if(sw LESS_EQUAL 640 AND sh LESS_EQUAL 480)
      set(SCALE ${s})
      break()
    endif()
  endforeach()
endif()
include(${fpga_dir}/testbench_args.cmake)
fpga_testbench_args(args ${source_dir} ${VALUE_BITS} ${WIDTH} ${HEIGHT} ${SCALE} ${mem}
                    "${BUILD_DIR}/src/libkestrow_tools.a ${BUILD_DIR}/src/libkestrow_bmp.a" "" "" ${work}/obj)
execute_process(COMMAND ${VERILATOR} ${args}
                RESULT_VARIABLE rc OUTPUT_FILE ${work}/verilator.log ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "verilator failed (${rc}):\n${err}")
endif()
execute_process(COMMAND ${work}/obj/tb_vga ${work}/shown.bmp ${work}/values.txt ${FRAME}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the simulated design failed (${rc}):\n${out}${err}")
endif()
message(STATUS "${WIDTH} x ${HEIGHT}, ${VALUE_BITS}-bit, at SCALE ${SCALE}: the 640 x 480 at 60 Hz timing checked; "
               "the frame the design shows is ${FRAME}")
