# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Debian's arm-linux-gnueabihf cross compiler; programs run under qemu-arm.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(KESTROW_TRIPLE arm-linux-gnueabihf)
set(KESTROW_DEB_ARCH armhf)
set(KESTROW_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
