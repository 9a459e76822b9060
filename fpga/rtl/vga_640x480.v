// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// 640 x 480 at 60 Hz VGA timing (the VESA/industry standard mode):
//
//   pixel clock  25.175 MHz (25.000 MHz is within what monitors accept)
//   horizontal   640 visible + 16 front porch + 96 sync + 48 back porch = 800
//   vertical     480 visible + 10 front porch +  2 sync + 33 back porch = 525
//   sync pulses  both negative (low during the pulse)
//   rates        31.469 kHz lines, 59.94 Hz frames
//
// Counts columns and lines on the pixel clock; every output is registered,
// and all of them describe the same pixel.
`default_nettype none

module vga_640x480 (
    input  wire       clk,      // pixel clock
    input  wire       reset,    // synchronous, active high
    output reg  [9:0] x,        // column 0..799; visible while below 640
    output reg  [9:0] y,        // line 0..524; visible while below 480
    output reg        active,   // inside the 640 x 480 visible area
    output reg        hsync_n,
    output reg        vsync_n
);
    localparam H_VISIBLE = 640, H_FRONT = 16, H_SYNC = 96, H_BACK = 48;
    localparam V_VISIBLE = 480, V_FRONT = 10, V_SYNC = 2, V_BACK = 33;
    localparam H_TOTAL = H_VISIBLE + H_FRONT + H_SYNC + H_BACK;  // 800
    localparam V_TOTAL = V_VISIBLE + V_FRONT + V_SYNC + V_BACK;  // 525

    reg [9:0] h_count = 10'd0;
    reg [9:0] v_count = 10'd0;

    always @(posedge clk) begin
        if (reset) begin
            h_count <= 10'd0;
            v_count <= 10'd0;
        end else if (h_count == H_TOTAL - 1) begin
            h_count <= 10'd0;
            v_count <= v_count == V_TOTAL - 1 ? 10'd0 : v_count + 10'd1;
        end else begin
            h_count <= h_count + 10'd1;
        end
    end

    always @(posedge clk) begin
        x       <= h_count;
        y       <= v_count;
        active  <= h_count < H_VISIBLE && v_count < V_VISIBLE;
        hsync_n <= !(h_count >= H_VISIBLE + H_FRONT && h_count < H_VISIBLE + H_FRONT + H_SYNC);
        vsync_n <= !(v_count >= V_VISIBLE + V_FRONT && v_count < V_VISIBLE + V_FRONT + V_SYNC);
    end
endmodule

`default_nettype wire
