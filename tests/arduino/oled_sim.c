/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* A test harness: an Arduino Uno (ATmega328P at 16 MHz, simavr) running a
 * sketch's ELF, with a monochrome OLED of the SSD1306 / SH1106 kind on its
 * I2C bus (simavr's TWI; the sketch uses the Arduino Wire library).
 *
 * The model is written from the SSD1306's datasheet (rev 1.1) and models
 * what a picture goes through:
 *  - it answers (ACK) its address, 0x3C, and nothing else;
 *  - the first byte of a transmission is a control byte: 0x00, the rest are
 *    commands; 0x40, the rest are display data; with Co (0x80) set, one
 *    command or data byte and then another control byte;
 *  - commands are taken with their parameters, as many as the datasheet's
 *    command table gives each; page addressing (0x20 with 0x02) is the
 *    only memory addressing mode modelled, and data in another is refused;
 *    0xB0-0xB7 set the page, 0x00-0x0F and 0x10-0x1F the column's nibbles;
 *  - each data byte is the column's eight rows of the page, top row in bit
 *    0, written to display memory of 8 pages of 132 columns (the SH1106's;
 *    the SSD1306 shows 128); the column then counts up;
 *  - a command the table does not know fails the run.
 * Then the memory is compared with the photo file the sketch holds: every
 * pixel lit where the file's value is white (0x3F), dark where black
 * (0x00), at column_offset.
 *
 *   usage: oled_sim <sketch.elf> <picture.photo> <column offset>
 * Exit status: 0 the OLED shows the picture, 1 it does not, 2 bad use. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <avr_twi.h>
#include <sim_avr.h>
#include <sim_elf.h>

#define OLED_ADDRESS 0x3C

typedef struct {
    avr_t *avr;
    avr_irq_t *to_avr;
    int selected, first; /* addressed now; the next byte is a control byte */
    int data, single;    /* bytes are data; only the next one, then a control byte */
    uint8_t command;     /* the command whose parameters come */
    unsigned params_left;
    int page_mode;
    unsigned page, column;
    uint8_t memory[8][132];
    uint32_t data_bytes;
    avr_cycle_count_t last_data_at;
    const char *fault;
    unsigned fault_value;
} oled_t;

/* Parameters each command takes (SSD1306 datasheet, section 9). */
static unsigned parameters(uint8_t c)
{
    switch (c) {
    case 0x81: case 0x8D: case 0xA8: case 0xD3: case 0xD5: case 0xD9: case 0xDA: case 0xDB: case 0x20:
        return 1;
    case 0x21: case 0x22:
        return 2;
    default:
        return 0;
    }
}

static int known(uint8_t c)
{
    return c <= 0x1F || (c >= 0x40 && c <= 0x7F) || (c >= 0xB0 && c <= 0xB7) || parameters(c) != 0 ||
           c == 0xA0 || c == 0xA1 || c == 0xA4 || c == 0xA5 || c == 0xA6 || c == 0xA7 || c == 0xAE || c == 0xAF ||
           c == 0xC0 || c == 0xC8;
}

static void fault(oled_t *o, const char *what, unsigned value)
{
    if (o->fault == NULL)
        o->fault = what, o->fault_value = value;
}

static void oled_command(oled_t *o, uint8_t c)
{
    if (o->params_left > 0) {
        o->params_left--;
        if (o->command == 0x20)
            o->page_mode = (c & 3u) == 2;
        return;
    }
    if (!known(c)) {
        fault(o, "a command the model does not know", c);
        return;
    }
    o->command = c;
    o->params_left = parameters(c);
    if (c >= 0xB0 && c <= 0xB7)
        o->page = c & 7u;
    else if (c <= 0x0F)
        o->column = (o->column & 0xF0u) | c;
    else if (c <= 0x1F)
        o->column = (o->column & 0x0Fu) | (unsigned)(c & 0x0F) << 4;
}

static void oled_data(oled_t *o, uint8_t b)
{
    if (!o->page_mode) {
        fault(o, "display data outside page addressing", b);
        return;
    }
    if (o->column >= 132) {
        fault(o, "display data past the last column", b);
        return;
    }
    o->memory[o->page][o->column++] = b;
    o->data_bytes++;
    o->last_data_at = o->avr->cycle;
}

static void oled_byte(oled_t *o, uint8_t b)
{
    if (o->first) {
        o->first = 0;
        o->data = (b & 0x40) != 0;
        o->single = (b & 0x80) != 0;
        if ((b & 0x3F) != 0)
            fault(o, "a control byte with its low bits set", b);
        return;
    }
    if (o->data)
        oled_data(o, b);
    else
        oled_command(o, b);
    if (o->single)
        o->first = 1;
}

static void on_twi(struct avr_irq_t *irq, uint32_t value, void *param)
{
    oled_t *o = param;
    avr_twi_msg_irq_t m;
    (void)irq;
    m.u.v = value;
    if (m.u.twi.msg & TWI_COND_STOP)
        o->selected = 0;
    if (m.u.twi.msg & TWI_COND_START) {
        o->selected = (m.u.twi.addr >> 1) == OLED_ADDRESS && (m.u.twi.addr & 1) == 0;
        o->first = 1;
        if (o->selected)
            avr_raise_irq(o->to_avr, avr_twi_irq_msg(TWI_COND_ACK, m.u.twi.addr, 1));
    }
    if (o->selected && (m.u.twi.msg & TWI_COND_WRITE)) {
        avr_raise_irq(o->to_avr, avr_twi_irq_msg(TWI_COND_ACK, m.u.twi.addr, 1));
        oled_byte(o, m.u.twi.data);
    }
}

static uint8_t *read_all(const char *name, long *size)
{
    FILE *f = fopen(name, "rb");
    uint8_t *b = NULL;
    if (f != NULL && fseek(f, 0, SEEK_END) == 0 && (*size = ftell(f)) > 4 && fseek(f, 0, SEEK_SET) == 0 &&
        (b = malloc((size_t)*size)) != NULL && fread(b, 1, (size_t)*size, f) != (size_t)*size) {
        free(b);
        b = NULL;
    }
    if (f != NULL)
        fclose(f);
    return b;
}

int main(int argc, char **argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: %s <sketch.elf> <picture.photo> <column offset>\n", argv[0]);
        return 2;
    }
    long size = 0;
    uint8_t *photo = read_all(argv[2], &size);
    if (photo == NULL) {
        perror(argv[2]);
        return 2;
    }
    const uint32_t w = photo[0] | (uint32_t)photo[1] << 8, h = photo[2] | (uint32_t)photo[3] << 8;
    const unsigned offset = (unsigned)atoi(argv[3]);
    if ((long)(4 + w * h) != size || w + offset > 132 || h > 64) {
        fprintf(stderr, "%s: not a 6-bit picture that fits the OLED\n", argv[2]);
        return 2;
    }
    static oled_t o;
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
    o.avr = avr;
    o.to_avr = avr_io_getirq(avr, AVR_IOCTL_TWI_GETIRQ(0), TWI_IRQ_INPUT);
    avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_TWI_GETIRQ(0), TWI_IRQ_OUTPUT), on_twi, &o);

    const uint32_t pages = (h + 7) / 8, want_bytes = pages * w;
    const avr_cycle_count_t limit = 16000000ull * 20;
    for (;;) {
        const int state = avr_run(avr);
        if (state == cpu_Done || state == cpu_Crashed) {
            fprintf(stderr, "oled_sim: the sketch stopped (state %d)\n", state);
            break;
        }
        if (o.fault != NULL || (o.data_bytes >= want_bytes && avr->cycle > o.last_data_at + 1000000))
            break;
        if (avr->cycle > limit) {
            fprintf(stderr, "oled_sim: %u of %u bytes of display data after 20 s\n", (unsigned)o.data_bytes,
                    (unsigned)want_bytes);
            return 1;
        }
    }
    if (o.fault != NULL) {
        fprintf(stderr, "oled_sim: %s (0x%02X)\n", o.fault, o.fault_value);
        return 1;
    }
    unsigned wrong = 0;
    for (uint32_t y = 0; y < h; y++)
        for (uint32_t x = 0; x < w; x++) {
            const uint8_t v = photo[4 + (size_t)(h - 1 - y) * w + x]; /* the top row is stored last */
            const unsigned lit = (unsigned)o.memory[y / 8][x + offset] >> (y % 8) & 1u;
            if ((v != 0x3F && v != 0x00) || lit != (v == 0x3F)) {
                if (wrong++ < 5)
                    fprintf(stderr, "oled_sim: (%u, %u) is %s; the picture's value there is 0x%02X\n", x, y,
                            lit ? "lit" : "dark", v);
            }
        }
    printf("%u x %u picture on the OLED at column %u: %u bytes of display data\n", w, h, offset,
           (unsigned)o.data_bytes);
    if (wrong != 0) {
        fprintf(stderr, "oled_sim: %u pixels differ from the picture\n", wrong);
        return 1;
    }
    return 0;
}
