# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# The Quick start's demo with GoogleTest and Google Benchmark out of reach:
# the programs preset's settings, those two packages disabled, then the
# demo target. It must convert the sample and print its size as 97 x 65.
# Installing is held to the docs' order: before any build it copies nothing
# and says to build; right after the demo it installs everything.
# Expects SOURCE and WORK.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK} -DCMAKE_BUILD_TYPE=Release
                        -DKESTROW_BUILD_TESTS=OFF -DKESTROW_BUILD_BENCH=OFF
                        -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "configuring the programs alone failed:\n${out}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --install ${WORK} --prefix ${WORK}/too-early
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
file(GLOB_RECURSE copied ${WORK}/too-early/*)
if(rc EQUAL 0 OR copied OR NOT out MATCHES "Nothing installed: this build is not complete.*Build it first")
  message(FATAL_ERROR "installing an unbuilt tree must copy nothing and say to build (status ${rc}, "
                      "copied '${copied}'):\n${out}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK} --target demo -j 2
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the demo failed:\n${out}")
endif()
string(REGEX MATCHALL "[0-9]+ bytes, 97 x 65\\)" sizes "${out}")
list(LENGTH sizes count)
if(NOT count EQUAL 4)
  message(FATAL_ERROR "the demo must name four photo files of 97 x 65:\n${out}")
endif()
message(STATUS "the demo ran without the test libraries")
execute_process(COMMAND ${CMAKE_COMMAND} --install ${WORK} --prefix ${WORK}/prefix --strip
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT EXISTS ${WORK}/prefix/bin/kestrow16 OR NOT EXISTS ${WORK}/prefix/bin/fbview)
  message(FATAL_ERROR "installing right after the demo failed (status ${rc}):\n${out}")
endif()
message(STATUS "installing right after the demo works; before any build it copies nothing")
