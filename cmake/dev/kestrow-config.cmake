# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# find_package(kestrow) gives kestrow::photo_file, the header-only photo
# file reader: link it and #include <kestrow/photo_file.h>.
include(${CMAKE_CURRENT_LIST_DIR}/kestrow-targets.cmake)
