// Shows a picture from block RAM centred on a black 640 x 480 screen.
//
// The picture is WIDTH x HEIGHT pixels of VALUE_BITS bits (6: RRGGBB, 16:
// RRRRRGGGGGGBBBBB), in the order photo2mem writes them: address
// y * WIDTH + x, top row first. Pixels are read in scan order, so the
// address is a counter: it steps with every pixel inside the picture and
// starts again in the vertical blank; no multiplier is needed.
//
// Pipeline, one clock a stage: timing; address; RAM read; output register.
// The syncs and the enable go through the same stages, so every output is
// registered and all of them belong to the same pixel.
`default_nettype none

module photo_vga #(
    parameter WIDTH      = 160,
    parameter HEIGHT     = 120,
    parameter VALUE_BITS = 6,
    parameter INIT_FILE  = "picture.mem"
) (
    input  wire                  clk,      // 25.175 MHz pixel clock
    input  wire                  reset,    // synchronous, active high
    output reg  [VALUE_BITS-1:0] value,    // 0 (black) outside the picture
    output reg                   de,       // inside the visible 640 x 480
    output reg                   hsync_n,
    output reg                   vsync_n
);
    localparam DEPTH     = WIDTH * HEIGHT;
    localparam ADDR_BITS = DEPTH > 1 ? $clog2(DEPTH) : 1;
    // Where the picture sits; it must be at most 640 x 480.
    localparam integer X_BEGIN = (640 - WIDTH) / 2;
    localparam integer Y_BEGIN = (480 - HEIGHT) / 2;
    localparam integer W       = WIDTH;
    localparam integer H       = HEIGHT;

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

    // Stage 1: the address of this pixel.
    reg [ADDR_BITS-1:0] next_addr = {ADDR_BITS{1'b0}};
    reg [ADDR_BITS-1:0] addr1 = {ADDR_BITS{1'b0}};
    reg inside1 = 1'b0, de1 = 1'b0, hsync1_n = 1'b1, vsync1_n = 1'b1;
    always @(posedge clk) begin
        if (reset || y >= 10'd480)
            next_addr <= {ADDR_BITS{1'b0}};
        else if (inside0)
            next_addr <= next_addr + 1'b1;
        addr1    <= inside0 ? next_addr : {ADDR_BITS{1'b0}};
        inside1  <= inside0;
        de1      <= active;
        hsync1_n <= hsync0_n;
        vsync1_n <= vsync0_n;
    end

    // Stage 2: the RAM's registered read.
    wire [VALUE_BITS-1:0] pixel2;
    photo_rom #(
        .WIDTH(VALUE_BITS), .DEPTH(DEPTH), .ADDR_BITS(ADDR_BITS), .INIT_FILE(INIT_FILE)
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
