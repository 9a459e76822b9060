// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The photo file reader, compiled as C and as C++: every format of both
// encodings from both sources, with the file and the buffer at odd
// addresses; rows, batches and spans in display order; every refusal; a
// read function that fails.
#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "photo_file_c.h"

namespace {

using bytes = std::vector<uint8_t>;

const photo_api_t photo_api_cxx = {"C++", photo_open_memory, photo_open_reader, photo_read_rows,
                                   photo_read_span, photo_check_values, photo_error_text};
const photo_api_t *const apis[] = {&photo_api_c, &photo_api_cxx};

const photo_format_t formats[] = {PHOTO_AS_STORED, PHOTO_RGB565_LE, PHOTO_RGB565_BE, PHOTO_RGB332,
                                  PHOTO_RGB888,    PHOTO_XRGB8888,  PHOTO_RGB222};

// What photo2bmp shows for one stored value, then that cut to the format.
bytes expected_pixel(const uint8_t *v, unsigned value_bytes, photo_format_t f)
{
    if (f == PHOTO_AS_STORED)
        return bytes(v, v + value_bytes);
    unsigned r, g, b;
    if (value_bytes == 1) {
        const unsigned c = v[0] == 0x40 ? 0x3C : v[0];
        r = (c >> 4 & 3) * 85, g = (c >> 2 & 3) * 85, b = (c & 3) * 85;
    } else {
        const unsigned x = v[0] | unsigned{v[1]} << 8;
        const unsigned r5 = x >> 11, g6 = x >> 5 & 63, b5 = x & 31;
        r = r5 << 3 | r5 >> 2, g = g6 << 2 | g6 >> 4, b = b5 << 3 | b5 >> 2;
    }
    const unsigned rgb565 = (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
    const auto u8 = [](unsigned x) { return static_cast<uint8_t>(x); };
    switch (f) {
    case PHOTO_RGB565_LE: return {u8(rgb565), u8(rgb565 >> 8)};
    case PHOTO_RGB565_BE: return {u8(rgb565 >> 8), u8(rgb565)};
    case PHOTO_RGB332: return {u8((r >> 5) << 5 | (g >> 5) << 2 | b >> 6)};
    case PHOTO_RGB888: return {u8(r), u8(g), u8(b)};
    case PHOTO_XRGB8888: return {u8(b), u8(g), u8(r), 0xFF};
    case PHOTO_RGB222: return {u8((r >> 6) << 4 | (g >> 6) << 2 | b >> 6)};
    default: return {};
    }
}

// Bytes a pixel takes in `f`: as many as expected_pixel gives.
unsigned out_bytes(photo_format_t f, unsigned value_bytes)
{
    static const uint8_t black[2] = {0, 0};
    return static_cast<unsigned>(expected_pixel(black, value_bytes, f).size());
}

// Display rows [top, top + count), columns [x, x + n), as the reader must
// give them: display row 0 is the last row stored.
bytes expected_window(const bytes &file, unsigned value_bytes, photo_format_t f, uint32_t x, uint32_t top,
                      uint32_t n, uint32_t count)
{
    const uint32_t w = file[0] | uint32_t{file[1]} << 8, h = file[2] | uint32_t{file[3]} << 8;
    bytes out;
    for (uint32_t y = top; y < top + count; y++)
        for (uint32_t i = x; i < x + n; i++) {
            const bytes px = expected_pixel(&file[4 + ((h - 1 - y) * w + i) * value_bytes], value_bytes, f);
            out.insert(out.end(), px.begin(), px.end());
        }
    return out;
}

// A photo file of random values an encoder writes.
bytes make_photo(uint32_t w, uint32_t h, unsigned value_bytes, uint32_t seed)
{
    bytes f = {uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8)};
    std::mt19937 rng(seed);
    for (uint32_t i = 0; i < w * h * value_bytes; i++) {
        uint8_t v = static_cast<uint8_t>(rng());
        if (value_bytes == 1) {
            v = v % 65;
            if (v == 0x3C)
                v = 0x40;
        }
        f.push_back(v);
    }
    return f;
}

// The second source: a read function over a file in memory that checks it
// is asked only for bytes the file has, a chunk at most, and that can be
// told to fail from its N-th call on.
struct file_reader {
    const bytes *file;
    unsigned calls = 0;
    unsigned fail_from = UINT_MAX;
};

int reader_read(void *context, uint32_t offset, void *dst, uint32_t n)
{
    auto *r = static_cast<file_reader *>(context);
    EXPECT_LE(n, unsigned{PHOTO_FILE_CHUNK_BYTES});
    EXPECT_LE(uint64_t{offset} + n, r->file->size());
    if (r->calls++ >= r->fail_from || uint64_t{offset} + n > r->file->size())
        return -1;
    memcpy(dst, r->file->data() + offset, n);
    return 0;
}

enum class source { memory, reader };

// An open file from either source; `align` places a memory file at that
// offset from an 8-byte boundary.
struct opened {
    bytes storage;
    mutable file_reader reader;  // changed through the context pointer
    photo_file_t photo{};
    int rc = 0;

