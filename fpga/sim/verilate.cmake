# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Runs Verilator with ARGS (its arguments, joined by '|') and keeps its
# chatter in LOG, shown only when it fails.
string(REPLACE "|" ";" args "${ARGS}")
execute_process(COMMAND ${VERILATOR} ${args} RESULT_VARIABLE rc OUTPUT_FILE ${LOG} ERROR_FILE ${LOG}.err)
if(NOT rc EQUAL 0)
  file(READ ${LOG}.err err)
  message(FATAL_ERROR "verilator failed (${rc}):\n${err}")
endif()
