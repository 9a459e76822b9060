# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# ESP-IDF reads this as the component's CMakeLists.txt: the reader is one
# header, so the component is its folder.
idf_component_register(INCLUDE_DIRS "src")
