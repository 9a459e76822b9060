/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* A test harness: an Arduino Uno (ATmega328P at 16 MHz, simavr) running a
 * sketch's ELF, with an SPI panel of the ILI9341 / ST7789 kind (or an
 * e-paper of the SSD1680 kind: see ssd1680_byte) on its
 * hardware SPI (MOSI, SCK), chip select on digital 10 (PB2) and
 * data/command on digital 9 (PB1).
 *
 * The panel model is written from the controllers' datasheets and models
 * only what a picture's bytes go through:
 *  - a byte counts only while CS is low; with D/C low it is a command,
 *    with D/C high a parameter or pixel data of the last command;
 *  - CASET (0x2A) and RASET (0x2B) take four parameters each, the window's
 *    first and last column and row, high byte first;
 *  - RAMWR (0x2C) starts at the window's top left; its data, two bytes a
 *    pixel, high byte first, fills the window left to right and top to
 *    bottom and wraps to its top left after its last pixel; CS going high
 *    between bytes pauses the write, which goes on where it stopped;
 *  - COLMOD (0x3A) and MADCTL (0x36) decide how pixel data is read: a
 *    memory write is refused unless COLMOD's parameter is 0x55 (16 bits a
 *    pixel on the 4-line serial interface), and MADCTL's is the one that
 *    maps the controller's memory onto a WIDTH x HEIGHT frame as the model
 *    keeps it, with its glass's colour order: on the ILI9341 (240 x 320
 *    native, BGR glass) MX and MY clear, MV set for a frame wider than
 *    tall, BGR set; on the ST7789 (240 wide native, RGB glass) MX, MY and
 *    BGR clear, MV likewise;
 *  - any other command ends a memory write; its parameters are ignored.
 * The frame memory is kept in that logical orientation; the reset and sleep
 * timing, gamma and the like are not modelled.
 *
 * The ATmega328P's SPI is modelled here from its datasheet rather than
 * taken from simavr 1.6, which completes every byte 100 us (1 600 cycles)
 * after it is written whatever the clock, and keeps only the last of
 * several writes made meanwhile. Here a byte written to SPDR shifts out in
 * 8 SPI clocks (F_CPU / 2 to F_CPU / 128, as SPCR's SPR bits and SPSR's
 * SPI2X set it: 16 CPU cycles at the sketch's F_CPU / 2); SPIF, as a read
 * of SPSR sees it, is set a cycle after the byte is out (the flag's
 * synchronisation); and the panel receives the byte when it is out, with
 * D/C and CS as they are at that moment. The data register
 * has no transmit buffer: a write less than 18 cycles after the one before
 * (the byte's 16 and the two a real chip needs besides) is lost, as on the
 * chip, and fails the run, naming its cycle. So a sketch that writes blind,
 * timed by its instructions instead of by polling SPIF, is held to what a
 * real Uno would do with it.
 *
 * With a sixth argument, simavr-spi, the harness uses simavr's own SPI
 * instead (a byte takes 1 600 cycles; the time it would take on an Uno is
 * its interval less 1 584), as before this model: the test runs polled
 * code both ways, and the two must agree.
 *
 * It ends the run once the sketch has sent the window's last pixel and a
 * million cycles more have passed (or at a limit), then compares the frame
 * memory with EXPECTED, photo2bmp's preview of the picture (a 24-bit BMP),
 * cut to 5:6:5, centred as the sketch centres it; everything else must
 * still hold the model's fill. It prints the cycles from the memory write
 * command to the last pixel.
 *
 * cycles a pixel: from the first pixel byte's write to the end of the
 * last one's shifting, over the picture's pixels.
 *
 *   usage: panel_sim <sketch.elf> <width> <height> <expected.bmp> <ILI9341|ST7789> [simavr-spi] [at=X,Y]
 *          panel_sim <sketch.elf> <width> <height> <picture.photo> SSD1680
 * Exit status: 0 the panel shows the picture, 1 it does not, 2 bad use. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <avr_ioport.h>
#include <avr_spi.h>
#include <sim_avr.h>
#include <sim_cycle_timers.h>
#include <sim_elf.h>

#define FILL 0x5555u /* what the model's memory holds before any write */

typedef struct {
    uint16_t width, height;
    uint16_t *memory;
    int cs_low, data; /* CS low now; D/C high (data) now */
    uint8_t command;
    uint8_t colmod, madctl, madctl_wanted;
    const char *refused; /* why a memory write was refused, or NULL */
    uint8_t params[4];
    unsigned n_params;
    uint16_t x0, x1, y0, y1, x, y;
    int high_byte_pending;
    uint8_t high_byte;
    uint32_t pixels;                   /* written since the last RAMWR */
    avr_cycle_count_t last_byte_at, shortest, uno_cycles;
    uint32_t ramwr_bytes;
    avr_cycle_count_t ramwr_at, last_at; /* cycles of RAMWR, of the last pixel */
    avr_t *avr;
    /* The SPI model. */
    int simavr_spi;                 /* simavr's own SPI timing instead */
    int written;                    /* a byte has been written to SPDR */
    avr_cycle_count_t write_at;     /* the last write's cycle */
    avr_cycle_count_t byte_cycles;  /* how long that byte takes */
    uint8_t in_flight;              /* the byte being shifted out */
    avr_cycle_count_t first_pixel_write, last_pixel_done;
    avr_cycle_count_t collision_at; /* the first lost write's cycle, or 0 */
    avr_cycle_count_t collision_gap;
    /* A three-colour e-paper of the SSD1680 kind instead (see below). */
    int ssd1680;
    uint8_t ram[2][296][22]; /* black/white and colour RAM: 296 rows of 176 sources */
    unsigned x_start, x_end, y_start, y_end, ram_x, ram_y, updates;
    avr_cycle_count_t busy_until;
    const char *fault;
    unsigned fault_value;
} panel_t;

#define SPCR_DATA 0x4C /* data-space addresses of the ATmega328P's SPI registers */
#define SPSR_DATA 0x4D
#define SPDR_DATA 0x4E
#define SPIF_BIT 0x80
#define SPIF_LATE 1u           /* SPIF rises a cycle after the byte's last bit */
#define MIN_WRITE_GAP_EXTRA 2u /* a write must come the byte's cycles and 2 more after the last */

static void panel_byte(panel_t *p, uint8_t b)
{
    if (!p->data) { /* a command */
        p->command = b;
        p->n_params = 0;
        p->high_byte_pending = 0;
        if (b == 0x2C && p->refused == NULL) {
            static char why[96];
            if (p->colmod != 0x55 || p->madctl != p->madctl_wanted) {
                snprintf(why, sizeof why, "memory write with COLMOD %02x and MADCTL %02x, not 55 and %02x",
                         p->colmod, p->madctl, p->madctl_wanted);
                p->refused = why;
            }
        }
        if (b == 0x2C) {
            p->x = p->x0;
            p->y = p->y0;
            p->pixels = 0;
            p->ramwr_bytes = 0;
            p->uno_cycles = 0;
            p->ramwr_at = p->avr->cycle;
        }
        return;
    }
    if ((p->command == 0x3A || p->command == 0x36) && p->n_params++ == 0) {
        *(p->command == 0x3A ? &p->colmod : &p->madctl) = b;
        return;
    }
    if (p->command == 0x2A || p->command == 0x2B) {
        if (p->n_params < 4)
            p->params[p->n_params++] = b;
        if (p->n_params == 4) {
            const uint16_t first = (uint16_t)(p->params[0] << 8 | p->params[1]);
            const uint16_t last = (uint16_t)(p->params[2] << 8 | p->params[3]);
            if (p->command == 0x2A)
                p->x0 = first, p->x1 = last;
            else
                p->y0 = first, p->y1 = last;
        }
        return;
    }
    if (p->command != 0x2C)
        return;
    if (!p->high_byte_pending) {
        p->high_byte = b;
        p->high_byte_pending = 1;
        return;
    }
    p->high_byte_pending = 0;
    if (p->x < p->width && p->y < p->height)
        p->memory[(size_t)p->y * p->width + p->x] = (uint16_t)(p->high_byte << 8 | b);
    p->pixels++;
    p->last_at = p->avr->cycle;
    if (p->x < p->x1) {
        p->x++;
    } else {
        p->x = p->x0;
        p->y = p->y < p->y1 ? (uint16_t)(p->y + 1) : p->y0;
    }
}

/* A three-colour e-paper (black, white and red or yellow) of the SSD1680
 * kind, written from its datasheet (rev 0.14), as far as a picture goes:
 *  - commands (D/C low) and their data: 0x01 driver output (3 bytes), 0x11
 *    data entry mode (only 0x03 is modelled: x, then y, both counting up),
 *    0x44 and 0x45 the RAM window (x in bytes of 8 sources, y in rows),
 *    0x4E and 0x4F the address counter, 0x18, 0x21, 0x22, 0x3C (taken, not
 *    modelled), 0x24 and 0x26 writes to the black/white and the colour RAM,
 *    the counter moving along x and on to the window's next row at its end;
 *  - 0x12 (software reset) and 0x20 (run the update) hold BUSY (the
 *    sketch's digital 7, PD7) high for 2 ms and 20 ms of simulated time; a
 *    command or data while BUSY is a fault, as the controller ignores them;
 *  - any other command is a fault.
 * The RAMs must then hold the photo file's picture at the window's top
 * left: the black/white RAM 0 where black (value 0x00), 1 elsewhere; the
 * colour RAM 1 where the colour is (red 0x30 or yellow 0x40). */
#define BUSY_PIN 7 /* on port D */

static void ssd1680_fault(panel_t *p, const char *what, unsigned value)
{
    if (p->fault == NULL)
        p->fault = what, p->fault_value = value;
}

static void ssd1680_busy(panel_t *p, avr_cycle_count_t cycles)
{
    p->busy_until = p->avr->cycle + cycles;
    avr_raise_irq(avr_io_getirq(p->avr, AVR_IOCTL_IOPORT_GETIRQ('D'), BUSY_PIN), 1);
}

static int ssd1680_parameters(uint8_t c)
{
    switch (c) {
    case 0x11: case 0x18: case 0x22: case 0x3C: case 0x4E: return 1;
    case 0x21: case 0x44: case 0x4F: return 2;
    case 0x01: return 3;
    case 0x45: return 4;
    case 0x12: case 0x20: case 0x24: case 0x26: return 0;
    }
    return -1;
}

static void ssd1680_byte(panel_t *p, uint8_t b)
{
    if (p->avr->cycle < p->busy_until) {
        ssd1680_fault(p, "a byte while BUSY", b);
        return;
    }
    if (!p->data) {
        if (ssd1680_parameters(b) < 0) {
            ssd1680_fault(p, "a command the model does not know", b);
            return;
        }
        p->command = b;
        p->n_params = 0;
        if (b == 0x12)
            ssd1680_busy(p, 16000000 / 500);
        if (b == 0x20) {
            p->updates++;
            ssd1680_busy(p, 16000000 / 50);
        }
        return;
    }
    const unsigned i = p->n_params++;
    switch (p->command) {
    case 0x11:
        if (b != 0x03)
            ssd1680_fault(p, "a data entry mode the model does not know", b);
        break;
    case 0x44: *(i == 0 ? &p->x_start : &p->x_end) = b & 0x3Fu; break;
    case 0x45:
        if (i < 2)
            p->y_start = i == 0 ? (p->y_start & 0x100u) | b : (p->y_start & 0xFFu) | (b & 1u) << 8;
        else
            p->y_end = i == 2 ? (p->y_end & 0x100u) | b : (p->y_end & 0xFFu) | (b & 1u) << 8;
        break;
    case 0x4E: p->ram_x = b & 0x3Fu; break;
    case 0x4F: p->ram_y = i == 0 ? (p->ram_y & 0x100u) | b : (p->ram_y & 0xFFu) | (b & 1u) << 8; break;
    case 0x24:
    case 0x26:
        if (p->ram_x >= 22 || p->ram_y >= 296) {
            ssd1680_fault(p, "a byte outside the RAM", b);
            return;
        }
        p->ram[p->command == 0x26][p->ram_y][p->ram_x] = b;
        if (p->ram_x++ == p->x_end) {
            p->ram_x = p->x_start;
            p->ram_y = p->ram_y == p->y_end ? p->y_start : p->ram_y + 1;
        }
        break;
    default:
        if ((int)i >= ssd1680_parameters(p->command))
            ssd1680_fault(p, "more data than the command takes", b);
    }
}

/* The end of an update: BUSY low again. */
static void ssd1680_tick(panel_t *p)
{
    if (p->busy_until != 0 && p->avr->cycle >= p->busy_until) {
        p->busy_until = 0;
        avr_raise_irq(avr_io_getirq(p->avr, AVR_IOCTL_IOPORT_GETIRQ('D'), BUSY_PIN), 0);
    }
}

/* Whether the RAMs hold the picture of `photo` (a 6-bit file, bwr or bwy). */
static int ssd1680_check(const panel_t *p, const uint8_t *photo, long size)
{
    const uint32_t w = photo[0] | (uint32_t)photo[1] << 8, h = photo[2] | (uint32_t)photo[3] << 8;
    unsigned wrong = 0;
    if ((long)(4 + w * h) != size || w > 176 || h > 296) {
        fprintf(stderr, "panel_sim: the picture is not a 6-bit one that fits the panel\n");
        return 0;
    }
    for (uint32_t y = 0; y < h; y++)
        for (uint32_t x = 0; x < w; x++) {
            const uint8_t v = photo[4 + (size_t)(h - 1 - y) * w + x];
            const unsigned bit = 7 - x % 8, bw = (unsigned)p->ram[0][y][x / 8] >> bit & 1u,
                           colour = (unsigned)p->ram[1][y][x / 8] >> bit & 1u;
            const unsigned want_bw = v != 0x00, want_colour = v == 0x30 || v == 0x40;
            if (bw != want_bw || colour != want_colour) {
                if (wrong++ < 5)
                    fprintf(stderr, "panel_sim: (%u, %u) holds %u/%u (black-white/colour), not %u/%u for 0x%02X\n",
                            x, y, bw, colour, want_bw, want_colour, v);
            }
        }
    if (wrong != 0)
        fprintf(stderr, "panel_sim: %u pixels differ from the picture\n", wrong);
    return wrong == 0;
}

#define SIMAVR_SPI_BYTE 1600u /* cycles simavr 1.6 takes for a byte */
#define UNO_SPI_BYTE 16u      /* cycles a real Uno takes at F_CPU / 2 */

/* simavr's own timing: a pixel byte after the first, the time its interval
 * would take on an Uno (the reader's work between two pieces falls in
 * these too). */
static void simavr_spi_byte(panel_t *p, uint8_t value)
{
    const avr_cycle_count_t now = p->avr->cycle;
    if (p->cs_low && p->data && p->command == 0x2C) {
        if (p->ramwr_bytes++ > 0) {
            const avr_cycle_count_t interval = now - p->last_byte_at;
            if (interval < p->shortest)
                p->shortest = interval;
            p->uno_cycles += interval - (SIMAVR_SPI_BYTE - UNO_SPI_BYTE);
        }
    }
    p->last_byte_at = now;
    if (p->cs_low)
        panel_byte(p, value);
}

/* CPU cycles a byte takes at the clock SPCR and SPSR set: 8 SPI clocks of
 * F_CPU / 4, 16, 64 or 128, halved by SPI2X. */
static avr_cycle_count_t spi_byte_cycles(avr_t *avr)
{
    static const unsigned divider[4] = {4, 16, 64, 128};
    const unsigned d = divider[avr->data[SPCR_DATA] & 3u] >> (avr->data[SPSR_DATA] & 1u);
    return 8u * d;
}

/* The byte is out: the panel takes it, with D/C and CS as they are now. */
static avr_cycle_count_t spi_byte_done(avr_t *avr, avr_cycle_count_t when, void *param)
{
    panel_t *p = param;
    (void)avr;
    (void)when;
    const int pixel = p->cs_low && p->data && p->command == 0x2C;
    if (p->cs_low && p->ssd1680)
        ssd1680_byte(p, p->in_flight);
    else if (p->cs_low)
        panel_byte(p, p->in_flight);
    if (pixel)
        p->last_pixel_done = p->avr->cycle;
    return 0;
}

/* simavr's SPI output: the byte in SPDR when its 1 600 cycles are up. */
static void on_simavr_spi(struct avr_irq_t *irq, uint32_t value, void *param)
{
    (void)irq;
    simavr_spi_byte(param, (uint8_t)value);
}

/* A write to SPDR, as the CPU makes it (simavr's SPI sees it too). */
static void on_spdr_write(avr_t *avr, avr_io_addr_t addr, uint8_t value, void *param)
{
    panel_t *p = param;
    (void)addr;
    const avr_cycle_count_t now = avr->cycle;
    if (p->written && now - p->write_at < p->byte_cycles + MIN_WRITE_GAP_EXTRA) {
        /* The data register is still shifting the last byte out: this
         * write is lost, as on the chip. */
        if (p->collision_at == 0)
            p->collision_at = now, p->collision_gap = now - p->write_at;
        return;
    }
    if (p->cs_low && p->data && p->command == 0x2C && p->ramwr_bytes++ == 0)
        p->first_pixel_write = now;
    p->written = 1;
    p->write_at = now;
    p->byte_cycles = spi_byte_cycles(p->avr);
    p->in_flight = (uint8_t)value;
    avr_cycle_timer_register(p->avr, p->byte_cycles, spi_byte_done, p);
}

/* SPSR as the CPU reads it: SPIF set once the last byte written is out. */
static uint8_t read_spsr(avr_t *avr, avr_io_addr_t addr, void *param)
{
    panel_t *p = param;
    const int done = p->written && avr->cycle >= p->write_at + p->byte_cycles + SPIF_LATE;
    return (uint8_t)((avr->data[addr] & (uint8_t)~SPIF_BIT) | (done ? SPIF_BIT : 0));
}

static void on_dc(struct avr_irq_t *irq, uint32_t value, void *param)
{
    (void)irq;
    ((panel_t *)param)->data = value != 0;
}

static void on_cs(struct avr_irq_t *irq, uint32_t value, void *param)
{
    (void)irq;
    ((panel_t *)param)->cs_low = value == 0;
}

static uint32_t le32(const uint8_t *b) { return b[0] | (uint32_t)b[1] << 8 | (uint32_t)b[2] << 16 | (uint32_t)b[3] << 24; }

/* The preview's pixel (x, y), y = 0 the top row, cut to 5:6:5. */
static uint16_t preview565(const uint8_t *bmp, uint32_t w, uint32_t h, uint32_t x, uint32_t y)
{
    const uint32_t row = (3 * w + 3) / 4 * 4;
    const uint8_t *px = bmp + le32(bmp + 10) + (size_t)(h - 1 - y) * row + 3 * x;
    return (uint16_t)((px[2] >> 3) << 11 | (px[1] >> 2) << 5 | px[0] >> 3);
}

static uint8_t *read_all(const char *name, long *size)
{
    FILE *f = fopen(name, "rb");
    uint8_t *b = NULL;
    if (f != NULL && fseek(f, 0, SEEK_END) == 0 && (*size = ftell(f)) > 54 && fseek(f, 0, SEEK_SET) == 0 &&
        (b = malloc((size_t)*size)) != NULL && fread(b, 1, (size_t)*size, f) != (size_t)*size) {
        free(b);
        b = NULL;
    }
    if (f != NULL)
        fclose(f);
    return b;
}

/* The sketch on the e-paper: the picture must be in both RAMs once the
 * update it started has ended. */
static int ssd1680_main(char **argv)
{
    long size = 0;
    uint8_t *photo = read_all(argv[4], &size);
    if (photo == NULL) {
        perror(argv[4]);
        return 2;
    }
    static panel_t p;
    p.ssd1680 = 1;
    elf_firmware_t firmware;
    memset(&firmware, 0, sizeof firmware);
    if (elf_read_firmware(argv[1], &firmware) != 0) {
        fprintf(stderr, "%s: not an ELF simavr reads\n", argv[1]);
        return 2;
    }
    avr_t *avr = avr_make_mcu_by_name("atmega328p");
    if (avr == NULL || avr_init(avr) != 0)
        return 2;
    avr_load_firmware(avr, &firmware);
    avr->frequency = 16000000;
    p.avr = avr;
    avr_register_io_write(avr, SPDR_DATA, on_spdr_write, &p);
    avr_register_io_read(avr, SPSR_DATA, read_spsr, &p);
    avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_IOPORT_GETIRQ('B'), IOPORT_IRQ_PIN1), on_dc, &p);
    avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_IOPORT_GETIRQ('B'), IOPORT_IRQ_PIN2), on_cs, &p);
    avr_raise_irq(avr_io_getirq(avr, AVR_IOCTL_IOPORT_GETIRQ('D'), BUSY_PIN), 0);
    const avr_cycle_count_t limit = 16000000ull * 20;
    for (;;) {
        const int state = avr_run(avr);
        ssd1680_tick(&p);
        if (state == cpu_Done || state == cpu_Crashed || p.fault != NULL || p.collision_at != 0)
            break;
        if (p.updates > 0 && p.busy_until == 0)
            break;
        if (avr->cycle > limit) {
            fprintf(stderr, "panel_sim: no update of the e-paper after 20 s\n");
            return 1;
        }
    }
    if (p.collision_at != 0) {
        fprintf(stderr, "panel_sim: a byte written to SPDR at cycle %llu, %llu cycles after the one before: lost\n",
                (unsigned long long)p.collision_at, (unsigned long long)p.collision_gap);
        return 1;
    }
    if (p.fault != NULL) {
        fprintf(stderr, "panel_sim: SSD1680: %s (0x%02X)\n", p.fault, p.fault_value);
        return 1;
    }
    if (!ssd1680_check(&p, photo, size))
        return 1;
    printf("SSD1680: the picture in both RAMs after %u update(s), at cycle %llu\n", p.updates,
           (unsigned long long)avr->cycle);
    return 0;
}

