# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Run by cpack on each package it wrote. dpkg-shlibdeps can run and still
# find nothing (no dpkg database, a cross build without the target's libc
# registered): CPack then writes a package with no Depends at all, which
# installs on a machine that cannot run it. Refuse that package. The
# header package, kestrow-dev, holds no program and needs nothing.
find_program(KESTROW_DPKG_DEB dpkg-deb REQUIRED)
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(deb_name ${deb} NAME)
  if(deb_name MATCHES "^kestrow-dev_")
    continue()
  endif()
  execute_process(COMMAND ${KESTROW_DPKG_DEB} --field ${deb} Depends
                  OUTPUT_VARIABLE depends OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT depends MATCHES "libc6")
    file(REMOVE ${deb})
    message(FATAL_ERROR "${deb}: no Depends on libc6 was found (Depends: '${depends}'); "
                        "dpkg-shlibdeps must be able to read the programs' libraries")
  endif()
  message(STATUS "${deb}: Depends: ${depends}")
endforeach()
