# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# kestrow_add_picture() from the installed package: a consumer project
# converts a picture (dithered, RGB565 high byte first) while it builds and
# must hold the reader's bytes of the same picture converted by hand; with
# another picture put in the BMP's place, the build must convert again.
# A missing BMP stops the configure, naming it. Expects BUILD_DIR, SOURCE,
# CC, PICTURE and WORK.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK}/prefix
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
set(bin ${WORK}/prefix/bin)
configure_file(${PICTURE} ${WORK}/splash.bmp COPYONLY)
set(configure ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK}/build -DCMAKE_C_COMPILER=${CC}
              -DCMAKE_PREFIX_PATH=${WORK}/prefix -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF)

function(build_and_check label)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK}/build RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${label}: the build failed:\n${out}")
  endif()
  # The same picture by hand, with the installed programs.
  execute_process(COMMAND ${bin}/bmpdither16 ${WORK}/splash.bmp ${WORK}/hand.bmp)
  execute_process(COMMAND ${bin}/kestrow16 ${WORK}/hand.bmp ${WORK}/hand.photo)
  execute_process(COMMAND ${WORK}/build/picture ${WORK}/hand.photo RESULT_VARIABLE rc OUTPUT_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${label}: the array is not the reader's bytes of the picture")
  endif()
  message(STATUS "${label}: ${out}")
endfunction()

execute_process(COMMAND ${configure} -DPICTURE=${WORK}/splash.bmp RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "configuring the consumer failed:\n${out}")
endif()
build_and_check("converted at build time")
# Another picture in its place (the 6-bit preview of the first), newer:
# converted again.
execute_process(COMMAND ${bin}/kestrow ${PICTURE} ${WORK}/six.photo)
execute_process(COMMAND ${bin}/photo2bmp ${WORK}/six.photo ${WORK}/splash.bmp)
file(TOUCH ${WORK}/splash.bmp)
build_and_check("the BMP changed, converted again")

execute_process(COMMAND ${configure} -B ${WORK}/build-missing -DPICTURE=${WORK}/missing.bmp
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(rc EQUAL 0 OR NOT out MATCHES "missing\\.bmp[ \n]+does[ \n]+not[ \n]+exist")
  message(FATAL_ERROR "a missing BMP must stop the configure, naming it:\n${out}")
endif()
message(STATUS "a missing BMP stops the configure, named")
