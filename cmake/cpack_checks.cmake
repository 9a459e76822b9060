# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Read by cpack before it packages. The packages' time stamps: the
# changelog's date unless the environment gives one (cmake/packaging.cmake).
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} ${CPACK_KESTROW_SOURCE_DATE_EPOCH})
endif()

# Without dpkg-shlibdeps CPack would quietly write a package with no
# Depends at all.
if(CPACK_GENERATOR STREQUAL "DEB")
  find_program(KESTROW_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(NOT KESTROW_DPKG_SHLIBDEPS)
    message(FATAL_ERROR "dpkg-shlibdeps is missing (apt-get install dpkg-dev): "
                        "it reads the package's Depends off the programs")
  endif()
endif()

# CPack says "CPACK_DEBIAN_PACKAGE_DEPENDS not set, the package will have no
# dependencies" of kestrow-dev, which is one header and needs nothing; it
# cannot be told apart from a package that lost its Depends. Said here so
# that nobody reads it as kestrow's.
if(CPACK_GENERATOR STREQUAL "DEB")
  message(STATUS "kestrow-dev is one header and depends on nothing (CPack's \"no dependencies\" line is about it); "
                 "kestrow's Depends are read off its programs by dpkg-shlibdeps and checked after packaging")
endif()
