// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The photo file reader's contract, for any bytes as a photo file (the
// whole input is the file; its last byte also picks a column and a failing
// call). Aborts on any break of it:
//  - the memory and read-function sources agree on every result: codes,
//    width, height, encoding, the pixels of every format;
//  - the read function is only asked for bytes inside the file, a chunk at
//    most;
//  - whole-picture batches, single rows and spans at any column give the
//    same pixels;
//  - a read function failing at any call gives PHOTO_ERR_READ;
//  - nothing is written outside dst (guard bytes on both sides);
//  - photo_check_values finds exactly the first value a read refuses.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <kestrow/photo_file.h>

namespace {

using bytes = std::vector<uint8_t>;

void check(bool ok)
{
    if (!ok)
        abort();
}

struct source_file {
    const uint8_t *data;
    uint32_t size;
    uint32_t calls = 0;
    uint32_t fail_at = UINT32_MAX;
};

int read_file(void *context, uint32_t offset, void *dst, uint32_t n)
{
    auto *f = static_cast<source_file *>(context);
    check(n >= 1 && n <= PHOTO_FILE_CHUNK_BYTES);
    check(offset <= f->size && n <= f->size - offset);
    if (f->calls++ >= f->fail_at)
        return -1;
    memcpy(dst, f->data + offset, n);
    return 0;
}

constexpr size_t guard = 16;

// A read into a buffer fenced by guard bytes; returns the code and leaves
// the bytes read in `out`.
template <typename Read> int fenced(size_t length, bytes &out, Read read)
{
    bytes buf(length + 2 * (guard + 1), 0xA5);
    uint8_t *dst = buf.data() + guard + 1; // at an odd address
    const int rc = read(dst);
    for (size_t i = 0; i < guard + 1; i++)
        check(buf[i] == 0xA5 && buf[guard + 1 + length + i] == 0xA5);
    out.assign(dst, dst + length);
    return rc;
}

const photo_format_t formats[] = {PHOTO_AS_STORED, PHOTO_RGB565_LE, PHOTO_RGB565_BE, PHOTO_RGB332,
                                  PHOTO_RGB888,    PHOTO_XRGB8888,  PHOTO_RGB222};

void check_format(const photo_file_t &mem, const photo_file_t &rdr, source_file &f, photo_format_t format,
                  uint32_t column, uint32_t fail_at)
{
    const uint32_t w = mem.width, h = mem.height;
    const size_t px = photo_format_bytes(format, mem.value_bytes), row = w * px;
    bytes whole, whole_r, part;
    const int rc = fenced(h * row, whole, [&](uint8_t *d) { return photo_read_rows(&mem, 0, h, format, d); });
    f.calls = 0;
    const int rc_r = fenced(h * row, whole_r, [&](uint8_t *d) { return photo_read_rows(&rdr, 0, h, format, d); });
    check(rc == rc_r && (rc == 0 || rc == PHOTO_ERR_VALUE));
    if (rc == 0)
        check(whole == whole_r);
    const uint32_t calls_for_whole = f.calls;

    // Rows one at a time, and a span from `column` to the end, from both
    // sources: each fails exactly when its pixels hold a bad value.
    bool any_row_failed = false;
    for (uint32_t y = 0; y < h; y++)
        for (const photo_file_t *p : {&mem, &rdr}) {
            const int r = fenced(row, part, [&](uint8_t *d) { return photo_read_rows(p, y, 1, format, d); });
            check(r == 0 || r == PHOTO_ERR_VALUE);
            any_row_failed |= r != 0;
            if (r == 0 && rc == 0)
                check(memcmp(part.data(), whole.data() + y * row, row) == 0);
            const uint32_t x = column % w, n = w - x;
            const int s = fenced(n * px, part, [&](uint8_t *d) { return photo_read_span(p, x, y, n, format, d); });
            check(s == 0 || (s == PHOTO_ERR_VALUE && r == PHOTO_ERR_VALUE));
            if (s == 0 && r == 0 && rc == 0)
                check(memcmp(part.data(), whole.data() + y * row + x * px, n * px) == 0);
        }
    check(any_row_failed == (rc != 0));

    // A read function that fails at one of the calls a whole read makes.
    if (calls_for_whole > 0) {
        f.calls = 0;
        f.fail_at = fail_at % calls_for_whole;
        const int failed = fenced(h * row, part, [&](uint8_t *d) { return photo_read_rows(&rdr, 0, h, format, d); });
        check(failed == PHOTO_ERR_READ || (failed == PHOTO_ERR_VALUE && rc == PHOTO_ERR_VALUE));
        f.fail_at = UINT32_MAX;
    }
}

// photo_check_values names the first stored value a read refuses: the pixel
// there fails alone, every value stored before it reads.
void check_values(const photo_file_t &mem, const photo_file_t &rdr, const uint8_t *file)
{
    uint32_t at = 0, at_r = 0;
    const int rc = photo_check_values(&mem, &at), rc_r = photo_check_values(&rdr, &at_r);
    check(rc == rc_r && (rc == 0 || rc == PHOTO_ERR_VALUE));
    uint8_t out[4096 * 4];
    const uint32_t w = mem.width, h = mem.height;
    if (rc == 0) {
        check(photo_read_rows(&mem, 0, h, PHOTO_AS_STORED, out) == 0 || h * w * mem.value_bytes > sizeof out);
        return;
    }
    check(at == at_r && mem.value_bytes == 1 && at >= PHOTO_HEADER_BYTES && at < PHOTO_HEADER_BYTES + w * h);
    check(!photo_value6_valid(file[at]));
    for (uint32_t i = PHOTO_HEADER_BYTES; i < at; i++)
        check(photo_value6_valid(file[i]));
    const uint32_t k = at - PHOTO_HEADER_BYTES, y = h - 1 - k / w, x = k % w;
    check(photo_read_span(&mem, x, y, 1, PHOTO_RGB888, out) == PHOTO_ERR_VALUE);
    check(photo_read_span(&mem, 0, y, x, PHOTO_RGB888, out) == 0);
    if (y + 1 < h)
        check(photo_read_rows(&mem, y + 1, h - y - 1, PHOTO_AS_STORED, out) == 0 ||
              (h - y - 1) * w > sizeof out);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 1u << 16)
        return 0;
    const uint8_t pick = size > 0 ? data[size - 1] : 0;
    // The file one byte past an aligned start, as flash arrays may sit.
    bytes storage(size + 1);
    if (size > 0)
        memcpy(storage.data() + 1, data, size);
    const uint8_t *file = storage.data() + 1;

    source_file f{file, static_cast<uint32_t>(size)};
    photo_file_t mem, rdr;
    const int rc = photo_open_memory(&mem, size > 0 ? file : nullptr, size);
    const int rc_r = photo_open_reader(&rdr, read_file, &f, static_cast<uint32_t>(size));
    if (size == 0) {
        check(rc == PHOTO_ERR_ARGUMENT && rc_r == PHOTO_ERR_SHORT);
        return 0;
    }
    check(rc == rc_r);
    check(mem.width == rdr.width && mem.height == rdr.height && mem.value_bytes == rdr.value_bytes);
    if (rc != 0) {
        uint8_t out[8];
        check(mem.value_bytes == 0 && photo_read_rows(&mem, 0, 1, PHOTO_RGB888, out) == PHOTO_ERR_ARGUMENT &&
              photo_read_span(&rdr, 0, 0, 1, PHOTO_RGB888, out) == PHOTO_ERR_ARGUMENT);
        return 0;
    }
    check(size == PHOTO_HEADER_BYTES + size_t{mem.width} * mem.height * mem.value_bytes);
    for (photo_format_t format : formats)
        check_format(mem, rdr, f, format, pick, pick / 7u);
    check_values(mem, rdr, file);
    return 0;
}
