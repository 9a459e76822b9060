# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Installing and the .deb. Man pages and the changelog are installed
# gzip-compressed (-n: no name or time stamp, so the package is
# reproducible); kestrow16(1) is a link to kestrow(1), which describes both.
include(GNUInstallDirs)

# Each page once; the second program of a pair shares its page by a link.
set(KESTROW_MAN_PAGES kestrow.1 photo2bmp.1 photo2mem.1 photo2raw.1 bmpdither.1 fbview.1)
set(KESTROW_MAN_LINKS kestrow16.1=kestrow.1 bmpdither16.1=bmpdither.1 bmpdither12.1=bmpdither.1)

set(KESTROW_MAINTAINER "kestrow developers <kestrow-devel@users.noreply.github.com>"
    CACHE STRING "Maintainer line written into the .deb")

find_program(GZIP_PROGRAM gzip REQUIRED)
set(kestrow_gz_dir ${PROJECT_BINARY_DIR}/gz)
set(kestrow_gz_files)
function(kestrow_gzip source name)
  set(gz ${kestrow_gz_dir}/${name}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${kestrow_gz_dir}
    COMMAND ${GZIP_PROGRAM} -9n -c ${source} > ${gz}
    DEPENDS ${source}
    COMMENT "Compressing ${name}")
  set(kestrow_gz_files ${kestrow_gz_files} ${gz} PARENT_SCOPE)
endfunction()

foreach(page IN LISTS KESTROW_MAN_PAGES)
  kestrow_gzip(${PROJECT_SOURCE_DIR}/man/${page} ${page})
endforeach()
kestrow_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog changelog)
add_custom_target(compressed_docs ALL DEPENDS ${kestrow_gz_files})
if(TARGET demo)
  add_dependencies(demo compressed_docs)
endif()

# What the install copies from the build, for the check the top
# CMakeLists.txt runs before anything is copied: an install of a build
# that is not complete stops whole, rather than leaving the reader's files
# without the programs.
set(built ${kestrow_gz_files})
foreach(program IN LISTS KESTROW_PROGRAMS ITEMS fbview)
  list(APPEND built $<TARGET_FILE:${program}>)
endforeach()
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/install_needs.cmake
     CONTENT "set(KESTROW_INSTALL_NEEDS \"${built}\")\n")

set(man1 ${CMAKE_INSTALL_MANDIR}/man1)
foreach(page IN LISTS KESTROW_MAN_PAGES)
  install(FILES ${kestrow_gz_dir}/${page}.gz DESTINATION ${man1})
endforeach()
foreach(link IN LISTS KESTROW_MAN_LINKS)
  # "kestrow16.1=kestrow.1": installed as a relative symbolic link.
  string(REPLACE "=" ";" pair ${link})
  list(GET pair 0 from)
  list(GET pair 1 to)
  install(CODE "
    set(dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${man1}\")
    file(MAKE_DIRECTORY \"\${dir}\")
    file(CREATE_LINK ${to}.gz \"\${dir}/${from}.gz\" SYMBOLIC)
    message(STATUS \"Installing: \${dir}/${from}.gz -> ${to}.gz\")")
endforeach()
set(docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/${PROJECT_NAME})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${kestrow_gz_dir}/changelog.gz
        DESTINATION ${docdir})

# Packages built twice from the same source are the same bytes, whoever
# builds them and whenever: every time stamp is the date of the changelog's
# newest entry (as dpkg-buildpackage takes it; SOURCE_DATE_EPOCH from the
# environment wins), and every directory's mode is 0755 whatever the
# builder's umask (file modes are set by their install rules already).
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog signoff REGEX "^ -- .*>  " LIMIT_COUNT 1)
string(REGEX REPLACE "^ -- .*>  " "" changelog_date "${signoff}")
execute_process(COMMAND date -d "${changelog_date}" +%s OUTPUT_VARIABLE CPACK_KESTROW_SOURCE_DATE_EPOCH
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrow)
set(CPACK_PACKAGE_CONTACT "${KESTROW_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KESTROW_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_STRIP_FILES ON)

# Two packages, as Debian splits a program from what other software builds
# against: kestrow (the programs) and kestrow-dev (the reader's header, for
# every architecture alike).
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL programs dev)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME kestrow)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME kestrow-dev)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_DEV_PACKAGE_SUGGESTS kestrow)
# The summary, then the extended description in lines of at most 80
# columns as Debian wants.
# Each package has its own summary: the first line of its description.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_DEBIAN_PROGRAMS_DESCRIPTION
"convert 24-bit BMPs into 6-bit and 16-bit photo files
kestrow and kestrow16 convert uncompressed 24-bit BMP pictures into photo
files for a display with 6-bit or 16-bit 5:6:5 colour. photo2bmp shows a
photo file as the display would, as a BMP, and photo2mem as a $readmemh
memory image for an FPGA's block RAM; photo2raw writes it in a panel's own
bytes or as a C header of them; fbview shows it on the Linux framebuffer;
bmpdither, bmpdither16 and bmpdither12 (for 12-bit VGA) dither a photograph
onto the display's colours in linear light first.")
set(CPACK_DEBIAN_DEV_DESCRIPTION
"read kestrow photo files in firmware and programs
photo_file.h is a single-header C99 (and C++) reader of the photo files
kestrow and kestrow16 write. It gives rows top first in the pixel formats
panels and framebuffers take (RGB565 either byte order, RGB332, RGB222,
RGB888, XRGB8888), from memory or through a read function, without heap,
stdio, floating point or unaligned access, also where int has 16 bits.
With a pkg-config file and a CMake package (find_package(kestrow), target
kestrow::photo_file).")
# The programs' dependency is read off them by dpkg-shlibdeps; the project
# config below refuses to package without it rather than write a package
# that depends on nothing.
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SHLIBDEPS ON)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack_checks.cmake)
if(KESTROW_STATIC_PROGRAMS)
  # Static programs need nothing of the machine's own, so a .deb of them
  # would depend on nothing and be labelled for a Debian port the machine
  # may not run: an archive of the installed tree instead, to unpack into
  # / (kestrow-1.0.0-armv6.tar.gz holds usr/local/...).
  set(CPACK_GENERATOR TGZ)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr/local)
  set(CPACK_PACKAGE_FILE_NAME kestrow-${PROJECT_VERSION}-${KESTROW_ARCHIVE_NAME})
else()
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/cpack_post_check.cmake)
endif()
include(CPack)
