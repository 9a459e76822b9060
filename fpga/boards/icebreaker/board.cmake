# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# iCEBreaker: an iCE40 UltraPlus UP5K in the SG48 package; a 12 MHz clock.
set(BOARD_FLOW ice40)
set(BOARD_DEVICE --up5k --package sg48)
