# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# The tests that run a program as "nobody", with the build tree behind a
# folder of mode 0700, as a clone in root's home is on Debian: they must
# still check what they check (by running copies nobody can reach), never
# fail for want of reaching the program. Run as root only; otherwise there
# is no one to drop to, and the test says so. Expects CLI_TESTS, PRIVATE
# (the folder made private for the run: the build tree itself, whose mode
# is put back as it was) and FILTER.
execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT uid STREQUAL "0")
  message("SKIPPED: only root can drop to nobody")
  return()
endif()
execute_process(COMMAND stat -c %a ${PRIVATE} OUTPUT_VARIABLE mode OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT mode MATCHES "^[0-7]+$")
  message(FATAL_ERROR "cannot read the mode of ${PRIVATE}")
endif()
execute_process(COMMAND chmod 0700 ${PRIVATE})
execute_process(COMMAND ${CLI_TESTS} --gtest_filter=${FILTER} --gtest_brief=1
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
execute_process(COMMAND chmod ${mode} ${PRIVATE})
message("${out}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "with ${PRIVATE} at mode 0700 the tests above failed")
endif()
if(NOT out MATCHES "PASSED")
  message(FATAL_ERROR "no test ran")
endif()
