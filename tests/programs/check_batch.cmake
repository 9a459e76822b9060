# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Runs the docs' batch recipe from a folder of JPEGs and PNGs, word for
# word, with the built programs first on the PATH: every good picture must
# give a 320 x 240 photo file of display values, a broken one must be named
# and leave no photo file, the batch must exit 1, and no temporary file may
# be left behind. Expects DOC (the docs page), BIN_DIR, CONVERT (ImageMagick's convert)
# and WORK.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/pictures/sub)

file(READ ${DOC} readme)
if(NOT readme MATCHES "<!-- batch recipe:[^\n]*-->\n((    [^\n]*\n)+)")
  message(FATAL_ERROR "the docs' batch recipe was not found")
endif()
string(REGEX REPLACE "(^|\n)    " "\\1" recipe "${CMAKE_MATCH_1}")
file(WRITE ${WORK}/batch.sh "${recipe}")

include(${CMAKE_CURRENT_LIST_DIR}/../support/run_or_fail.cmake)
run(${CONVERT} -size 400x300 "gradient:red-blue" ${WORK}/pictures/wide.JPG)
run(${CONVERT} -size 100x200 "gradient:#ff000080-#00ff00" ${WORK}/pictures/sub/tall.png)
file(WRITE ${WORK}/pictures/broken.png "not a picture")
file(WRITE ${WORK}/pictures/notes.txt "not for the batch")

get_filename_component(convert_dir ${CONVERT} DIRECTORY)
set(ENV{PATH} "${BIN_DIR}:${convert_dir}:$ENV{PATH}")
set(ENV{TMPDIR} ${WORK}/tmp)
file(MAKE_DIRECTORY ${WORK}/tmp)
execute_process(COMMAND sh ${WORK}/batch.sh WORKING_DIRECTORY ${WORK}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 1)
  message(FATAL_ERROR "the batch exited ${rc}, not 1:\n${out}${err}")
endif()
if(NOT err MATCHES "failed: pictures/broken.png\n" OR err MATCHES "failed: pictures/(wide|sub/tall)")
  message(FATAL_ERROR "the batch must name the broken picture alone:\n${err}")
endif()
foreach(photo IN ITEMS pictures/wide.photo pictures/sub/tall.photo)
  if(NOT EXISTS ${WORK}/${photo})
    message(FATAL_ERROR "${photo} was not written:\n${err}")
  endif()
  file(SIZE ${WORK}/${photo} size)
  file(READ ${WORK}/${photo} head LIMIT 4 HEX)
  if(NOT size EQUAL 76804 OR NOT head STREQUAL "4001f000")
    message(FATAL_ERROR "${photo}: ${size} bytes, header ${head}; expected 320 x 240, 6-bit")
  endif()
  # The dithered values are display values, so photo2bmp takes the file.
  run(${BIN_DIR}/photo2bmp ${WORK}/${photo} ${WORK}/preview.bmp)
endforeach()
foreach(gone IN ITEMS pictures/broken.photo pictures/notes.photo)
  if(EXISTS ${WORK}/${gone})
    message(FATAL_ERROR "${gone} must not exist")
  endif()
endforeach()
file(GLOB left ${WORK}/tmp/*)
if(left)
  message(FATAL_ERROR "temporary files left behind: ${left}")
endif()
message(STATUS "the batch converted two pictures and named the broken one")
