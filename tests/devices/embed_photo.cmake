# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Turns a photo file into what the test image includes: its bytes as
# `xxd -i` writes them, and its size. Expects XXD, IN, INC, SIZE_HEADER
# and NAME.
execute_process(COMMAND ${XXD} -i INPUT_FILE ${IN} OUTPUT_FILE ${INC} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "xxd -i ${IN} failed")
endif()
file(SIZE ${IN} size)
file(WRITE ${SIZE_HEADER} "#define ${NAME}_SIZE ${size}\n")
