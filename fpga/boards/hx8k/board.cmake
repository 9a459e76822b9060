# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# iCE40-HX8K breakout board: an HX8K in the CT256 package; a 12 MHz clock.
set(BOARD_FLOW ice40)
set(BOARD_DEVICE --hx8k --package ct256)
