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
configure_file(${PROJECT_SOURCE_DIR}/cmake/dev/kestrow.pc.in ${PROJECT_BINARY_DIR}/kestrow.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kestrow.pc
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/pkgconfig COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/gz/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/kestrow-dev COMPONENT dev)
