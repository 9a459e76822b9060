# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# The FlashPicture example, built for an Uno by arduino-builder with a
# photo file made into picture.h by the docs' recipe and the panel chosen
# by its one line, run under simavr with a simulated panel (panel_sim.c):
# the panel's memory must be photo2bmp's preview cut to 5:6:5, in the
# middle of the panel. Prints what the draw costs on an Uno. Expects
# ARDUINO_BUILDER, SKETCH, LIB_SRC, READER_DIR, RECIPE, PHOTO, PHOTO2BMP,
# CONTROLLER (ILI9341, ST7789, or SSD1680 for the EpaperPicture sketch),
# WIDTH, HEIGHT, PANEL_SIM and WORK.
# Optional: MAX_CYCLES, the most cycles a pixel may cost; DEFINES, -D
# flags for the sketch; AT, X,Y where the picture must be (the middle
# otherwise); AGREE, to run the harness with simavr's own SPI
# as well and require the two costs within 1%; LOST, to require instead
# that the harness refuses a byte written too early, naming its cycle.
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
# The example's one line for the controller (a sketch of the tests' own
# names its panel itself).
file(READ ${SKETCH} text)
string(FIND "${text}" "// const photo_panel panel = {PHOTO_PANEL_ST7789" has_choice)
if(CONTROLLER STREQUAL "ST7789" AND NOT has_choice EQUAL -1)
  string(REGEX MATCH "const photo_panel panel = {PHOTO_PANEL_ILI9341[^\n]*" ili "${text}")
  string(REGEX MATCH "// const photo_panel panel = {PHOTO_PANEL_ST7789[^\n]*" st "${text}")
  if(NOT ili OR NOT st)
    message(FATAL_ERROR "the example no longer has its two panel lines")
  endif()
  string(REPLACE "${ili}" "// ${ili}" text "${text}")
  string(REPLACE "${st}" "${st}" text "${text}")
  string(REPLACE "// // const photo_panel panel = {PHOTO_PANEL_ST7789" "const photo_panel panel = {PHOTO_PANEL_ST7789"
         text "${text}")
  string(REPLACE "// const photo_panel panel = {PHOTO_PANEL_ST7789" "const photo_panel panel = {PHOTO_PANEL_ST7789"
         text "${text}")
endif()
file(WRITE ${sketch_dir}/${name}.ino "${text}")
# The library as a sketchbook holds it, from its sources.
file(GLOB lib_headers ${LIB_SRC}/*.h)
file(COPY ${lib_headers} ${READER_DIR}/photo_file.h DESTINATION ${WORK}/sketchbook/libraries/kestrow)
set(ARDUINO_EXTRA_FLAGS "${DEFINES}")
arduino_build(${sketch_dir} ${WORK}/sketchbook ${WORK}/build)
execute_process(COMMAND ${PHOTO2BMP} ${sketch_dir}/picture.photo ${WORK}/preview.bmp RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "photo2bmp failed")
endif()
# An e-paper's RAMs are held to the photo file itself.
set(expected ${WORK}/preview.bmp)
if(CONTROLLER STREQUAL "SSD1680")
  set(expected ${sketch_dir}/picture.photo)
endif()
set(at "")
if(AT)
  set(at at=${AT})
endif()
execute_process(COMMAND ${PANEL_SIM} ${ARDUINO_ELF} ${WIDTH} ${HEIGHT} ${expected} ${CONTROLLER} ${at}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
message(STATUS "${CONTROLLER}, ${ARDUINO_FLASH} bytes of flash: ${out}")
if(LOST)
  if(rc EQUAL 0 OR NOT err MATCHES "a byte written to SPDR at cycle [0-9]+, ${LOST} cycles after the one before")
    message(FATAL_ERROR "the harness did not refuse the byte written ${LOST} cycles after the last (${rc}):\n${err}")
  endif()
  message(STATUS "refused, as it must be: ${err}")
  return()
endif()
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the simulated panel does not show the picture (${rc}):\n${err}")
endif()
string(REGEX MATCH "([0-9.]+) cycles a pixel" _ "${out}")
set(cost ${CMAKE_MATCH_1})
if(MAX_CYCLES AND cost GREATER MAX_CYCLES)
  message(FATAL_ERROR "${cost} cycles a pixel, more than ${MAX_CYCLES}")
endif()
if(AGREE)
  execute_process(COMMAND ${PANEL_SIM} ${ARDUINO_ELF} ${WIDTH} ${HEIGHT} ${WORK}/preview.bmp ${CONTROLLER} simavr-spi
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out2 ERROR_VARIABLE err TIMEOUT 300)
  message(STATUS "with simavr's own SPI: ${out2}")
  string(REGEX MATCH "([0-9.]+) cycles a pixel" _ "${out2}")
  set(simavr_cost ${CMAKE_MATCH_1})
  if(NOT rc EQUAL 0 OR NOT simavr_cost)
    message(FATAL_ERROR "the harness with simavr's own SPI failed (${rc}):\n${err}")
  endif()
  # CMake compares integers: hundredths of a cycle.
  string(REPLACE "." "" a ${cost})
  string(REPLACE "." "" b ${simavr_cost})
  math(EXPR diff "${a} - ${b}")
  if(diff LESS 0)
    math(EXPR diff "-${diff}")
  endif()
  math(EXPR allowed "${b} / 100")
  if(diff GREATER allowed)
    message(FATAL_ERROR "the SPI model (${cost}) and simavr (${simavr_cost}) disagree by more than 1%")
  endif()
endif()