    opened(const photo_api_t *api, const bytes &file, source s, size_t align = 0) : reader{&file}
    {
        if (s == source::memory) {
            storage.assign(file.size() + 8 + align, 0xEE);
            auto *at = storage.data() + (8 - reinterpret_cast<uintptr_t>(storage.data()) % 8) % 8 + align;
            if (!file.empty())
                memcpy(at, file.data(), file.size());
            rc = api->open_memory(&photo, at, file.size());
        } else {
            rc = api->open_reader(&photo, reader_read, &reader, static_cast<uint32_t>(file.size()));
        }
    }
    opened(const opened &) = delete;  // the open file points into it
};

// Reads into a buffer at `align` past an 8-byte boundary, fenced by guard
// bytes that must survive.
struct fenced {
    static constexpr size_t guard = 16;
    bytes buf;
    size_t at;
    size_t size;
    fenced(size_t n, size_t align) : buf(n + 2 * guard + 8, 0xA5), size(n)
    {
        at = guard + (8 - reinterpret_cast<uintptr_t>(buf.data() + guard) % 8) % 8 + align;
    }
    uint8_t *dst() { return buf.data() + at; }
    bytes got() const { return bytes(buf.begin() + long(at), buf.begin() + long(at + size)); }
    bool fences_intact() const
    {
        for (size_t i = 0; i < buf.size(); i++)
            if ((i < at || i >= at + size) && buf[i] != 0xA5)
                return false;
        return true;
    }
};

std::string trace(const photo_api_t *api, unsigned vb, source s, photo_format_t f)
{
    return std::string(api->language) + (vb == 1 ? " 6-bit" : " 16-bit") +
           (s == source::memory ? " memory" : " reader") + " format " + std::to_string(int(f));
}

TEST(PhotoFile, EveryFormatOfBothEncodingsFromBothSourcesAtAnyAddress)
{
    const struct {
        uint32_t w, h;
    } sizes[] = {{1, 1}, {3, 2}, {97, 65}, {4096, 1}, {1, 4096}};
    for (const photo_api_t *api : apis)
        for (unsigned vb : {1u, 2u})
            for (const auto &sz : sizes) {
                const bytes file = make_photo(sz.w, sz.h, vb, sz.w * 7 + sz.h + vb);
                for (source s : {source::memory, source::reader})
                    for (size_t file_align : {size_t{0}, size_t{1}, size_t{3}}) {
                        if (s == source::reader && file_align != 0)
                            continue;
                        const opened o(api, file, s, file_align);
                        ASSERT_EQ(o.rc, 0);
                        EXPECT_EQ(o.photo.width, sz.w);
                        EXPECT_EQ(o.photo.height, sz.h);
                        EXPECT_EQ(o.photo.value_bytes, vb);
                        for (photo_format_t f : formats)
                            for (size_t dst_align : {size_t{0}, size_t{1}}) {
                                SCOPED_TRACE(trace(api, vb, s, f) + " " + std::to_string(sz.w) + "x" +
                                             std::to_string(sz.h) + " file+" + std::to_string(file_align) +
                                             " dst+" + std::to_string(dst_align));
                                fenced out(size_t{sz.w} * sz.h * out_bytes(f, vb), dst_align);
                                ASSERT_EQ(api->read_rows(&o.photo, 0, sz.h, f, out.dst()), 0);
                                EXPECT_EQ(out.got(), expected_window(file, vb, f, 0, 0, sz.w, sz.h));
                                EXPECT_TRUE(out.fences_intact());
                            }
                    }
            }
}

TEST(PhotoFile, TheDisplaysColoursInEveryFormat)
{
    // Yellow (0x40), red, white and the first grey of the 6-bit display;
    // the same colours in 5:6:5, with the darkest grey.
    const bytes file6 = {4, 0, 1, 0, 0x40, 0x30, 0x3F, 0x15};
    const bytes file16 = {4, 0, 1, 0, 0xE0, 0xFF, 0x00, 0xF8, 0xFF, 0xFF, 0x21, 0x08};
    const struct {
        const bytes *file;
        photo_format_t format;
        bytes shown;
    } cases[] = {
        {&file6, PHOTO_AS_STORED, {0x40, 0x30, 0x3F, 0x15}},
        {&file6, PHOTO_RGB565_BE, {0xFF, 0xE0, 0xF8, 0x00, 0xFF, 0xFF, 0x52, 0xAA}},
        {&file6, PHOTO_RGB565_LE, {0xE0, 0xFF, 0x00, 0xF8, 0xFF, 0xFF, 0xAA, 0x52}},
        {&file6, PHOTO_RGB332, {0xFC, 0xE0, 0xFF, 0x49}},
        {&file6, PHOTO_RGB888, {255, 255, 0, 255, 0, 0, 255, 255, 255, 85, 85, 85}},
        {&file6, PHOTO_XRGB8888, {0, 255, 255, 0xFF, 0, 0, 255, 0xFF, 255, 255, 255, 0xFF, 85, 85, 85, 0xFF}},
        {&file6, PHOTO_RGB222, {0x3C, 0x30, 0x3F, 0x15}},
        {&file16, PHOTO_RGB222, {0x3C, 0x30, 0x3F, 0x00}},
        {&file16, PHOTO_RGB565_BE, {0xFF, 0xE0, 0xF8, 0x00, 0xFF, 0xFF, 0x08, 0x21}},
        {&file16, PHOTO_RGB332, {0xFC, 0xE0, 0xFF, 0x00}},
        {&file16, PHOTO_RGB888, {255, 255, 0, 255, 0, 0, 255, 255, 255, 8, 4, 8}},
        {&file16, PHOTO_XRGB8888, {0, 255, 255, 0xFF, 0, 0, 255, 0xFF, 255, 255, 255, 0xFF, 8, 4, 8, 0xFF}},
    };
    for (const photo_api_t *api : apis)
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(api->language) + " format " + std::to_string(int(c.format)));
            const opened o(api, *c.file, source::memory);
            ASSERT_EQ(o.rc, 0);
            bytes got(c.shown.size());
            ASSERT_EQ(api->read_span(&o.photo, 0, 0, 4, c.format, got.data()), 0);
            EXPECT_EQ(got, c.shown);
        }
}

