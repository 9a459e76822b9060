#include "photo_output.h"

#include "bmp_input.h"
#include "vga_color.h"

void photo_header_encode(const photo_header_t *ph, uint8_t bytes[photo_header_bytes])
{
    bytes[0] = static_cast<uint8_t>(ph->width);
    bytes[1] = static_cast<uint8_t>(ph->width >> 8);
    bytes[2] = static_cast<uint8_t>(ph->height);
    bytes[3] = static_cast<uint8_t>(ph->height >> 8);
}

namespace {

int write_photo_header(FILE *out, const bmp_header_t *h)
{
    // Both sides are at most 4096, so the low 16 bits lose nothing.
    const photo_header_t photo_header = {static_cast<uint16_t>(h->img_width),
                                         static_cast<uint16_t>(h->img_height)};
    uint8_t bytes[photo_header_bytes];
    photo_header_encode(&photo_header, bytes);
    if (fwrite(bytes, sizeof bytes, 1, out) != 1) {
        perror("write header to output file");
        return 0;
    }
    return 1;
}

} // namespace

int write_output_file(FILE *out, const bmp_header_t *h, const uint8_t *img)
{
    if (!write_photo_header(out, h))
        return 0;

    const auto row_width = static_cast<uint32_t>(bmp_row_width(h));
    for (uint16_t y = 0; y < h->img_height; y++) {
        for (uint16_t x = 0; x < h->img_width; x++) {
            const uint8_t *p = img + row_width * y + 3u * x;
            const vga_color_t c = vga_color(p[0], p[1], p[2]);
            uint8_t bytes[vga_color_bytes];
            for (unsigned i = 0; i < vga_color_bytes; i++)
                bytes[i] = static_cast<uint8_t>(c >> (8 * i));
            if (fwrite(bytes, sizeof bytes, 1, out) != 1) {
                perror("write data to output file");
                return 0;
            }
        }
    }
    return 1;
}
