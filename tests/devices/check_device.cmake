# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Runs a bare-metal test image under its simulator and compares what it
# prints with the host's digests of the same files. Also: the image uses no
# heap and no stdio. Expects NM, IMAGE, HOST_DIGESTS, HOST_ARGS (a list
# joined by |), RUN (the simulator's command line, joined by |), OUTPUT (semihost: the
# device's text is in WORK/device.txt; uart: simavr's standard error),
# DIGESTS (how many it must print), WORK and CORE (a name for messages).
string(REPLACE "|" ";" HOST_ARGS "${HOST_ARGS}")
string(REPLACE "|" ";" RUN "${RUN}")
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

execute_process(COMMAND ${NM} ${IMAGE} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm ${IMAGE} failed")
endif()
string(REGEX MATCHALL "[ \n](malloc|calloc|realloc|free|[a-z]*printf|fputs|fwrite|puts|stdout|stderr|__sF|_impure_ptr)\n"
       banned "${symbols}")
if(banned)
  message(FATAL_ERROR "the image uses the heap or stdio:${banned}")
endif()

execute_process(COMMAND ${HOST_DIGESTS} ${HOST_ARGS} OUTPUT_VARIABLE host RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "host_digests: status ${rc}")
endif()

execute_process(COMMAND ${RUN} INPUT_FILE /dev/null TIMEOUT 120
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(device "")
if(OUTPUT STREQUAL "semihost")
  if(EXISTS ${WORK}/device.txt)
    file(READ ${WORK}/device.txt device)
  endif()
else()
  # simavr prints each line the USART sent in green, its newline shown as
  # a dot: "ESC[32m<line>.\n", the colour reset at the next line's start.
  string(ASCII 27 esc)
  string(REGEX REPLACE "${esc}\\[[0-9;]*m" "" plain "${err}")
  string(REGEX MATCHALL "[^\n]*\n" lines "${plain}")
  foreach(line IN LISTS lines)
    if(line MATCHES "^(.*)\\.\n$")
      string(APPEND device "${CMAKE_MATCH_1}\n")
    endif()
  endforeach()
endif()
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the ${CORE} run failed (${rc}) ${err}:\n${device}")
endif()
if(NOT device STREQUAL host)
  file(WRITE ${WORK}/host.txt "${host}")
  file(WRITE ${WORK}/device.txt "${device}")
  message(FATAL_ERROR "the ${CORE} and the host disagree:\n${CORE}:\n${device}\nhost:\n${host}\n${err}")
endif()
string(REGEX MATCHALL "\n  [a-z0-9-]+ [0-9a-f]+" lines "${device}")
list(LENGTH lines count)
if(NOT count EQUAL DIGESTS)
  message(FATAL_ERROR "expected ${DIGESTS} digests, got ${count}:\n${device}")
endif()
message(STATUS "${CORE} and host agree on all ${count} digests:\n${device}")