TEST(PhotoFile, RowsBatchesAndSpansInDisplayOrder)
{
    for (const photo_api_t *api : apis)
        for (unsigned vb : {1u, 2u}) {
            const bytes file = make_photo(97, 65, vb, 40 + vb);
            for (source s : {source::memory, source::reader}) {
                const opened o(api, file, s, 1);
                ASSERT_EQ(o.rc, 0);
                for (photo_format_t f : formats) {
                    SCOPED_TRACE(trace(api, vb, s, f));
                    const unsigned ob = out_bytes(f, vb);
                    // Batches of 7 rows top to bottom, the last one short.
                    for (uint32_t top = 0; top < 65; top += 7) {
                        const uint32_t count = std::min(7u, 65 - top);
                        fenced out(size_t{97} * count * ob, 1);
                        ASSERT_EQ(api->read_rows(&o.photo, top, count, f, out.dst()), 0);
                        EXPECT_EQ(out.got(), expected_window(file, vb, f, 0, top, 97, count)) << "rows " << top;
                        EXPECT_TRUE(out.fences_intact());
                    }
                    const struct {
                        uint32_t x, y, n;
                    } spans[] = {{0, 0, 97}, {0, 64, 1}, {96, 0, 1}, {13, 31, 40}, {1, 1, 95}, {31, 17, 33}};
                    for (const auto &sp : spans) {
                        fenced out(size_t{sp.n} * ob, 1);
                        ASSERT_EQ(api->read_span(&o.photo, sp.x, sp.y, sp.n, f, out.dst()), 0);
                        EXPECT_EQ(out.got(), expected_window(file, vb, f, sp.x, sp.y, sp.n, 1))
                            << "span " << sp.x << "," << sp.y << " n " << sp.n;
                        EXPECT_TRUE(out.fences_intact());
                    }
                }
            }
        }
}

bytes header(uint32_t w, uint32_t h, size_t values)
{
    bytes f(4 + values, 0x15);
    f[0] = uint8_t(w), f[1] = uint8_t(w >> 8), f[2] = uint8_t(h), f[3] = uint8_t(h >> 8);
    return f;
}

