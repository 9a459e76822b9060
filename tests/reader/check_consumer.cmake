# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Installs the header package's files into a fresh prefix and builds a
# small consumer against them twice: with find_package(kestrow) and with
# pkg-config. Each must print what the reader reads. Expects BUILD_DIR,
# SOURCE (the consumer), PKG_CONFIG, CC and WORK.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK}/prefix --component dev
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install --component dev failed")
endif()
if(EXISTS ${WORK}/prefix/bin)
  message(FATAL_ERROR "the dev component installed programs")
endif()
set(expected "2x1 ffff00 ff0000\n")

function(run_consumer how program)
  execute_process(COMMAND ${program} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL expected)
    message(FATAL_ERROR "${how}: status ${rc}, printed '${out}', not '${expected}'")
  endif()
  message(STATUS "${how}: ${out}")
endfunction()

# CMake: only the installed prefix is searched.
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK}/cmake-build -DCMAKE_C_COMPILER=${CC}
                        -DCMAKE_PREFIX_PATH=${WORK}/prefix -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "find_package(kestrow) failed:\n${out}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK}/cmake-build RESULT_VARIABLE rc OUTPUT_VARIABLE out
                ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "building against kestrow::photo_file failed:\n${out}")
endif()
run_consumer("find_package(kestrow)" ${WORK}/cmake-build/consumer)

# pkg-config, told to look in the prefix alone.
set(ENV{PKG_CONFIG_LIBDIR} ${WORK}/prefix/share/pkgconfig)
execute_process(COMMAND ${PKG_CONFIG} --cflags kestrow OUTPUT_VARIABLE cflags RESULT_VARIABLE rc
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0 OR NOT cflags MATCHES "-I")
  message(FATAL_ERROR "pkg-config --cflags kestrow: status ${rc}, '${cflags}'")
endif()
# The include path as it is, without share/pkgconfig/../.. in it.
if(NOT cflags STREQUAL "-I${WORK}/prefix/include")
  message(FATAL_ERROR "pkg-config --cflags kestrow gives '${cflags}', not -I${WORK}/prefix/include")
endif()
separate_arguments(cflags UNIX_COMMAND "${cflags}")
execute_process(COMMAND ${CC} -std=c99 -Wall -Wextra -Werror ${cflags} ${SOURCE}/consumer.c -o ${WORK}/pc-consumer
                RESULT_VARIABLE rc ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "building with pkg-config's flags (${cflags}) failed:\n${out}")
endif()
run_consumer("pkg-config kestrow" ${WORK}/pc-consumer)
