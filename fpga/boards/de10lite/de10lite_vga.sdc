# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Timing constraints for de10lite_vga in Quartus (TimeQuest): the board's
# 50 MHz oscillator, and the 25 MHz pixel clock the top makes by halving it
# in the register clk. Add to the project (Assignments > Settings > Timing
# Analyzer) beside de10lite_vga.qsf.
create_clock -name clock_50 -period 20.000 [get_ports {max10_clk1_50}]
create_generated_clock -name pixel_clock -source [get_ports {max10_clk1_50}] -divide_by 2 [get_registers {clk}]
derive_clock_uncertainty
# The VGA outputs go to a resistor DAC and the monitor: no timing to meet
# off the chip.
set_false_path -to [get_ports {vga_r[*] vga_g[*] vga_b[*] vga_hs vga_vs}]
set_false_path -from [get_ports {key0_n}]
