/* An SPI panel of the ILI9341 / ST7789 kind takes RGB565 high byte first,
 * as one stream once its window is set: rows top first, read here in
 * pieces of 64 pixels, so a picture of any width needs 128 bytes of RAM. */
#include "examples.h"

int panel_show(const photo_file_t *photo)
{
    uint8_t buf[64 * 2];
    uint32_t x, y;
    for (y = 0; y < photo->height; y++)
        for (x = 0; x < photo->width; x += 64) {
            const uint32_t n = photo->width - x < 64 ? photo->width - x : 64;
            const int rc = photo_read_span(photo, x, y, n, PHOTO_RGB565_BE, buf);
            if (rc != 0)
                return rc;
            panel_write(buf, n * 2);
        }
    return 0;
}
