# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Builds the Arduino library's zip as the docs say, then checks it: one
# folder kestrow/ in the library format (library.properties with every
# field the IDE's library manager reads, src/photo_file.h byte for byte the
# installed header, the project's LICENSE, the examples), and every example compiled for an Uno
# (ATmega328P) with avr-g++ against the stand-in Arduino calls, warnings
# as errors. Expects BUILD_DIR, ZIP, HEADER, LICENSE, STANDIN, AVR_GXX and WORK.
cmake_policy(SET CMP0057 NEW)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target arduino
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT EXISTS ${ZIP})
  message(FATAL_ERROR "cmake --build ${BUILD_DIR} --target arduino did not write ${ZIP}:\n${out}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${ZIP} OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
string(REGEX MATCHALL "[^\n]+" entries "${listing}")
foreach(entry IN LISTS entries)
  if(NOT entry MATCHES "^kestrow/")
    message(FATAL_ERROR "the zip holds ${entry}, outside the one folder kestrow/")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E chdir ${WORK} ${CMAKE_COMMAND} -E tar xf ${ZIP} RESULT_VARIABLE rc)
set(lib ${WORK}/kestrow)

file(STRINGS ${lib}/library.properties properties)
foreach(field name version author maintainer sentence paragraph category url architectures includes)
  set(found ${properties})
  list(FILTER found INCLUDE REGEX "^${field}=.")
  if(NOT found)
    message(FATAL_ERROR "library.properties has no ${field}")
  endif()
endforeach()
foreach(line "category=Display" "architectures=*" "includes=photo_file.h" "name=kestrow")
  if(NOT line IN_LIST properties)
    message(FATAL_ERROR "library.properties lacks the line ${line}")
  endif()
endforeach()

file(SHA256 ${lib}/src/photo_file.h shipped)
file(SHA256 ${HEADER} installed)
if(NOT shipped STREQUAL installed)
  message(FATAL_ERROR "src/photo_file.h differs from ${HEADER}")
endif()

# The licence travels with the library.
file(SHA256 ${LICENSE} project_license)
if(NOT EXISTS ${lib}/LICENSE)
  message(FATAL_ERROR "the zip holds no kestrow/LICENSE")
endif()
file(SHA256 ${lib}/LICENSE shipped_license)
if(NOT shipped_license STREQUAL project_license)
  message(FATAL_ERROR "kestrow/LICENSE differs from ${LICENSE}")
endif()

file(GLOB sketches ${lib}/examples/*/*.ino)
list(LENGTH sketches count)
if(count LESS 2)
  message(FATAL_ERROR "expected at least two examples, found: ${sketches}")
endif()
foreach(sketch IN LISTS sketches)
  get_filename_component(dir ${sketch} DIRECTORY)
  get_filename_component(name ${sketch} NAME_WE)
  # The IDE compiles a sketch as C++ after its own Arduino.h.
  execute_process(COMMAND ${AVR_GXX} -mmcu=atmega328p -DF_CPU=16000000UL -Os -std=gnu++11 -fno-exceptions
                          -Wall -Wextra -Wpedantic -Wconversion -Wshadow -Werror
                          -x c++ -include Arduino.h -I${STANDIN} -I${lib}/src -I${dir}
                          -c ${sketch} -o ${WORK}/${name}.o
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${name} does not compile for an Uno:\n${err}")
  endif()
  message(STATUS "${name} compiles for an Uno")
endforeach()
