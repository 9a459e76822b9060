// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The writer against a stream that refuses from its N-th byte on: the exact
// message, return value 0, and not one write attempted after the refusal.
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bmp_builder.h"
#include "bmp_input.h"
#include "photo_output.h"
#include "stream_support.h"
#include "vga_color.h"

namespace {

using bytes = std::vector<uint8_t>;

// An unbuffered stream that takes `limit` bytes in all, then refuses with
// ENOSPC (a write that crosses the limit is taken in part).
struct refusing_sink {
    size_t limit;
    bytes data;
    bool failed = false;
    int calls_after_failure = 0;
};

ssize_t refusing_write(void *cookie, const char *buf, size_t size)
{
    auto *s = static_cast<refusing_sink *>(cookie);
    if (s->failed)
        s->calls_after_failure++;
    const size_t n = std::min(size, s->limit - s->data.size());
    s->data.insert(s->data.end(), buf, buf + n);
    if (n < size) {
        s->failed = true;
        errno = ENOSPC;
    }
    // A refusal is a short count (0 at the limit), as a full device gives
    // it. Not -1: glibc's unbuffered fwrite reports a -1 from a cookie
    // writer as complete success.
    return static_cast<ssize_t>(n);
}

FILE *open_refusing(refusing_sink *s)
{
    FILE *f = fopencookie(s, "w", cookie_io_functions_t{nullptr, refusing_write, nullptr, nullptr});
    if (f != nullptr)
        setvbuf(f, nullptr, _IONBF, 0);
    return f;
}

struct picture {
    bmp_header_t h{};
    bytes pixels;     // the stored pixel array, fill included
    bytes expected;   // the whole photo file
};

picture make_picture(uint32_t w, uint32_t h)
{
    const auto px = random_pixels(size_t{w} * h, w + h);
    const bytes file = make_bmp(bmp_size(w, h), px);
    picture p;
    FILE *in = stream_with(file);
    EXPECT_EQ(bmp_header_check("in.bmp", in, &p.h), 1);
    fclose(in);
    p.pixels.assign(file.begin() + 54, file.end());
    p.expected = {uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8)};
    for (const rgb &c : px) {
        const bytes e = encoded_pixel(c, vga_color_bytes);
        p.expected.insert(p.expected.end(), e.begin(), e.end());
    }
    return p;
}

TEST(WriterFaults, StopsAtTheFirstRefusalWithItsMessage)
{
    const std::string header_msg = "write header to output file: " + std::string(strerror(ENOSPC)) + "\n";
    const std::string data_msg = "write data to output file: " + std::string(strerror(ENOSPC)) + "\n";
    // A small picture, and one that spans several 64 KiB chunks.
    for (const auto &[w, h] : {std::pair{37u, 5u}, std::pair{4096u, 40u}}) {
        const picture p = make_picture(w, h);
        const size_t total = p.expected.size();
        const size_t limits[] = {0, 1, 3, 4, 5, 6, total / 2, 4 + photo_chunk_bytes, 5 + photo_chunk_bytes,
                                 total - 1, total};
        for (size_t limit : limits) {
            if (limit > total)
                continue;
            SCOPED_TRACE(testing::Message() << w << " x " << h << ", refusing from byte " << limit);
            refusing_sink sink{limit, {}};
            FILE *out = open_refusing(&sink);
            ASSERT_NE(out, nullptr);
            int ok = -1;
            const std::string err = stderr_of([&] { ok = write_output_file(out, &p.h, p.pixels.data()); });
            const bool complete = limit == total;
            EXPECT_EQ(ok, complete ? 1 : 0);
            EXPECT_EQ(err, complete ? "" : limit < 4 ? header_msg : data_msg);
            EXPECT_EQ(sink.data, bytes(p.expected.begin(), p.expected.begin() + long(limit)));
            EXPECT_EQ(sink.calls_after_failure, 0);
            fclose(out);
        }
    }
}

} // namespace
