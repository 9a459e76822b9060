# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Runs the docs' own-picture command on a photo file: it must write a
# 640 x 480 frame, and the picture the design showed must be photo2bmp's.
# Expects BUILD_DIR, SOURCE_DIR, PHOTO, EXPECTED and WORK.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${BUILD_DIR} -DPICTURE=${PHOTO} -DFRAME=${WORK}/frame.bmp
                        -P ${SOURCE_DIR}/fpga/sim/simulate.cmake
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the own-picture command failed:\n${out}${err}")
endif()
file(READ ${WORK}/frame.bmp head LIMIT 26 HEX)
string(SUBSTRING "${head}" 36 16 size)
if(NOT size STREQUAL "80020000e0010000" OR NOT out MATCHES "at SCALE 4")
  message(FATAL_ERROR "the frame is not 640 x 480 (header ${head}), or not at SCALE 4:\n${out}")
endif()
get_filename_component(name ${PHOTO} NAME_WE)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${BUILD_DIR}/fpga/own/${name}/shown.bmp ${EXPECTED}
                RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "the picture in the frame is not photo2bmp's")
endif()
message(STATUS "${out}")
