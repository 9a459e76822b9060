// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Shows a picture from block RAM centred on a black 640 x 480 screen, each
// of its pixels as SCALE x SCALE screen pixels (SCALE 1, 2, 4 or 8: a
// 160 x 120 picture at SCALE 4 fills the screen).
//
// The picture is WIDTH x HEIGHT pixels of VALUE_BITS bits (6: RRGGBB, 12:
// RRRRGGGGBBBB, 16: RRRRRGGGGGGBBBBB), in the order photo2mem writes them:
// address y * WIDTH + x, top row first. The memory may hold PICTURES such
// pictures one after another (photo2mem given several photo files of one
// size: the frames of an animation, sprites); `picture` picks the one
// shown, taken at the start of each vertical blank, so a frame never
// shows two (a number past the last shows the first). Pixels are read in
// scan order, so the address is a counter: it steps every SCALE screen
// pixels inside the picture, goes back to the start of the picture's row
// at the end of each of a row's first SCALE - 1 screen lines, and starts
// again at the picture's first address in the vertical blank. The one
// multiplication, of the picture's number by its size, is made there.
//
// Pipeline, one clock a stage: timing; address; RAM read; output register.
// The syncs and the enable go through the same stages, so every output is
// registered and all of them belong to the same pixel.
`default_nettype none

module photo_vga #(
    parameter WIDTH      = 160,
    parameter HEIGHT     = 120,
    parameter VALUE_BITS = 6,
    parameter SCALE      = 1,
    parameter INIT_FILE  = "picture.mem",
    parameter PICTURES   = 1,
    parameter PICTURE_BITS = PICTURES > 1 ? $clog2(PICTURES) : 1
) (
    input  wire                  clk,      // 25.175 MHz pixel clock
    input  wire                  reset,    // synchronous, active high
    input  wire [PICTURE_BITS-1:0] picture, // which picture, from 0
    output reg  [VALUE_BITS-1:0] value,    // 0 (black) outside the picture
    output reg                   de,       // inside the visible 640 x 480
    output reg                   hsync_n,
    output reg                   vsync_n
);
    localparam DEPTH     = WIDTH * HEIGHT;
    localparam TOTAL     = DEPTH * PICTURES;
    localparam ADDR_BITS = TOTAL > 1 ? $clog2(TOTAL) : 1;
    // Where the picture sits on the screen; it must fit in 640 x 480.
    localparam integer W       = WIDTH * SCALE;
    localparam integer H       = HEIGHT * SCALE;
    localparam integer X_BEGIN = (640 - W) / 2;
    localparam integer Y_BEGIN = (480 - H) / 2;
    localparam integer S_BITS  = SCALE > 1 ? $clog2(SCALE) : 1;
    localparam integer LAST_REPEAT = SCALE - 1;
    localparam [S_BITS-1:0] S_LAST = LAST_REPEAT[S_BITS-1:0];

    // Stage 0: the timing generator's registered outputs.
    wire [9:0] x, y;
    wire       active, hsync0_n, vsync0_n;
    vga_640x480 timing (
        .clk(clk), .reset(reset), .x(x), .y(y), .active(active),
        .hsync_n(hsync0_n), .vsync_n(vsync0_n)
    );

    // Column and line within the picture, in 11 bits: left of it or above
    // it they wrap round to 1728 or more, beyond any picture.
    wire [10:0] px = {1'b0, x} - X_BEGIN[10:0];
    wire [10:0] py = {1'b0, y} - Y_BEGIN[10:0];
    wire inside0 = active && px < W[10:0] && py < H[10:0];

    // Stage 1: the address of this pixel. next_addr is the address of the
    // pixel under the beam; row_addr that of the first pixel of its row;
    // x_rep and y_rep count the repeats of a pixel along a line and of a
    // row down the screen.
    reg [ADDR_BITS-1:0] next_addr = {ADDR_BITS{1'b0}};
    reg [ADDR_BITS-1:0] row_addr = {ADDR_BITS{1'b0}};
    reg [S_BITS-1:0] x_rep = {S_BITS{1'b0}}, y_rep = {S_BITS{1'b0}};
    reg [ADDR_BITS-1:0] addr1 = {ADDR_BITS{1'b0}};
    reg inside1 = 1'b0, de1 = 1'b0, hsync1_n = 1'b1, vsync1_n = 1'b1;
    wire last_column = px == W[10:0] - 11'd1;
    // The first address of the picture shown: `picture` is taken on the
    // blank's first line, then the picture's size added to `base` once a
    // clock until that many pictures are passed (43 lines of 800 clocks
    // are left for it), so no multiplier is needed here either.
    localparam integer PICTURES_I = PICTURES;
    localparam [PICTURE_BITS:0] PICTURES_N = PICTURES_I[PICTURE_BITS:0];
    localparam [ADDR_BITS-1:0] PICTURE_WORDS = DEPTH[ADDR_BITS-1:0];
    reg [ADDR_BITS-1:0] base = {ADDR_BITS{1'b0}};
    reg [PICTURE_BITS-1:0] wanted = {PICTURE_BITS{1'b0}}, passed = {PICTURE_BITS{1'b0}};
    always @(posedge clk) begin
        if (reset || y == 10'd480) begin
            base   <= {ADDR_BITS{1'b0}};
            passed <= {PICTURE_BITS{1'b0}};
            wanted <= {1'b0, picture} < PICTURES_N ? picture : {PICTURE_BITS{1'b0}};
        end else if (y > 10'd480 && passed != wanted) begin
            base   <= base + PICTURE_WORDS;
            passed <= passed + 1'b1;
        end
    end
    always @(posedge clk) begin
        if (reset || y >= 10'd480) begin
            next_addr <= base;
            row_addr  <= base;
            x_rep     <= {S_BITS{1'b0}};
            y_rep     <= {S_BITS{1'b0}};
        end else if (inside0 && last_column) begin
            // The end of a screen line of the picture: the row again, or
            // the next row.
            x_rep <= {S_BITS{1'b0}};
            if (y_rep == S_LAST) begin
                y_rep     <= {S_BITS{1'b0}};
                next_addr <= next_addr + 1'b1;
                row_addr  <= next_addr + 1'b1;
            end else begin
                y_rep     <= y_rep + 1'b1;
                next_addr <= row_addr;
            end
        end else if (inside0) begin
            if (x_rep == S_LAST) begin
                x_rep     <= {S_BITS{1'b0}};
                next_addr <= next_addr + 1'b1;
            end else begin
                x_rep <= x_rep + 1'b1;
            end
        end
        addr1    <= inside0 ? next_addr : {ADDR_BITS{1'b0}};
        inside1  <= inside0;
        de1      <= active;
        hsync1_n <= hsync0_n;
        vsync1_n <= vsync0_n;
    end

    // Stage 2: the RAM's registered read.
    wire [VALUE_BITS-1:0] pixel2;
    photo_rom #(
        .WIDTH(VALUE_BITS), .DEPTH(TOTAL), .ADDR_BITS(ADDR_BITS), .INIT_FILE(INIT_FILE)
    ) rom (
        .clk(clk), .addr(addr1), .data(pixel2)
    );
    reg inside2 = 1'b0, de2 = 1'b0, hsync2_n = 1'b1, vsync2_n = 1'b1;
    always @(posedge clk) begin
        inside2  <= inside1;
        de2      <= de1;
        hsync2_n <= hsync1_n;
        vsync2_n <= vsync1_n;
    end

    // Stage 3: the outputs, black around the picture and in the blanking.
    always @(posedge clk) begin
        value   <= inside2 ? pixel2 : {VALUE_BITS{1'b0}};
        de      <= de2;
        hsync_n <= hsync2_n;
        vsync_n <= vsync2_n;
    end
endmodule

`default_nettype wire