TEST(PhotoFile, OpeningRefusesWhatNoConverterWrites)
{
    const struct {
        const char *name;
        bytes file;
        int rc;
    } cases[] = {
        {"empty", {}, PHOTO_ERR_SHORT},
        {"3 bytes", {1, 0, 1}, PHOTO_ERR_SHORT},
        {"width 0", header(0, 1, 0), PHOTO_ERR_DIMENSIONS},
        {"height 0", header(1, 0, 1), PHOTO_ERR_DIMENSIONS},
        {"width 4097", header(4097, 1, 4097), PHOTO_ERR_DIMENSIONS},
        {"height 4097", header(1, 4097, 4097), PHOTO_ERR_DIMENSIONS},
        {"65535 x 65535", header(65535, 65535, 8), PHOTO_ERR_DIMENSIONS},
        {"no values", header(1, 1, 0), PHOTO_ERR_LENGTH},
        {"one value short", header(2, 1, 1), PHOTO_ERR_LENGTH},
        {"three bytes a pixel", header(1, 1, 3), PHOTO_ERR_LENGTH},
        {"one byte over 16-bit", header(2, 2, 9), PHOTO_ERR_LENGTH},
        {"6-bit", header(2, 2, 4), 0},
        {"16-bit", header(2, 2, 8), 0},
    };
    for (const photo_api_t *api : apis)
        for (const auto &c : cases)
            for (source s : {source::memory, source::reader}) {
                SCOPED_TRACE(std::string(api->language) + " " + c.name);
                const opened o(api, c.file, s);
                EXPECT_EQ(o.rc, c.rc);
                if (c.rc == 0)
                    continue;
                EXPECT_EQ(o.photo.value_bytes, 0u);
                // The header's word stays readable for a message.
                if (c.rc != PHOTO_ERR_SHORT) {
                    EXPECT_EQ(o.photo.width, uint32_t(c.file[0] | c.file[1] << 8));
                    EXPECT_EQ(o.photo.height, uint32_t(c.file[2] | c.file[3] << 8));
                }
                // And a file that did not open is never read.
                uint8_t row[16];
                EXPECT_EQ(api->read_rows(&o.photo, 0, 1, PHOTO_RGB888, row), PHOTO_ERR_ARGUMENT);
                EXPECT_EQ(api->read_span(&o.photo, 0, 0, 1, PHOTO_RGB888, row), PHOTO_ERR_ARGUMENT);
                EXPECT_EQ(api->check_values(&o.photo, nullptr), PHOTO_ERR_ARGUMENT);
            }
}

TEST(PhotoFile, SizesNearTheLimitsAndBeyond32Bits)
{
    const bytes h = header(4096, 4096, 0);
    struct size_case {
        uint64_t size;
        int rc;
        uint32_t value_bytes;
    };
    std::vector<size_case> cases = {
        {4 + (1u << 24), 0, 1},
        {4 + (1u << 25), 0, 2},
        {4 + 3 * (1u << 24), PHOTO_ERR_LENGTH, 0},
        {UINT32_MAX, PHOTO_ERR_LENGTH, 0},
    };
    // A size that a cut to 32 bits would turn into a good one.
    if (sizeof(size_t) > 4)
        cases.push_back({(uint64_t{1} << 32) + 4 + (1u << 24), PHOTO_ERR_LENGTH, 0});
    for (const photo_api_t *api : apis)
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(api->language) + " size " + std::to_string(c.size));
            // Opening reads the header alone, so it can be told any size.
            photo_file_t p;
            EXPECT_EQ(api->open_memory(&p, h.data(), static_cast<size_t>(c.size)), c.rc);
            EXPECT_EQ(p.value_bytes, c.value_bytes);
            if (c.size <= UINT32_MAX) {
                file_reader r{&h};
                EXPECT_EQ(api->open_reader(&p, reader_read, &r, static_cast<uint32_t>(c.size)), c.rc);
                EXPECT_EQ(p.value_bytes, c.value_bytes);
            }
        }
}

