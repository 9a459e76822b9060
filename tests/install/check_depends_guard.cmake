# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# A package that came out with no Depends must be refused and removed by
# the check cpack runs after building it. Expects GUARD (the check) and WORK.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/root/DEBIAN)
file(WRITE ${WORK}/root/DEBIAN/control
"Package: kestrow-guard-check
Version: 1.0.0
Architecture: all
Maintainer: nobody <nobody@example.org>
Description: a package with no Depends
")
execute_process(COMMAND dpkg-deb --root-owner-group --build ${WORK}/root ${WORK}/bare.deb
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg-deb could not build the test package")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -DCPACK_PACKAGE_FILES=${WORK}/bare.deb -P ${GUARD}
                RESULT_VARIABLE rc ERROR_VARIABLE err)
# CMake wraps a message at word boundaries, so where the line breaks fall
# depends on the length of the path: compare with the whitespace collapsed.
string(REGEX REPLACE "[ \t\n]+" " " flat "${err}")
if(rc EQUAL 0 OR NOT flat MATCHES "no Depends on libc6")
  message(FATAL_ERROR "a package without Depends was let through (status ${rc}):\n${err}")
endif()
if(EXISTS ${WORK}/bare.deb)
  message(FATAL_ERROR "the refused package was left in place")
endif()
