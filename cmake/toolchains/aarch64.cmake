# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Debian's aarch64-linux-gnu cross compiler; programs run under qemu-aarch64.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(KESTROW_TRIPLE aarch64-linux-gnu)
set(KESTROW_DEB_ARCH arm64)
set(KESTROW_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