TEST(PhotoFile, ArgumentsRangesAndFormatsAreChecked)
{
    const bytes file = make_photo(3, 2, 2, 5);
    uint8_t buf[64];
    const struct {
        const char *name;
        bool rows;  // read_rows(a, b) or read_span(a, b, n)
        uint32_t a, b, n;
        int rc;
    } ranges[] = {
        {"all rows", true, 0, 2, 0, 0},
        {"no rows", true, 2, 0, 0, 0},
        {"row below the picture", true, 2, 1, 0, PHOTO_ERR_RANGE},
        {"three rows of two", true, 0, 3, 0, PHOTO_ERR_RANGE},
        {"count wrapping past zero", true, 1, UINT32_MAX, 0, PHOTO_ERR_RANGE},
        {"top past the end", true, 3, 0, 0, PHOTO_ERR_RANGE},
        {"whole row as a span", false, 0, 1, 3, 0},
        {"empty span at the end", false, 3, 0, 0, 0},
        {"span below the picture", false, 0, 2, 1, PHOTO_ERR_RANGE},
        {"span past the right edge", false, 2, 0, 2, PHOTO_ERR_RANGE},
        {"span starting past the edge", false, 3, 0, 1, PHOTO_ERR_RANGE},
        {"x wrapping past zero", false, UINT32_MAX, 0, 2, PHOTO_ERR_RANGE},
        {"n wrapping past zero", false, 1, 0, UINT32_MAX, PHOTO_ERR_RANGE},
    };
    for (const photo_api_t *api : apis) {
        SCOPED_TRACE(api->language);
        const opened o(api, file, source::memory);
        ASSERT_EQ(o.rc, 0);
        for (const auto &r : ranges) {
            SCOPED_TRACE(r.name);
            memset(buf, 0xA5, sizeof buf);
            const int rc = r.rows ? api->read_rows(&o.photo, r.a, r.b, PHOTO_XRGB8888, buf)
                                  : api->read_span(&o.photo, r.a, r.b, r.n, PHOTO_XRGB8888, buf);
            EXPECT_EQ(rc, r.rc);
            if (rc != 0 || (r.rows ? r.b : r.n) == 0) {
                EXPECT_EQ(buf[0], 0xA5) << "a refused or empty read wrote";
            }
        }
        photo_file_t p;
        EXPECT_EQ(api->open_memory(nullptr, file.data(), file.size()), PHOTO_ERR_ARGUMENT);
        EXPECT_EQ(api->open_memory(&p, nullptr, file.size()), PHOTO_ERR_ARGUMENT);
        EXPECT_EQ(api->open_reader(nullptr, reader_read, nullptr, 10), PHOTO_ERR_ARGUMENT);
        EXPECT_EQ(api->open_reader(&p, nullptr, nullptr, 10), PHOTO_ERR_ARGUMENT);
        EXPECT_EQ(api->read_rows(nullptr, 0, 1, PHOTO_RGB888, buf), PHOTO_ERR_ARGUMENT);
        EXPECT_EQ(api->read_rows(&o.photo, 0, 1, PHOTO_RGB888, nullptr), PHOTO_ERR_ARGUMENT);
        EXPECT_EQ(api->read_span(nullptr, 0, 0, 1, PHOTO_RGB888, buf), PHOTO_ERR_ARGUMENT);
        EXPECT_EQ(api->read_span(&o.photo, 0, 0, 1, PHOTO_RGB888, nullptr), PHOTO_ERR_ARGUMENT);
        EXPECT_EQ(api->check_values(nullptr, nullptr), PHOTO_ERR_ARGUMENT);
        // 7 lies within the enumeration's range in C++ too.
        for (int bad : {7}) {
            EXPECT_EQ(api->read_rows(&o.photo, 0, 1, static_cast<photo_format_t>(bad), buf), PHOTO_ERR_FORMAT);
            EXPECT_EQ(api->read_span(&o.photo, 0, 0, 1, static_cast<photo_format_t>(bad), buf), PHOTO_ERR_FORMAT);
        }
    }
}

