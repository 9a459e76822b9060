# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# What an install puts below its prefix (and the .deb below /usr).
set(installed_programs kestrow kestrow16 photo2bmp photo2mem photo2raw bmpdither bmpdither16 bmpdither12 fbview)
set(installed_files)
foreach(p IN LISTS installed_programs)
  list(APPEND installed_files bin/${p} share/man/man1/${p}.1.gz)
endforeach()
list(APPEND installed_files share/doc/kestrow/copyright share/doc/kestrow/changelog.gz)
# Pages that are links to the page describing both programs of a pair.
set(installed_man_links kestrow16.1.gz=kestrow.1.gz bmpdither16.1.gz=bmpdither.1.gz bmpdither12.1.gz=bmpdither.1.gz)
# What the header package, kestrow-dev, puts below the prefix.
set(installed_dev_files include/kestrow/photo_file.h share/pkgconfig/kestrow.pc
    share/cmake/kestrow/kestrow-config.cmake share/cmake/kestrow/kestrow-config-version.cmake
    share/cmake/kestrow/kestrow-targets.cmake share/doc/kestrow-dev/copyright
    share/doc/kestrow-dev/changelog.gz)
