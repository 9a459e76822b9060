# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# The page's programs are rebuilt when a header they include changes, not
# only their .cpp files: HEADER is made newer, the web target built, and
# WASM (a program of the page) must be newer than before. HEADER's time is
# put back afterwards, so nothing else of the build goes stale. Expects
# BUILD_DIR, HEADER and WASM.
function(mtime path out)
  execute_process(COMMAND stat -c %.9Y ${path} OUTPUT_VARIABLE t OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot stat ${path}")
  endif()
  set(${out} ${t} PARENT_SCOPE)
endfunction()

execute_process(COMMAND stat -c %Y ${HEADER} OUTPUT_VARIABLE header_time OUTPUT_STRIP_TRAILING_WHITESPACE)
mtime(${WASM} before)
execute_process(COMMAND sleep 1)
file(TOUCH ${HEADER})
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target web
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
execute_process(COMMAND touch -d @${header_time} ${HEADER})
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --build ${BUILD_DIR} --target web failed:\n${out}")
endif()
mtime(${WASM} after)
if(NOT after GREATER before)
  message(FATAL_ERROR "${WASM} was not rebuilt after ${HEADER} changed:\n${out}")
endif()
message("${WASM} rebuilt after ${HEADER} changed")
