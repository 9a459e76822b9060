# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Debian's s390x-linux-gnu cross compiler (a big-endian host, for testing);
# programs run under qemu-s390x.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(KESTROW_TRIPLE s390x-linux-gnu)
set(KESTROW_DEB_ARCH s390x)
set(KESTROW_QEMU qemu-s390x)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