// A handle every read must refuse: one filled in by hand with no source,
// and an open one whose reopening failed, for each way an open can fail.
// Neither may reach a null read function or the file it held before.
TEST(PhotoFile, AHandleWithoutAFileIsRefusedByEveryRead)
{
    const bytes file = make_photo(3, 2, 1, 9);
    const bytes short_file = {3, 0};
    const bytes bad_header = {0, 0, 2, 0, 1, 2, 3};
    const bytes bad_length = {3, 0, 2, 0, 1, 2, 3};
    uint8_t buf[64];
    uint32_t at = 0;
    for (const photo_api_t *api : apis) {
        SCOPED_TRACE(api->language);
        const auto refused = [&](const photo_file_t &p, const char *what) {
            SCOPED_TRACE(what);
            EXPECT_EQ(api->read_rows(&p, 0, 1, PHOTO_RGB565_LE, buf), PHOTO_ERR_ARGUMENT);
            EXPECT_EQ(api->read_span(&p, 0, 0, 1, PHOTO_RGB565_LE, buf), PHOTO_ERR_ARGUMENT);
            EXPECT_EQ(api->check_values(&p, &at), PHOTO_ERR_ARGUMENT);
        };
        photo_file_t by_hand{};
        by_hand.width = 3, by_hand.height = 2, by_hand.value_bytes = 1;
        refused(by_hand, "filled in by hand, no source");

        const struct {
            const char *name;
            int rc;
            int (*reopen)(const photo_api_t *, photo_file_t *, const bytes &, file_reader *);
            const bytes *with;
        } reopenings[] = {
            {"memory, null data", PHOTO_ERR_ARGUMENT,
             [](const photo_api_t *a, photo_file_t *p, const bytes &, file_reader *) {
                 return a->open_memory(p, nullptr, 10);
             },
             &file},
            {"memory, short", PHOTO_ERR_SHORT,
             [](const photo_api_t *a, photo_file_t *p, const bytes &f, file_reader *) {
                 return a->open_memory(p, f.data(), f.size());
             },
             &short_file},
            {"memory, bad header", PHOTO_ERR_DIMENSIONS,
             [](const photo_api_t *a, photo_file_t *p, const bytes &f, file_reader *) {
                 return a->open_memory(p, f.data(), f.size());
             },
             &bad_header},
            {"memory, bad length", PHOTO_ERR_LENGTH,
             [](const photo_api_t *a, photo_file_t *p, const bytes &f, file_reader *) {
                 return a->open_memory(p, f.data(), f.size());
             },
             &bad_length},
            {"reader, null function", PHOTO_ERR_ARGUMENT,
             [](const photo_api_t *a, photo_file_t *p, const bytes &f, file_reader *) {
                 return a->open_reader(p, nullptr, nullptr, static_cast<uint32_t>(f.size()));
             },
             &file},
            {"reader, short", PHOTO_ERR_SHORT,
             [](const photo_api_t *a, photo_file_t *p, const bytes &f, file_reader *r) {
                 r->file = &f;
                 return a->open_reader(p, reader_read, r, static_cast<uint32_t>(f.size()));
             },
             &short_file},
            {"reader, failing", PHOTO_ERR_READ,
             [](const photo_api_t *a, photo_file_t *p, const bytes &f, file_reader *r) {
                 r->calls = 0;
                 return a->open_reader(p, reader_read, r, static_cast<uint32_t>(f.size()));
             },
             &file},
            {"reader, bad length", PHOTO_ERR_LENGTH,
             [](const photo_api_t *a, photo_file_t *p, const bytes &f, file_reader *r) {
                 r->file = &f;
                 r->fail_from = UINT_MAX;
                 return a->open_reader(p, reader_read, r, static_cast<uint32_t>(f.size()));
             },
             &bad_length},
        };
        for (const auto &r : reopenings)
            for (source s : {source::memory, source::reader}) {
                const opened o(api, file, s);
                ASSERT_EQ(o.rc, 0);
                photo_file_t p = o.photo;
                file_reader second{&file};
                second.fail_from = r.rc == PHOTO_ERR_READ ? 0 : UINT_MAX;
                EXPECT_EQ(r.reopen(api, &p, *r.with, &second), r.rc) << r.name;
                refused(p, r.name);
            }
    }
}

