# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Stands in for a test whose tool is not installed. On a developer's machine
# the test reports itself skipped; under CI (CI=true) a missing tool fails
# the run, so nothing goes unchecked there. Expects TEST and TOOL.
if("$ENV{CI}" STREQUAL "true")
  message(FATAL_ERROR "${TEST} needs ${TOOL}, which is not installed (required under CI)")
endif()
message("SKIPPED: ${TEST} needs ${TOOL}, which is not installed")
