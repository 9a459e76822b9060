# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# The Raspberry Pi Zero and Pi 1 (ARM11, ARMv6): Debian's arm-linux-gnueabi
# cross compiler, whose ARMv5TE soft-float code an ARMv6 core runs, with
# the programs linked statically, so that they run whatever C library the
# Pi's own system has (Raspberry Pi OS's armhf is built for ARMv6, Debian's
# for ARMv7). Programs run under qemu-arm as an ARM1176, the Pi Zero's core.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(KESTROW_TRIPLE arm-linux-gnueabi)
set(KESTROW_DEB_ARCH armel)
set(KESTROW_QEMU qemu-arm -cpu arm1176)
set(KESTROW_STATIC_PROGRAMS ON)
set(KESTROW_ARCHIVE_NAME armv6)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
