# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# The OledPicture example, built for an Uno by arduino-builder with a
# picture dithered onto the mono palette made into picture.h by the docs'
# recipe, run under simavr with an SSD1306 on its I2C bus (oled_sim.c): the
# OLED's memory must hold the picture, lit where it is white. Expects
# ARDUINO_BUILDER, SKETCH, LIB_SRC, READER_DIR, RECIPE, PHOTO, OLED_SIM,
# OFFSET (0 for an SSD1306, 2 for an SH1106) and WORK.
include(${CMAKE_CURRENT_LIST_DIR}/arduino_core.cmake)
file(REMOVE_RECURSE ${WORK})
get_filename_component(name ${SKETCH} NAME_WE)
set(sketch_dir ${WORK}/${name})
file(MAKE_DIRECTORY ${sketch_dir})
configure_file(${PHOTO} ${sketch_dir}/picture.photo COPYONLY)
execute_process(COMMAND sh ${RECIPE} WORKING_DIRECTORY ${sketch_dir} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the picture.h recipe failed")
endif()
file(READ ${SKETCH} text)
string(REPLACE "const uint8_t column_offset = 0;" "const uint8_t column_offset = ${OFFSET};" text "${text}")
file(WRITE ${sketch_dir}/${name}.ino "${text}")
file(GLOB lib_headers ${LIB_SRC}/*.h)
file(COPY ${lib_headers} ${READER_DIR}/photo_file.h DESTINATION ${WORK}/sketchbook/libraries/kestrow)
arduino_build(${sketch_dir} ${WORK}/sketchbook ${WORK}/build)
execute_process(COMMAND ${OLED_SIM} ${ARDUINO_ELF} ${sketch_dir}/picture.photo ${OFFSET}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
message(STATUS "${ARDUINO_FLASH} bytes of flash: ${out}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the simulated OLED does not show the picture (${rc}):\n${err}")
endif()
