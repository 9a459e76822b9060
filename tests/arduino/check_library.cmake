# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Builds the Arduino library's zip as the docs say, then checks it: one
# folder kestrow/ in the library format (library.properties with every
# field the IDE's library manager reads, src/photo_file.h byte for byte the
# # installed header, the project's LICENSE, the examples), the shipped
# picture.h what the docs' recipe makes, and the examples built for an Uno
# with Debian's arduino-builder (arduino_core.cmake). Expects BUILD_DIR, ZIP,
# HEADER, LICENSE, STANDIN, ARDUINO_BUILDER, RECIPE (the docs' picture.h
# recipe), KESTROW16, SAMPLE, DOC and WORK.
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

# PlatformIO's and ESP-IDF's manifests: the project's version, and every
# file or folder they name present.
file(READ ${lib}/library.json json)
string(JSON version GET "${json}" version)
string(JSON src GET "${json}" build srcDir)
string(JSON headers GET "${json}" headers)
string(JSON header_count LENGTH "${headers}")
set(named ${src})
math(EXPR last "${header_count} - 1")
foreach(i RANGE ${last})
  string(JSON h GET "${headers}" ${i})
  list(APPEND named ${src}/${h})
endforeach()
file(STRINGS ${lib}/idf_component.yml idf_version REGEX "^version: ")
file(STRINGS ${lib}/CMakeLists.txt idf_dirs REGEX "INCLUDE_DIRS")
string(REGEX MATCH "INCLUDE_DIRS \"([^\"]+)\"" _ "${idf_dirs}")
list(APPEND named ${CMAKE_MATCH_1})
if(NOT version STREQUAL VERSION OR NOT idf_version STREQUAL "version: \"${VERSION}\"")
  message(FATAL_ERROR "library.json (${version}) and idf_component.yml (${idf_version}) must give version ${VERSION}")
endif()
foreach(f IN LISTS named)
  if(NOT EXISTS ${lib}/${f})
    message(FATAL_ERROR "a manifest names ${f}, which the zip does not hold")
  endif()
endforeach()
message(STATUS "library.json and idf_component.yml: version ${version}; ${named} present")

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

# The picture.h the zip ships is what the docs' one recipe makes of the
# same photo file.
file(MAKE_DIRECTORY ${WORK}/recipe)
file(READ ${lib}/examples/FlashPicture/picture.h shipped_picture)
execute_process(COMMAND ${KESTROW16} ${SAMPLE} ${WORK}/recipe/picture.photo RESULT_VARIABLE rc)
execute_process(COMMAND sh ${RECIPE} WORKING_DIRECTORY ${WORK}/recipe RESULT_VARIABLE rc2)
file(READ ${WORK}/recipe/picture.h recipe_picture)
if(NOT rc EQUAL 0 OR NOT rc2 EQUAL 0 OR NOT shipped_picture STREQUAL recipe_picture)
  message(FATAL_ERROR "the zip's picture.h is not what the docs' recipe makes (${WORK}/recipe/picture.h)")
endif()

# The examples built as an IDE user builds them: the library unpacked into
# a sketchbook's libraries/, each example by arduino-builder. Debian ships no
# SD library, so SdViewer finds the stand-in there as a library (its card
# never there).
include(${CMAKE_CURRENT_LIST_DIR}/arduino_core.cmake)
file(COPY ${lib} DESTINATION ${WORK}/sketchbook/libraries)
file(COPY ${STANDIN}/SD.h ${STANDIN}/SD.cpp DESTINATION ${WORK}/sketchbook/libraries/SD)
foreach(name IN ITEMS SdViewer OledPicture EpaperPicture FlashPicture)
  arduino_build(${WORK}/sketchbook/libraries/kestrow/examples/${name} ${WORK}/sketchbook ${WORK}/build-${name})
  message(STATUS "${name} builds for an Uno with arduino-builder: ${ARDUINO_FLASH} bytes of flash")
endforeach()
if(ARDUINO_FLASH GREATER 32256)
  message(FATAL_ERROR "FlashPicture is ${ARDUINO_FLASH} bytes: more than an Uno's 32 256 beside the bootloader")
endif()
# The size the microcontrollers page gives is the one just measured.
file(READ ${DOC} doc)
string(REGEX MATCH "links in ([0-9][0-9 ,]*) bytes of flash" stated "${doc}")
set(as_written "${CMAKE_MATCH_1}")
string(REGEX REPLACE "[ ,]" "" stated "${as_written}")
if(NOT stated STREQUAL ARDUINO_FLASH)
  message(FATAL_ERROR "${DOC} says FlashPicture links in '${as_written}' bytes; it is ${ARDUINO_FLASH}")
endif()
