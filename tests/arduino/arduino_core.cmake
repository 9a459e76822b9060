# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Building sketches for an Uno on Debian's own Arduino core (arduino-core-avr:
# the core and its SPI library) as the IDE builds them, with the compiler
# flags of its platform.txt and the Uno's of boards.txt. For the scripts
# that check and measure the examples; set AVR_GXX and CORE (the core's
# folder, .../hardware/arduino/avr) before including.
get_filename_component(avr_bin ${AVR_GXX} DIRECTORY)
set(avr_gcc ${avr_bin}/avr-gcc)
set(avr_gcc_ar ${avr_bin}/avr-gcc-ar)
set(avr_size ${avr_bin}/avr-size)
set(core_src ${CORE}/cores/arduino)
set(spi_src ${CORE}/libraries/SPI/src)
# boards.txt's Uno, platform.txt's build.extra_flags and the IDE's version.
set(board -mmcu=atmega328p -DF_CPU=16000000L -DARDUINO=10807 -DARDUINO_AVR_UNO -DARDUINO_ARCH_AVR)
# WString.cpp uses DECIMAL_DIG, which avr-libc's float.h does not define
# under -std=gnu++11; avr-gcc's double has 32 bits, whose 9 digits are its.
set(decimal_dig -DDECIMAL_DIG=9)
set(core_includes -I${core_src} -I${CORE}/variants/standard -I${spi_src})
set(c_flags -c -g -Os -w -std=gnu11 -ffunction-sections -fdata-sections -MMD -flto -fno-fat-lto-objects)
set(cpp_flags -c -g -Os -w -std=gnu++11 -fpermissive -fno-exceptions -ffunction-sections -fdata-sections
              -fno-threadsafe-statics -Wno-error=narrowing -MMD -flto)
set(s_flags -c -g -x assembler-with-cpp -flto -MMD)
set(elf_flags -w -Os -g -flto -fuse-linker-plugin -Wl,--gc-sections)

function(avr_compile out src)
  get_filename_component(ext ${src} LAST_EXT)
  if(ext STREQUAL ".c")
    set(cmd ${avr_gcc} ${c_flags})
  elseif(ext STREQUAL ".S")
    set(cmd ${avr_gcc} ${s_flags})
  else()
    set(cmd ${AVR_GXX} ${cpp_flags} ${decimal_dig})
  endif()
  execute_process(COMMAND ${cmd} ${board} ${core_includes} ${ARGN} ${src} -o ${out}
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${src} does not build for an Uno:\n${err}")
  endif()
endfunction()

# core.a and SPI.cpp.o in `dir`, as the IDE makes them.
function(arduino_build_core dir)
  if(EXISTS ${dir}/core.a AND EXISTS ${dir}/SPI.cpp.o)
    return()
  endif()
  file(MAKE_DIRECTORY ${dir})
  file(GLOB sources ${core_src}/*.c ${core_src}/*.cpp ${core_src}/*.S)
  set(objects "")
  foreach(src IN LISTS sources)
    get_filename_component(name ${src} NAME)
    avr_compile(${dir}/${name}.o ${src})
    list(APPEND objects ${dir}/${name}.o)
  endforeach()
  execute_process(COMMAND ${avr_gcc_ar} rcs ${dir}/core.a ${objects} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "avr-gcc-ar failed")
  endif()
  avr_compile(${dir}/SPI.cpp.o ${spi_src}/SPI.cpp)
endfunction()

# A sketch as the IDE turns a .ino into C++ (Arduino.h first), compiled with
# every warning the IDE can show, as errors; the rest of ARGN are more flags
# (include folders).
function(arduino_compile_sketch ino out)
  get_filename_component(name ${ino} NAME)
  file(READ ${ino} text)
  file(WRITE ${out}.cpp "#include <Arduino.h>\n#line 1 \"${name}\"\n${text}")
  avr_compile(${out} ${out}.cpp -Wall -Wextra -Werror ${ARGN})
endfunction()

# Links a compiled sketch with the core into `elf`; sets <elf_var>_FLASH in
# the caller to its flash bytes.
function(arduino_link object core_dir elf)
  execute_process(COMMAND ${avr_gcc} ${elf_flags} -mmcu=atmega328p -o ${elf}
                          ${object} ${core_dir}/SPI.cpp.o ${core_dir}/core.a -lm
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${object} does not link for an Uno:\n${err}")
  endif()
  execute_process(COMMAND ${avr_size} -A ${elf} OUTPUT_VARIABLE sizes)
  string(REGEX MATCH "\\.text +([0-9]+)" _ "${sizes}")
  set(text ${CMAKE_MATCH_1})
  string(REGEX MATCH "\\.data +([0-9]+)" _ "${sizes}")
  math(EXPR flash "${text} + ${CMAKE_MATCH_1}")
  set(ARDUINO_FLASH ${flash} PARENT_SCOPE)
endfunction()
