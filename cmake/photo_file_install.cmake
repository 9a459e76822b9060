# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# The photo file reader for other projects: the header, a pkg-config file
# and a CMake package giving kestrow::photo_file. The reader is one header,
# the same on every machine, so all of it goes below share/ (and into the
# architecture-independent kestrow-dev package).
include(CMakePackageConfigHelpers)

set(KESTROW_CMAKE_DIR ${CMAKE_INSTALL_DATAROOTDIR}/cmake/kestrow)
install(FILES ${PROJECT_SOURCE_DIR}/include/kestrow/photo_file.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kestrow COMPONENT dev)
install(TARGETS photo_file EXPORT kestrow-targets COMPONENT dev)
install(EXPORT kestrow-targets NAMESPACE kestrow:: DESTINATION ${KESTROW_CMAKE_DIR} COMPONENT dev)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kestrow-config-version.cmake
  COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/dev/kestrow-config.cmake
              ${PROJECT_BINARY_DIR}/kestrow-config-version.cmake
        DESTINATION ${KESTROW_CMAKE_DIR} COMPONENT dev)
# The pkg-config file names the prefix it is installed to (as given to
# `cmake --install --prefix`, or /usr in the .deb), so that the flags it
# gives are plain paths, not share/pkgconfig/../../include. It is written
# in a folder of the prefix's own, so that installs into two prefixes at
# once (as two tests do) never write the same file.
set(KESTROW_PC_PREFIX "@KESTROW_PC_PREFIX@")  # filled in at install time
configure_file(${PROJECT_SOURCE_DIR}/cmake/dev/kestrow.pc.in ${PROJECT_BINARY_DIR}/kestrow.pc.in @ONLY)
install(CODE "
  get_filename_component(kestrow_pc_prefix \"\${CMAKE_INSTALL_PREFIX}\" ABSOLUTE)
  file(READ \"${PROJECT_BINARY_DIR}/kestrow.pc.in\" kestrow_pc)
  string(REPLACE \"@KESTROW_PC_PREFIX@\" \"\${kestrow_pc_prefix}\" kestrow_pc \"\${kestrow_pc}\")
  string(MD5 kestrow_pc_dir \"\$ENV{DESTDIR}\${kestrow_pc_prefix}\")
  file(WRITE \"${PROJECT_BINARY_DIR}/pc/\${kestrow_pc_dir}/kestrow.pc\" \"\${kestrow_pc}\")
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATAROOTDIR}/pkgconfig\"
       TYPE FILE FILES \"${PROJECT_BINARY_DIR}/pc/\${kestrow_pc_dir}/kestrow.pc\")
" COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/gz/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/kestrow-dev COMPONENT dev)
