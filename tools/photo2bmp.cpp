// photo2bmp: shows what the display would show for a photo file, as a 24-bit
// BMP. The encoding is told from the file size: 4 + w x h bytes is 6-bit,
// 4 + 2 x w x h is 16-bit.
//
//   usage: photo2bmp <photo file> <BMP file>
//
// Exit status: 0 written, 2 bad arguments or input, 3 writing failed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <sys/stat.h>

#include "bmp_output.h"
#include "photo_decode.h"
#include "photo_headers.h"
#include "cli_support.h"
#include "stream_read.h"

namespace {

constexpr uint32_t max_side = 4096;

struct photo_t {
    uint32_t width;
    uint32_t height;
    unsigned value_bytes;  // 1 (6-bit) or 2 (16-bit)
    uint8_t *values;       // width x height values, low byte first
};

// Reads and checks the whole photo file. Returns 1, or 0 after one message.
int photo_read(const char *name, FILE *in, photo_t *photo)
{
    struct stat st {};
    if (fstat(fileno(in), &st) != 0) {
        perror("read photo file");
        return 0;
    }
    // The encoding is told from the size, so only a regular file has one.
    if (!S_ISREG(st.st_mode)) {
        fprintf(stderr, "%s is not a photo file: it is not a regular file.\n", name);
        return 0;
    }
    uint8_t header[photo_header_bytes];
    if (st.st_size < 4 || fread(header, sizeof header, 1, in) != 1) {
        fprintf(stderr, "%s is not a photo file: it is shorter than its 4-byte header.\n", name);
        return 0;
    }
    photo->width = static_cast<uint32_t>(header[0] | header[1] << 8);
    photo->height = static_cast<uint32_t>(header[2] | header[3] << 8);
    if (photo->width == 0 || photo->height == 0 || photo->width > max_side || photo->height > max_side) {
        fprintf(stderr, "%s is not a photo file: it is %u x %u pixels.\n", name, photo->width, photo->height);
        return 0;
    }

    const auto pixels = static_cast<long long>(photo->width) * photo->height;
    const long long values_size = st.st_size - 4;
    if (values_size != pixels && values_size != 2 * pixels) {
        fprintf(stderr, "%s is not a photo file: %lld bytes of values fit neither 6-bit nor 16-bit colour at %u x %u.\n",
                name, values_size, photo->width, photo->height);
        return 0;
    }
    photo->value_bytes = values_size == pixels ? 1 : 2;

    photo->values = static_cast<uint8_t *>(malloc(static_cast<size_t>(values_size)));
    if (photo->values == nullptr || !stream_read_whole(photo->values, static_cast<size_t>(values_size), in)) {
        perror("allocate and read photo file");
        free(photo->values);
        return 0;
    }

    if (photo->value_bytes == 1)
        for (long long i = 0; i < values_size; i++)
            if (!vga6_value_valid(photo->values[i])) {
                fprintf(stderr, "%s is not a photo file: byte %lld holds %u, which no 6-bit colour is.\n",
                        name, i + 4, photo->values[i]);
                free(photo->values);
                return 0;
            }
    return 1;
}

// Writes the BMP a row at a time. Returns 1, or 0 after one message.
int bmp_write(FILE *out, const photo_t *photo)
{
    if (!bmp_output_header(out, photo->width, photo->height))
        return 0;
    uint8_t row[max_side * 3];
    const uint8_t *v = photo->values;
    for (uint32_t y = 0; y < photo->height; y++) {
        for (uint32_t x = 0; x < photo->width; x++, v += photo->value_bytes) {
            const rgb8_t c = photo->value_bytes == 1 ? vga6_to_rgb(v[0])
                                                     : vga16_to_rgb(static_cast<uint16_t>(v[0] | v[1] << 8));
            row[3 * x] = c.blue;
            row[3 * x + 1] = c.green;
            row[3 * x + 2] = c.red;
        }
        if (!bmp_output_row(out, row, photo->width))
            return 0;
    }
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s <photo file> <BMP file>\n", program_name(argc, argv, "photo2bmp"));
        return 2;
    }
    const char *in_name = argv[1];
    const char *out_name = argv[2];

    FILE *in = fopen(in_name, "rb");
    if (in == nullptr) {
        perror("open photo file");
        return 2;
    }
    if (same_file(in, out_name)) {
        fprintf(stderr, "%s and %s are the same file.\n", in_name, out_name);
        fclose(in);
        return 2;
    }

    photo_t photo{};
    const int read_ok = photo_read(in_name, in, &photo);
    fclose(in);
    if (!read_ok)
        return 2;

    // Opened only once the photo file is known good: a refused input leaves
    // an existing BMP alone.
    FILE *out = fopen(out_name, "wb");
    if (out == nullptr) {
        perror("open BMP file");
        free(photo.values);
        return 2;
    }

    int written = bmp_write(out, &photo);
    if (fclose(out) != 0) {
        perror("close BMP file");
        written = 0;
    }
    free(photo.values);
    return written ? 0 : 3;
}
