# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Run by cpack on each package it wrote. First, each .deb's ar members get
# the mode 0644: CPack gives them its own umask's (0664 for a builder with
# umask 002), the one byte that kept two builds of a package apart.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  file(WRITE ${deb}.mode "100644  ")
  file(SIZE ${deb} deb_size)
  set(at 8)  # past "!<arch>\n"; each member: a 60-byte header, its data, a pad to even
  while(at LESS deb_size)
    file(READ ${deb} member_size OFFSET ${at} LIMIT 58)
    string(SUBSTRING "${member_size}" 48 10 member_size)
    string(STRIP "${member_size}" member_size)
    math(EXPR mode_at "${at} + 40")
    execute_process(COMMAND dd of=${deb} bs=1 seek=${mode_at} conv=notrunc status=none
                    INPUT_FILE ${deb}.mode COMMAND_ERROR_IS_FATAL ANY)
    math(EXPR at "${at} + 60 + ${member_size} + ${member_size} % 2")
  endwhile()
  file(REMOVE ${deb}.mode)
endforeach()

# dpkg-shlibdeps can run and still
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
