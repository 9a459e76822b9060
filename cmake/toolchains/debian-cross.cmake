# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Shared by the toolchain files beside it: a Debian cross compiler for
# KESTROW_TRIPLE, programs run under qemu-user with the target's libraries,
# and packages labelled KESTROW_DEB_ARCH.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${KESTROW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${KESTROW_TRIPLE}-g++)

# Libraries and headers come from the target's root only; programs (cmake,
# readelf, ImageMagick...) from this machine.
set(CMAKE_FIND_ROOT_PATH /usr/${KESTROW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest, test discovery and the end-to-end tests start target programs
# through this. The library path keeps the cross libc beside its own loader:
# with the target's libc6 also installed (multiarch, for dpkg-shlibdeps),
# the loader would otherwise pick that one, of another build, and programs
# crash or hang.
set(CMAKE_CROSSCOMPILING_EMULATOR ${KESTROW_QEMU} -L /usr/${KESTROW_TRIPLE}
    -E LD_LIBRARY_PATH=/usr/${KESTROW_TRIPLE}/lib)

# Without this CPack asks dpkg, which names this machine's architecture.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${KESTROW_DEB_ARCH})
