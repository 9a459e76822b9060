/* The README's examples of showing a photo file, as functions the tests
 * call. */
#ifndef KESTROW_EXAMPLES_H
#define KESTROW_EXAMPLES_H

#include <stdint.h>

#include <kestrow/photo_file.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Yours: sends n bytes of pixel data to the panel (SPI, with the panel's
 * window set and its memory-write command sent). */
void panel_write(const uint8_t *buf, uint32_t n);

/* Feeds the whole picture to the panel, top row first, RGB565 high byte
 * first. Returns 0 or a reader code. */
int panel_show(const photo_file_t *photo);

/* The picture embedded in flash with xxd -i, fed to the panel. */
int show_flash_picture(void);

/* A framebuffer as mapped: `pixels` is the top left of the visible screen,
 * rows `line_length` bytes apart. */
typedef struct fbview_screen {
    uint8_t *pixels;
    uint32_t width, height;   /* visible pixels */
    uint32_t line_length;     /* bytes from one row to the next */
    uint32_t bits_per_pixel;  /* 16 (RGB565) or 32 (XRGB8888) */
} fbview_screen_t;

/* Clears the screen to black and draws the picture centred on it; a
 * picture larger than the screen shows its middle. Returns 0 or a reader
 * code (PHOTO_ERR_FORMAT for a depth other than 16 or 32). */
int fbview_draw(const photo_file_t *photo, const fbview_screen_t *screen);

#ifdef __cplusplus
}
#endif

#endif
