# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# The npm package of the programs, installed from its tarball into a fresh
# prefix (npm install, offline: it has no dependencies), then every program
# run through its installed command and natively, each in a folder of its
# own with the same inputs and the same command line: the same output
# files, standard output, standard error and exit status, conversions and
# refusals alike. Also the package as a module, against kestrow16; and the
# browser page's commands and module files (DOC_FILES, taken from the page
# by the build) run word for word in a folder of their own, on the path
# Node 18 takes (AS_NODE18 preloaded), with every program they name one the
# package has. Expects NPM, NODE, TGZ, BIN_DIR (the native programs),
# SAMPLE, REGRESSIONS (the fuzzers'), DOC, DOC_FILES, AS_NODE18, PAGE (the
# single file) and WORK.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/prefix)
execute_process(COMMAND ${NPM} install --prefix ${WORK}/prefix --no-audit --no-fund --offline ${TGZ}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "npm install ${TGZ} failed:\n${out}")
endif()
set(installed ${WORK}/prefix/node_modules/.bin)

# Inputs, made by the native programs: the sample, a photo file of each
# width, a BMP cut short, a file that is no BMP.
file(MAKE_DIRECTORY ${WORK}/inputs)
configure_file(${SAMPLE} ${WORK}/inputs/in.bmp COPYONLY)
execute_process(COMMAND ${BIN_DIR}/kestrow16 ${WORK}/inputs/in.bmp ${WORK}/inputs/in16.photo)
execute_process(COMMAND ${BIN_DIR}/kestrow ${WORK}/inputs/in.bmp ${WORK}/inputs/in6.photo)
execute_process(COMMAND head -c 2000 ${SAMPLE} OUTPUT_FILE ${WORK}/inputs/short.bmp)
file(WRITE ${WORK}/inputs/note.bmp "not a picture\n")
# The largest header with no pixels: the program allocates 48 MiB before
# the read fails, which once crashed Node's WASI (see web/run.js).
configure_file(${REGRESSIONS}/largest-header-no-pixels ${WORK}/inputs/largest.bmp COPYONLY)

set(cases
  "kestrow|in.bmp|out.photo" "kestrow16|in.bmp|out.photo" "bmpdither|in.bmp|out.bmp" "bmpdither16|in.bmp|out.bmp"
  "photo2bmp|in16.photo|out.bmp" "photo2bmp|in6.photo|out.bmp" "photo2mem|in6.photo|out.mem"
  "photo2mem|in16.photo|out.coe" "photo2raw|in16.photo|out.h|rgb565" "photo2raw|in6.photo|out.raw|rgb565be"
  "bmpdither12|in.bmp|out.bmp" "photo2mem|--rgb444|in16.photo|out.mif"
  "kestrow16|short.bmp|out.photo" "kestrow|note.bmp|out.photo" "bmpdither|missing.bmp|out.bmp"
  "photo2bmp|in.bmp|out.bmp" "photo2raw|in16.photo|out.raw|rgb555" "kestrow16" "photo2mem|in16.photo"
  "kestrow16|largest.bmp|out.photo")
set(n 0)
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" words "${case}")
  list(POP_FRONT words program)
  math(EXPR n "${n} + 1")
  foreach(side IN ITEMS native node)
    set(dir ${WORK}/${n}-${side})
    file(COPY ${WORK}/inputs/ DESTINATION ${dir})
    if(side STREQUAL "native")
      # By name on the PATH, so that argv[0] and the usage lines match.
      set(cmd ${CMAKE_COMMAND} -E env PATH=${BIN_DIR}:$ENV{PATH} ${program})
    else()
      set(cmd ${installed}/${program})
    endif()
    execute_process(COMMAND ${cmd} ${words} WORKING_DIRECTORY ${dir}
                    RESULT_VARIABLE status_${side} OUTPUT_VARIABLE out_${side} ERROR_VARIABLE err_${side})
  endforeach()
  if(NOT status_native STREQUAL status_node OR NOT out_native STREQUAL out_node OR NOT err_native STREQUAL err_node)
    message(FATAL_ERROR "${case}: natively status ${status_native}, '${out_native}${err_native}'; "
                        "under Node status ${status_node}, '${out_node}${err_node}'")
  endif()
  file(GLOB outputs RELATIVE ${WORK}/${n}-native ${WORK}/${n}-native/out*)
  file(GLOB node_outputs RELATIVE ${WORK}/${n}-node ${WORK}/${n}-node/out*)
  if(NOT outputs STREQUAL node_outputs)
    message(FATAL_ERROR "${case}: natively wrote ${outputs}, under Node ${node_outputs}")
  endif()
  foreach(f IN LISTS outputs)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/${n}-native/${f} ${WORK}/${n}-node/${f}
                    RESULT_VARIABLE differ)
    if(differ)
      message(FATAL_ERROR "${case}: ${f} differs")
    endif()
  endforeach()
  message(STATUS "${case}: status ${status_native}, the same bytes, messages and status")
endforeach()