TEST(PhotoFile, AValueNoEncoderWritesIsAnErrorOfTheReadThatMeetsIt)
{
    // 3 x 2, 6-bit; the bad value is the third pixel stored, the right end
    // of the bottom row (display row 1).
    for (const photo_api_t *api : apis)
        for (uint8_t bad : {uint8_t{60}, uint8_t{65}, uint8_t{128}, uint8_t{255}})
            for (source s : {source::memory, source::reader}) {
                SCOPED_TRACE(std::string(api->language) + " value " + std::to_string(bad) +
                             (s == source::memory ? " memory" : " reader"));
                const bytes file = {3, 0, 2, 0, 0x40, 0x00, bad, 0x3F, 0x15, 0x2A};
                const opened o(api, file, s);
                ASSERT_EQ(o.rc, 0);
                uint8_t buf[6 * 4];  // two rows of three, four bytes a pixel at most
                for (photo_format_t f : formats) {
                    EXPECT_EQ(api->read_rows(&o.photo, 0, 1, f, buf), 0);
                    EXPECT_EQ(api->read_rows(&o.photo, 1, 1, f, buf), PHOTO_ERR_VALUE);
                    EXPECT_EQ(api->read_rows(&o.photo, 0, 2, f, buf), PHOTO_ERR_VALUE);
                    EXPECT_EQ(api->read_span(&o.photo, 0, 1, 2, f, buf), 0);
                    EXPECT_EQ(api->read_span(&o.photo, 2, 1, 1, f, buf), PHOTO_ERR_VALUE);
                }
                uint32_t at = 0;
                EXPECT_EQ(api->check_values(&o.photo, &at), PHOTO_ERR_VALUE);
                EXPECT_EQ(at, 6u);
                EXPECT_EQ(api->check_values(&o.photo, nullptr), PHOTO_ERR_VALUE);
            }
    // Every value an encoder writes passes, in both encodings; in a 16-bit
    // file every value is a colour.
    for (const photo_api_t *api : apis)
        for (const bytes &file : {make_photo(97, 65, 1, 3), make_photo(97, 65, 2, 3), header(2, 1, 4)}) {
            const opened o(api, file, source::reader);
            ASSERT_EQ(o.rc, 0);
            uint32_t at = 12345;
            EXPECT_EQ(api->check_values(&o.photo, &at), 0);
            EXPECT_EQ(at, 12345u);
        }
}

TEST(PhotoFile, AFailingReadFunctionIsReported)
{
    // 97 x 65, 16-bit: each row takes several chunks.
    const bytes file = make_photo(97, 65, 2, 9);
    const bytes file6 = make_photo(97, 65, 1, 9);
    for (const photo_api_t *api : apis) {
        SCOPED_TRACE(api->language);
        photo_file_t p;
        file_reader at_open{&file, 0, 0};
        EXPECT_EQ(api->open_reader(&p, reader_read, &at_open, static_cast<uint32_t>(file.size())), PHOTO_ERR_READ);
        EXPECT_EQ(p.value_bytes, 0u);
        for (unsigned fail_from : {1u, 2u, 5u, 60u}) {
            SCOPED_TRACE(fail_from);
            opened o(api, file, source::reader);
            ASSERT_EQ(o.rc, 0);
            o.reader.fail_from = fail_from;
            std::vector<uint8_t> buf(size_t{97} * 65 * 4);
            EXPECT_EQ(api->read_rows(&o.photo, 0, 65, PHOTO_XRGB8888, buf.data()), PHOTO_ERR_READ);
            EXPECT_EQ(api->read_span(&o.photo, 0, 64, 97, PHOTO_RGB888, buf.data()), PHOTO_ERR_READ);
            opened o6(api, file6, source::reader);
            ASSERT_EQ(o6.rc, 0);
            o6.reader.fail_from = fail_from;
            EXPECT_EQ(api->check_values(&o6.photo, nullptr), PHOTO_ERR_READ);
        }
    }
}

TEST(PhotoFile, EveryCodeHasItsOwnOneLineText)
{
    for (const photo_api_t *api : apis) {
        std::vector<std::string> seen;
        for (int code = 0; code >= PHOTO_ERR_VALUE; code--) {
            const std::string text = api->error_text(code);
            EXPECT_FALSE(text.empty()) << code;
            EXPECT_EQ(text.find('\n'), std::string::npos) << code;
            EXPECT_EQ(std::count(seen.begin(), seen.end(), text), 0) << code << ": " << text;
            seen.push_back(text);
        }
        for (int unknown : {1, -9, INT_MIN})
            EXPECT_EQ(std::count(seen.begin(), seen.end(), std::string(api->error_text(unknown))), 0);
    }
}

} // namespace

namespace {

// A 6-bit photo file of `rows` (top row first), stored bottom row first.
bytes photo6(const std::vector<bytes> &rows)
{
    const auto w = static_cast<uint8_t>(rows[0].size()), h = static_cast<uint8_t>(rows.size());
    bytes file = {w, 0, h, 0};
    for (size_t y = rows.size(); y-- > 0;)
        file.insert(file.end(), rows[y].begin(), rows[y].end());
    return file;
}

} // namespace