int main(int argc, char **argv)
{
    if (argc == 6 && strcmp(argv[5], "SSD1680") == 0)
        return ssd1680_main(argv);
    /* Where the picture must be: in the middle, or at=X,Y. */
    int at_x = -1, at_y = -1;
    if (argc > 6 && sscanf(argv[argc - 1], "at=%d,%d", &at_x, &at_y) == 2)
        argc--;
    if ((argc != 6 && !(argc == 7 && strcmp(argv[6], "simavr-spi") == 0)) ||
        (strcmp(argv[5], "ILI9341") != 0 && strcmp(argv[5], "ST7789") != 0)) {
        fprintf(stderr,
                "usage: %s <sketch.elf> <width> <height> <expected.bmp> <ILI9341|ST7789> [simavr-spi] [at=X,Y]\n"
                "       %s <sketch.elf> <width> <height> <picture.photo> SSD1680\n",
                argv[0], argv[0]);
        return 2;
    }
    long size = 0;
    uint8_t *bmp = read_all(argv[4], &size);
    if (bmp == NULL) {
        perror(argv[4]);
        return 2;
    }
    const uint32_t w = le32(bmp + 18), h = le32(bmp + 22);
    panel_t p;
    memset(&p, 0, sizeof p);
    p.shortest = (avr_cycle_count_t)-1;
    p.simavr_spi = argc == 7;
    p.width = (uint16_t)atoi(argv[2]);
    p.height = (uint16_t)atoi(argv[3]);
    p.memory = malloc((size_t)p.width * p.height * sizeof *p.memory);
    /* MADCTL: MY 0x80, MX 0x40, MV 0x20 (rows and columns exchanged), BGR 0x08. */
    const int ili9341 = strcmp(argv[5], "ILI9341") == 0;
    p.madctl_wanted = (uint8_t)((p.width > p.height ? 0x20 : 0) | (ili9341 ? 0x08 : 0));
    for (size_t i = 0; i < (size_t)p.width * p.height; i++)
        p.memory[i] = FILL;

    elf_firmware_t firmware;
    memset(&firmware, 0, sizeof firmware);
    if (elf_read_firmware(argv[1], &firmware) != 0) {
        fprintf(stderr, "%s: not an ELF simavr reads\n", argv[1]);
        return 2;
    }
    avr_t *avr = avr_make_mcu_by_name("atmega328p");
    if (avr == NULL || avr_init(avr) != 0)
        return 2;
    avr_load_firmware(avr, &firmware);
    avr->frequency = 16000000;
    p.avr = avr;
    if (p.simavr_spi) {
        avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_SPI_GETIRQ(0), SPI_IRQ_OUTPUT), on_simavr_spi, &p);
    } else {
        avr_register_io_write(avr, SPDR_DATA, on_spdr_write, &p);
        avr_register_io_read(avr, SPSR_DATA, read_spsr, &p);
    }
    avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_IOPORT_GETIRQ('B'), IOPORT_IRQ_PIN1), on_dc, &p);
    avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_IOPORT_GETIRQ('B'), IOPORT_IRQ_PIN2), on_cs, &p);
    p.cs_low = 0;

    const uint32_t area = w * h;
    const avr_cycle_count_t limit = 16000000ull * 20; /* 20 simulated seconds */
    for (;;) {
        const int state = avr_run(avr);
        if (state == cpu_Done || state == cpu_Crashed) {
            fprintf(stderr, "panel_sim: the sketch stopped (state %d)\n", state);
            break;
        }
        if (p.pixels >= area && avr->cycle > p.last_at + 1000000)
            break;
        if (p.collision_at != 0)
            break; /* reported below */
        if (avr->cycle > limit) {
            fprintf(stderr, "panel_sim: %u of %u pixels after 20 s\n", (unsigned)p.pixels, (unsigned)area);
            return 1;
        }
    }

    if (p.collision_at != 0) {
        fprintf(stderr, "panel_sim: a byte written to SPDR at cycle %llu, %llu cycles after the one before, "
                        "which was still going out: lost (a write needs %llu)\n",
                (unsigned long long)p.collision_at, (unsigned long long)p.collision_gap,
                (unsigned long long)(p.byte_cycles + MIN_WRITE_GAP_EXTRA));
        return 1;
    }

    const uint32_t x0 = at_x >= 0 ? (uint32_t)at_x : (p.width - w) / 2, y0 = at_y >= 0 ? (uint32_t)at_y : (p.height - h) / 2;
    unsigned wrong = 0;
    for (uint32_t y = 0; y < p.height; y++)
        for (uint32_t x = 0; x < p.width; x++) {
            const int inside = x >= x0 && x < x0 + w && y >= y0 && y < y0 + h;
            const uint16_t want = inside ? preview565(bmp, w, h, x - x0, y - y0) : FILL;
            const uint16_t got = p.memory[(size_t)y * p.width + x];
            if (got != want && wrong++ < 5)
                fprintf(stderr, "panel_sim: (%u, %u) holds %04x, not %04x\n", x, y, got, want);
        }
    unsigned long long cycles;
    if (p.simavr_spi) {
        if (p.shortest < SIMAVR_SPI_BYTE || p.shortest > SIMAVR_SPI_BYTE + 64) {
            fprintf(stderr, "panel_sim: the shortest SPI byte took %llu cycles, not simavr 1.6's %u and a few\n",
                    (unsigned long long)p.shortest, SIMAVR_SPI_BYTE);
            return 1;
        }
        cycles = (unsigned long long)p.uno_cycles + UNO_SPI_BYTE;
    } else {
        cycles = (unsigned long long)(p.last_pixel_done - p.first_pixel_write);
    }
    printf("%u x %u picture at (%u, %u) on a %u x %u panel: %u pixels; on an Uno, %llu cycles from the first "
           "pixel byte to the end of the last, %.2f cycles a pixel (the bus alone: 32)\n",
           w, h, x0, y0, p.width, p.height, (unsigned)p.pixels, cycles, (double)cycles / area);
    if (wrong != 0) {
        fprintf(stderr, "panel_sim: %u pixels differ from the preview\n", wrong);
        return 1;
    }
    if (p.refused != NULL) {
        fprintf(stderr, "panel_sim: %s\n", p.refused);
        return 1;
    }
    return 0;
}
