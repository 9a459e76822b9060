# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Files the docs hold: a fenced block right after a line
#   <!-- file: NAME -->
# in a docs page is that file, word for word. The examples and their tests
# build and run these, so what a reader copies is what was tested.
#   kestrow_doc_file(DOC NAME OUT) writes the block NAME of DOC to OUT, at
#   configure time, and configures again when DOC changes.
function(kestrow_doc_file doc name out)
  file(READ ${doc} text)
  string(FIND "${text}" "<!-- file: ${name} -->\n```" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${doc} holds no block <!-- file: ${name} -->")
  endif()
  string(SUBSTRING "${text}" ${at} -1 text)
  # Past the marker line and the fence's own line.
  string(FIND "${text}" "\n```" fence)
  math(EXPR fence "${fence} + 1")
  string(SUBSTRING "${text}" ${fence} -1 text)
  string(FIND "${text}" "\n" line_end)
  math(EXPR line_end "${line_end} + 1")
  string(SUBSTRING "${text}" ${line_end} -1 text)
  string(FIND "${text}" "\n```" end)
  if(end EQUAL -1)
    message(FATAL_ERROR "the block ${name} in ${doc} is not closed")
  endif()
  math(EXPR end "${end} + 1")
  string(SUBSTRING "${text}" 0 ${end} body)
  file(CONFIGURE OUTPUT ${out} CONTENT "${body}" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${doc})
endfunction()
