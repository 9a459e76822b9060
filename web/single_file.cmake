# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Writes the page as one self-contained file, kestrow.html: index.html with
# kestrow.js inline and every program gzip-compressed (gzip -9n) and
# base64-encoded (coreutils' base64) in window.KESTROW_WASM, which
# kestrow.js unpacks with DecompressionStream. It works opened from a
# file:// URL, offline, or from any static host. Expects PAGE (index.html),
# SCRIPT (kestrow.js), WASM_DIR, PROGRAMS (joined by '|'), SIMD_DIR and
# SIMD_PROGRAMS (the dithers built with SIMD, <name>.simd.wasm), GZIP,
# BASE64, WORK and OUT.
string(REPLACE "|" ";" programs "${PROGRAMS}")
string(REPLACE "|" ";" simd_programs "${SIMD_PROGRAMS}")
file(MAKE_DIRECTORY ${WORK})
set(sources "")
foreach(p IN LISTS programs)
  list(APPEND sources "${p}=${WASM_DIR}/${p}.wasm")
endforeach()
foreach(p IN LISTS simd_programs)
  list(APPEND sources "${p}.simd=${SIMD_DIR}/${p}.simd.wasm")
endforeach()
set(entries "")
foreach(source IN LISTS sources)
  string(REPLACE "=" ";" pair "${source}")
  list(GET pair 0 p)
  list(GET pair 1 wasm)
  execute_process(COMMAND ${GZIP} -9n -c ${wasm} OUTPUT_FILE ${WORK}/${p}.wasm.gz RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "gzip ${p}.wasm failed")
  endif()
  execute_process(COMMAND ${BASE64} -w0 ${WORK}/${p}.wasm.gz OUTPUT_VARIABLE b64 RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "base64 ${p}.wasm.gz failed")
  endif()
  string(APPEND entries "\n  \"${p}\": \"${b64}\",")
endforeach()
file(READ ${PAGE} page)
file(READ ${SCRIPT} script)
string(FIND "${script}" "</script" closing)
if(NOT closing EQUAL -1)
  message(FATAL_ERROR "${SCRIPT} holds </script, which would end the inline script early")
endif()
set(tag "<script src=\"kestrow.js\"></script>")
string(FIND "${page}" "${tag}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${PAGE} has no ${tag} to replace")
endif()
string(REPLACE "${tag}"
       "<script>\nwindow.KESTROW_WASM = {${entries}\n};\n</script>\n<script>\n${script}</script>" page "${page}")
file(WRITE ${OUT} "${page}")
file(SIZE ${OUT} size)
message(STATUS "${OUT}: ${size} bytes")
