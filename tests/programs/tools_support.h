// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// What the tests of the programs that show a photo file share: reading a
// BMP photo2bmp wrote, the three programs and their command lines, and a
// fixture with a photo file and an output in a folder of their own.
#ifndef KESTROW_TOOLS_SUPPORT_H
#define KESTROW_TOOLS_SUPPORT_H

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <kestrow/photo_file.h>

#include "bmp_builder.h"
#include "photo2raw_header_c.h"
#include "sample_rgb565.h"
#include "sample_rgb565be.h"
#include "photo_decode.h"
#include "process_support.h"

namespace tools_support {

using bytes = std::vector<uint8_t>;

inline uint32_t le32_at(const bytes &b, size_t at)
{
    return uint32_t(b.at(at)) | uint32_t(b.at(at + 1)) << 8 | uint32_t(b.at(at + 2)) << 16 |
           uint32_t(b.at(at + 3)) << 24;
}

// The pixels of a 24-bit BMP as photo2bmp writes it, in stored order, after
// checking its header.
inline std::vector<rgb> bmp_pixels(const bytes &b, uint32_t w, uint32_t h)
{
    const uint32_t row = test_row_width(w);
    EXPECT_EQ(b.size(), 54 + size_t{row} * h);
    EXPECT_EQ(le32_at(b, 2), b.size());     // file size
    EXPECT_EQ(le32_at(b, 10), 54u);         // pixel offset
    EXPECT_EQ(le32_at(b, 14), 40u);         // DIB header size
    EXPECT_EQ(le32_at(b, 18), w);
    EXPECT_EQ(le32_at(b, 22), h);
    EXPECT_EQ(le32_at(b, 26), 1u | 24u << 16);  // planes, bits a pixel
    EXPECT_EQ(le32_at(b, 30), 0u);          // no compression
    EXPECT_EQ(le32_at(b, 34), row * h);     // image size
    EXPECT_EQ(le32_at(b, 38), 2835u);       // 72 dots an inch, both ways
    EXPECT_EQ(le32_at(b, 42), 2835u);
    EXPECT_EQ(le32_at(b, 46), 0u);          // no palette
    EXPECT_EQ(le32_at(b, 50), 0u);
    std::vector<rgb> px;
    for (uint32_t y = 0; y < h && b.size() >= 54 + size_t{row} * h; y++) {
        const size_t start = 54 + size_t{row} * y;
        for (uint32_t x = 0; x < w; x++)
            px.push_back({b[start + 3 * x + 2], b[start + 3 * x + 1], b[start + 3 * x]});
        for (uint32_t pad = 3 * w; pad < row; pad++)
            EXPECT_EQ(b[start + pad], 0);
    }
    return px;
}

// The programs that show a photo file, what each calls its output, and the
// third argument of those that take one.
struct photo_tool {
    const char *path;
    const char *output;          // "BMP file"
    const char *extra = nullptr;  // photo2raw's format, as given
    const char *extra_name = nullptr;
    const char *inputs = "<photo file>";  // as the usage line names them

    // The command line for an input and an output.
    std::vector<std::string> args(const std::string &in, const std::string &out) const
    {
        std::vector<std::string> a = {path, in, out};
        if (extra != nullptr)
            a.push_back(extra);
        return a;
    }
    std::string usage() const
    {
        return std::string("usage: ") + path + " " + inputs + " <" + output + ">" +
               (extra_name != nullptr ? std::string(" <") + extra_name + ">" : "") + "\n";
    }
};
const photo_tool photo_tools[] = {{PHOTO2BMP_BIN, "BMP file"},
                                  {PHOTO2MEM_BIN, "memory file", nullptr, nullptr, "[--rgb444] <photo file>..."},
                                  {PHOTO2RAW_BIN, "output file", "rgb565be", "format"}};

class Photo2bmp : public testing::Test {
protected:
    temp_dir dir;
    std::string photo = dir / "in.photo";
    std::string bmp = dir / "out.bmp";

    run_result show(const std::string &in, const std::string &out)
    {
        return run_program(PHOTO2BMP_BIN, {PHOTO2BMP_BIN, in, out});
    }
};

} // namespace tools_support

using namespace tools_support;

#endif