TEST(PhotoFile, PacksPanelNumbersAsEachPanelTakesThem)
{
    static const photo_palette_t mono = PHOTO_PALETTE_MONO, gray4 = PHOTO_PALETTE_GRAY4, bwr = PHOTO_PALETTE_BWR,
                                 spectra6 = PHOTO_PALETTE_SPECTRA6;
    // Values by name: black, white, red, yellow (0x40), blue, greys.
    const uint8_t K = 0x00, W = 0x3F, R = 0x30, Y = 0x40, B = 0x03, G1 = 0x15, G2 = 0x2A;
    const bytes mono_row = {W, K, W, W, W, K, K, W, W, K};
    // Nine rows: the first column runs white, black, black, white, white,
    // white, black, white | white down the two pages.
    std::vector<bytes> mono_rows(9, mono_row);
    const uint8_t column0[9] = {W, K, K, W, W, W, K, W, W};
    for (int y = 0; y < 9; y++)
        mono_rows[static_cast<size_t>(y)][0] = column0[y];
    const struct {
        const char *name;
        const photo_palette_t *palette;
        photo_packing_t packing;
        std::vector<bytes> rows;
        uint32_t y;
        unsigned plane;
        bytes want;  // the read at row y
    } cases[] = {
        {"1bpp, white 1, leftmost in the top bit", &mono, PHOTO_PACK_1BPP, mono_rows, 1, 0, {0x39, 0x80}},
        {"pages, top row in bit 0", &mono, PHOTO_PACK_PAGES, mono_rows, 0, 0,
         {0xB9, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00}},
        {"the last page, rows past the picture 0", &mono, PHOTO_PACK_PAGES, mono_rows, 8, 0,
         {0x01, 0x00, 0x01, 0x01, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00}},
        {"2bpp", &gray4, PHOTO_PACK_2BPP, {{W, K, G2, G1, W, K, K, G2, G1, K}}, 0, 0, {0xC9, 0xC2, 0x40}},
        {"planes: 0 where black", &bwr, PHOTO_PACK_PLANES, {{W, K, R, W, W, K, K, R, W, K}}, 0, 0, {0xB9, 0x80}},
        {"planes: 1 where red", &bwr, PHOTO_PACK_PLANES, {{W, K, R, W, W, K, K, R, W, K}}, 0, 1, {0x21, 0x00}},
        {"4bpp, the panel's numbers, high nibble first", &spectra6, PHOTO_PACK_4BPP, {{W, K, R, B, Y}}, 0, 0,
         {0x10, 0x35, 0x20}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const bytes file = photo6(c.rows);
        photo_file_t p;
        ASSERT_EQ(photo_open_memory(&p, file.data(), file.size()), 0);
        ASSERT_EQ(photo_packed_bytes(&p, c.packing), c.want.size());
        bytes got(c.want.size(), 0xAA);
        EXPECT_EQ(photo_read_packed(&p, c.palette, c.packing, c.y, c.plane, got.data()), 0);
        EXPECT_EQ(got, c.want);
    }
    // Refused: a value the palette lacks, a number the packing cannot
    // hold, a 16-bit file, a page not at a multiple of 8, a third plane.
    const bytes red_in_mono = photo6({{W, R}}), sixteen = {1, 0, 1, 0, 0xFF, 0xFF};
    photo_file_t p, q;
    ASSERT_EQ(photo_open_memory(&p, red_in_mono.data(), red_in_mono.size()), 0);
    ASSERT_EQ(photo_open_memory(&q, sixteen.data(), sixteen.size()), 0);
    const bytes file = photo6(mono_rows);
    photo_file_t m;
    ASSERT_EQ(photo_open_memory(&m, file.data(), file.size()), 0);
    uint8_t out[16];
    EXPECT_EQ(photo_read_packed(&p, &mono, PHOTO_PACK_1BPP, 0, 0, out), PHOTO_ERR_VALUE);
    EXPECT_EQ(photo_read_packed(&p, &bwr, PHOTO_PACK_1BPP, 0, 0, out), PHOTO_ERR_VALUE);
    EXPECT_EQ(photo_read_packed(&q, &mono, PHOTO_PACK_1BPP, 0, 0, out), PHOTO_ERR_FORMAT);
    EXPECT_EQ(photo_read_packed(&m, &mono, PHOTO_PACK_PAGES, 4, 0, out), PHOTO_ERR_RANGE);
    EXPECT_EQ(photo_read_packed(&m, &mono, PHOTO_PACK_1BPP, 9, 0, out), PHOTO_ERR_RANGE);
    EXPECT_EQ(photo_read_packed(&m, &bwr, PHOTO_PACK_PLANES, 0, 2, out), PHOTO_ERR_FORMAT);
}
