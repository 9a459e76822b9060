# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# What every part's tests share, included once by the top CMakeLists.txt:
# GoogleTest, the emulator a cross build's programs start through, and
# kestrow_tool_test for a test that needs a tool.

if(KESTROW_WASI)
  # GoogleTest from Debian's sources for WASI: one thread, no exceptions,
  # no death tests or stream redirection, which WASI cannot give it.
  set(gtest_src /usr/src/googletest/googletest)
  add_library(gtest_wasi STATIC ${gtest_src}/src/gtest-all.cc ${gtest_src}/src/gtest_main.cc)
  target_include_directories(gtest_wasi SYSTEM PUBLIC ${gtest_src}/include PRIVATE ${gtest_src})
  target_compile_definitions(gtest_wasi PUBLIC GTEST_HAS_PTHREAD=0 GTEST_HAS_EXCEPTIONS=0
                             GTEST_HAS_STREAM_REDIRECTION=0 GTEST_HAS_POSIX_RE=0 GTEST_HAS_DEATH_TEST=0)
  target_compile_options(gtest_wasi PRIVATE -w -fno-exceptions)
  add_library(GTest::gtest_main ALIAS gtest_wasi)
  return()
elseif(CMAKE_CROSSCOMPILING)
  # Debian's libgtest-dev holds libraries for this machine only, and its
  # sources: those are built here for the target.
  set(KESTROW_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources, for a cross build")
  if(NOT EXISTS ${KESTROW_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${KESTROW_GTEST_SOURCE} "
                        "(apt-get install libgtest-dev)")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # It names its targets GTest::gtest_main and so on, as the package does.
  add_subdirectory(${KESTROW_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Not our code: g++ 12 warns falsely inside it (-Wrestrict in std::string).
  target_compile_options(gtest PRIVATE -w)
  target_compile_options(gtest_main PRIVATE -w)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# A cross build's programs start through the emulator; its words are joined
# by '|', as a semicolon would end the compiler's command line and split a
# script's argument.
list(JOIN CMAKE_CROSSCOMPILING_EMULATOR "|" KESTROW_EMULATOR)

# Test helpers' headers (the BMP builder, running a program, streams).
set(KESTROW_TEST_SUPPORT ${PROJECT_SOURCE_DIR}/tests/support)

# A test that needs a tool: without the tool it reports itself skipped, or
# fails under CI. TOOL_VAR names the find_program result; TOOL is what to
# install.
function(kestrow_tool_test name tool_var tool)
  if(${tool_var})
    add_test(NAME ${name} COMMAND ${ARGN})
  else()
    add_test(NAME ${name}
      COMMAND ${CMAKE_COMMAND} -DTEST=${name} -DTOOL=${tool}
              -P ${PROJECT_SOURCE_DIR}/cmake/missing_tool.cmake)
    set_tests_properties(${name} PROPERTIES SKIP_REGULAR_EXPRESSION "SKIPPED: ")
  endif()
endfunction()
