# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Building sketches for an Uno exactly as the IDE does: with Debian's
# arduino-builder, the IDE's own build engine (.ino preprocessing with
# arduino-ctags, libraries found by the headers a sketch includes), on
# Debian's Arduino core (arduino-core-avr). Set ARDUINO_BUILDER before
# including.
#
# arduino_build(SKETCH_DIR SKETCHBOOK BUILD_DIR) builds SKETCH_DIR/<its
# name>.ino with the libraries of SKETCHBOOK/libraries, every warning
# shown; a build error, or a warning in the sketch or in the sketchbook's
# libraries (the core's own are Arduino's), fails it. Sets ARDUINO_ELF and
# ARDUINO_FLASH (bytes of flash) in the caller. ARDUINO_EXTRA_FLAGS, where
# set, goes to the compiler as well (-D definitions for a sketch).
function(arduino_build sketch_dir sketchbook build_dir)
  get_filename_component(name ${sketch_dir} NAME)
  file(MAKE_DIRECTORY ${build_dir})
  # WString.cpp uses DECIMAL_DIG, which avr-libc's float.h does not define
  # under -std=gnu++11; avr-gcc's double has 32 bits, whose 9 digits are its.
  execute_process(COMMAND ${ARDUINO_BUILDER} -compile -hardware /usr/share/arduino/hardware
                          -hardware /usr/share/arduino-builder -tools /usr/share/arduino-builder -tools /usr/bin
                          -libraries ${sketchbook}/libraries -fqbn arduino:avr:uno -warnings all
                          "-prefs=compiler.cpp.extra_flags=-DDECIMAL_DIG=9 ${ARDUINO_EXTRA_FLAGS}"
                          -build-path ${build_dir}
                          ${sketch_dir}/${name}.ino
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${name} does not build for an Uno:\n${out}")
  endif()
  string(REGEX MATCHALL "[^\n]*(${sketch_dir}|${sketchbook})[^\n]*warning:[^\n]*" warnings "${out}")
  if(warnings)
    list(JOIN warnings "\n" warnings)
    message(FATAL_ERROR "${name} builds with warnings:\n${warnings}")
  endif()
  string(REGEX MATCH "Sketch uses ([0-9]+) bytes" _ "${out}")
  set(ARDUINO_FLASH ${CMAKE_MATCH_1} PARENT_SCOPE)
  set(ARDUINO_ELF ${build_dir}/${name}.ino.elf PARENT_SCOPE)
endfunction()
