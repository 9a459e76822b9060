// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Fuzz target: arbitrary bytes as the input file, through the header check,
// the pixel loading and the writer, on in-memory streams. Checks the
// contract, not just the absence of crashes:
//   accepted: 1 from every stage, no message, exactly 4 + w x h x N bytes
//             out, header and every value as the one-pixel encoding gives;
//   refused:  exactly one message line and no pixel bytes out.
// Built once per colour format.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>
#include <unistd.h>

#include "bmp_input.h"
#include "photo_output.h"
#include "vga_color.h"

namespace {

[[noreturn]] void violated(const char *what)
{
    fprintf(stderr, "contract violated: %s\n", what);
    abort();
}

// Standard error redirected into a memory file for the length of one input.
struct stderr_capture {
    int saved = -1;
    int mem = -1;

    stderr_capture()
    {
        fflush(stderr);
        mem = memfd_create("fuzz-stderr", 0);
        saved = dup(2);
        if (mem < 0 || saved < 0 || dup2(mem, 2) < 0)
            violated("cannot capture stderr");
    }

    // Restores stderr and returns the number of lines printed.
    size_t finish()
    {
        fflush(stderr);
        dup2(saved, 2);
        close(saved);
        char buf[4096];
        size_t lines = 0;
        ssize_t n;
        lseek(mem, 0, SEEK_SET);
        while ((n = read(mem, buf, sizeof buf)) > 0)
            for (ssize_t i = 0; i < n; i++)
                lines += buf[i] == '\n';
        close(mem);
        return lines;
    }
};

void check_output(const bmp_header_t &h, const uint8_t *img, const char *out, size_t out_len)
{
    const size_t pixels = size_t{h.img_width} * h.img_height;
    if (out_len != 4 + pixels * vga_color_bytes)
        violated("photo file length");
    const auto *o = reinterpret_cast<const uint8_t *>(out);
    if ((o[0] | o[1] << 8) != int(h.img_width) || (o[2] | o[3] << 8) != int(h.img_height))
        violated("photo header");
    const auto row_width = static_cast<size_t>(bmp_row_width(&h));
    const uint8_t *value = o + 4;
    for (uint32_t y = 0; y < h.img_height; y++)
        for (uint32_t x = 0; x < h.img_width; x++, value += vga_color_bytes) {
            const uint8_t *p = img + row_width * y + 3 * size_t{x};
            const vga_color_t c = vga_color(p[0], p[1], p[2]);
            for (unsigned i = 0; i < vga_color_bytes; i++)
                if (value[i] != uint8_t(c >> (8 * i)))
                    violated("pixel value");
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // fmemopen wants at least one byte; an empty file is a zero-byte temp file.
    FILE *in = size > 0 ? fmemopen(const_cast<uint8_t *>(data), size, "rb") : tmpfile();
    char *out_buf = nullptr;
    size_t out_len = 0;
    FILE *out = open_memstream(&out_buf, &out_len);
    if (in == nullptr || out == nullptr)
        violated("cannot open streams");

    stderr_capture capture;
    bmp_header_t h{};
    uint8_t *img = nullptr;
    int written = 0;
    const int accepted = bmp_header_check("fuzz.bmp", in, &h);
    if (accepted) {
        if (ftell(in) != 38)
            violated("stream not left after the header");
        img = read_bmp_image_data(in, &h);
        if (img != nullptr)
            written = write_output_file(out, &h, img);
    }
    const size_t lines = capture.finish();
    fclose(in);
    fclose(out);

    if (img != nullptr) {
        if (!written || lines != 0)
            violated("accepted input must convert silently");
        if (h.img_width > bmp_max_side || h.img_height > bmp_max_side || h.planes != 1 ||
            h.bits_per_pixel != 24 || h.compression_type != 0 ||
            h.img_size != h.img_height * uint32_t(bmp_row_width(&h)))
            violated("accepted a header that breaks the rules");
        check_output(h, img, out_buf, out_len);
    } else {
        if (lines != 1)
            violated("a refusal prints exactly one message");
        if (out_len != 0)
            violated("a refusal writes nothing");
    }
    free(img);
    free(out_buf);
    return 0;
}