# The module: the page's API, in Node.
execute_process(COMMAND ${NODE} -e "
  const fs = require('fs');
  require('${WORK}/prefix/node_modules/kestrow')().then((k) => {
    const photo = k.convertBmp(new Uint8Array(fs.readFileSync('${SAMPLE}')), { bits: 16 });
    process.exit(Buffer.compare(Buffer.from(photo), fs.readFileSync('${WORK}/inputs/in16.photo')) === 0 ? 0 : 1);
  });" RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the package as a module does not give kestrow16's bytes:\n${err}")
endif()
message(STATUS "as a module: kestrow16's bytes")

# The page's figures for the package's and the single file's sizes, within
# 5% of the built ones.
file(READ ${DOC} doc)
file(SIZE ${TGZ} tgz_bytes)
file(SIZE ${PAGE} page_bytes)
foreach(pair IN ITEMS "kestrow-1.0.0.tgz`\n\\(about ([0-9]+) KiB|${tgz_bytes}" "`kestrow.html` \\(about\n([0-9]+) KiB|${page_bytes}")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 pattern)
  list(GET pair 1 bytes)
  if(NOT doc MATCHES "${pattern}")
    message(FATAL_ERROR "${DOC} states no size matching '${pattern}'")
  endif()
  math(EXPR stated "${CMAKE_MATCH_1} * 1024")
  math(EXPR off "(${stated} - ${bytes}) * 100 / ${bytes}")
  if(off GREATER 5 OR off LESS -5)
    math(EXPR kib "(${bytes} + 512) / 1024")
    message(FATAL_ERROR "${DOC} says about ${CMAKE_MATCH_1} KiB; the build's file is ${kib} KiB")
  endif()
endforeach()

# The page's commands: only programs the package has, never a registry look-up.
string(REGEX MATCHALL "npx [^\n`]*" npx_lines "${doc}")
foreach(line IN LISTS npx_lines)
  if(NOT line MATCHES "^npx --no-install( |$)")
    message(FATAL_ERROR "${DOC}: '${line}' may fetch from the registry: it must say npx --no-install")
  endif()
endforeach()
string(REGEX MATCHALL "npx --no-install ([a-z0-9]+)|'--no-install', '([a-z0-9]+)'" named "${doc}")
foreach(n IN LISTS named)
  string(REGEX REPLACE ".* '?([a-z0-9]+)'?$" "\\1" program "${n}")
  if(NOT EXISTS ${installed}/${program})
    message(FATAL_ERROR "${DOC} runs ${program}, which the package does not have")
  endif()
endforeach()

# The page's shell block and module files, word for word, on Node 18's path.
set(docs_dir ${WORK}/docs)
file(MAKE_DIRECTORY ${docs_dir})
configure_file(${TGZ} ${docs_dir}/kestrow-1.0.0.tgz COPYONLY)
configure_file(${SAMPLE} ${docs_dir}/cat.bmp COPYONLY)
set(ENV{NODE_OPTIONS} "--require=${AS_NODE18}")
set(ENV{npm_config_offline} true)
string(REPLACE "|" ";" doc_files "${DOC_FILES}")
foreach(f IN LISTS doc_files)
  get_filename_component(name ${f} NAME)
  if(name MATCHES "\\.sh$")
    set(cmd sh ${f})
  else()
    configure_file(${f} ${docs_dir}/${name} COPYONLY)
    set(cmd ${NODE} ${name})
    file(REMOVE ${docs_dir}/cat.photo)
  endif()
  execute_process(COMMAND ${cmd} WORKING_DIRECTORY ${docs_dir} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "the page's ${name} failed (status ${rc}) on Node 18's path:\n${out}")
  endif()
  # What the page's files make is what the native programs make.
  set(native_dir ${WORK}/docs-native)
  file(MAKE_DIRECTORY ${native_dir})
  configure_file(${SAMPLE} ${native_dir}/cat.bmp COPYONLY)
  if(name MATCHES "\\.sh$")
    set(made cat.coe)
    execute_process(COMMAND ${BIN_DIR}/bmpdither12 cat.bmp cat.dithered.bmp WORKING_DIRECTORY ${native_dir})
    execute_process(COMMAND ${BIN_DIR}/kestrow16 cat.dithered.bmp cat.photo WORKING_DIRECTORY ${native_dir})
    execute_process(COMMAND ${BIN_DIR}/photo2mem --rgb444 cat.photo cat.coe WORKING_DIRECTORY ${native_dir})
  else()
    set(made cat.photo)
    execute_process(COMMAND ${BIN_DIR}/bmpdither16 cat.bmp cat.dithered.bmp WORKING_DIRECTORY ${native_dir})
    execute_process(COMMAND ${BIN_DIR}/kestrow16 cat.dithered.bmp cat.photo WORKING_DIRECTORY ${native_dir})
  endif()
  file(READ ${native_dir}/${made} want HEX)
  file(READ ${docs_dir}/${made} got HEX)
  if(NOT got STREQUAL want)
    message(FATAL_ERROR "the page's ${name} made a ${made} that is not the native programs'")
  endif()
  message(STATUS "the page's ${name}: the native programs' ${made}, on Node 18's path")
endforeach()
