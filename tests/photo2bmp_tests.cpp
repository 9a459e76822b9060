// photo2bmp: what it shows for each encoding, what it refuses, and the round
// trip through both converters.
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bmp_builder.h"
#include "process_support.h"

namespace {

using bytes = std::vector<uint8_t>;

uint32_t le32_at(const bytes &b, size_t at)
{
    return uint32_t(b.at(at)) | uint32_t(b.at(at + 1)) << 8 | uint32_t(b.at(at + 2)) << 16 |
           uint32_t(b.at(at + 3)) << 24;
}

// The pixels of a 24-bit BMP as photo2bmp writes it, in stored order, after
// checking its header.
std::vector<rgb> bmp_pixels(const bytes &b, uint32_t w, uint32_t h)
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

TEST_F(Photo2bmp, ShowsEachEncodingAsTheDisplayWould)
{
    struct decode_case {
        const char *name;
        bytes photo;
        std::vector<rgb> shown;
    };
    const decode_case cases[] = {
        {"6-bit", {5, 0, 1, 0, 0x00, 0x30, 0x40, 0x3F, 0x15},
         {{0, 0, 0}, {255, 0, 0}, {255, 255, 0}, {255, 255, 255}, {85, 85, 85}}},
        {"6-bit channels", {3, 0, 1, 0, 0x24, 0x09, 0x02}, {{170, 85, 0}, {0, 170, 85}, {0, 0, 170}}},
        {"16-bit", {5, 0, 1, 0, 0x00, 0x00, 0x00, 0xF8, 0xE0, 0xFF, 0xFF, 0xFF, 0x10, 0x84},
         {{0, 0, 0}, {255, 0, 0}, {255, 255, 0}, {255, 255, 255}, {132, 130, 132}}},
        {"16-bit lowest steps", {3, 0, 1, 0, 0x00, 0x08, 0x20, 0x00, 0x01, 0x00},
         {{8, 0, 0}, {0, 4, 0}, {0, 0, 8}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        write_file(photo, c.photo);
        const run_result r = show(photo, bmp);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(bmp_pixels(read_file(bmp), c.photo[0], c.photo[2]), c.shown);
    }
}

TEST_F(Photo2bmp, RoundTripGivesTheSamePhotoFileInBothFormats)
{
    const std::string original = dir / "original.bmp";
    const std::string again = dir / "again.photo";
    for (const char *converter : {KESTROW_BIN, KESTROW16_BIN})
        for (uint32_t w : {1u, 2u, 3u, 4u, 5u, 15u, 16u, 17u, 31u, 100u, 4096u}) {
            const uint32_t h = w == 4096 ? 3 : 7;
            SCOPED_TRACE(testing::Message() << converter << " " << w << " x " << h);
            write_file(original, make_bmp(bmp_size(w, h), random_pixels(size_t{w} * h, w * 31 + h)));
            ASSERT_EQ(run_program(converter, {converter, original, photo}).status, 0);
            ASSERT_EQ(show(photo, bmp).status, 0);
            const run_result r = run_program(converter, {converter, bmp, again});
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(read_file(again), read_file(photo));
        }
}

TEST_F(Photo2bmp, RefusesWhatNoConverterWrites)
{
    const std::string not_photo = photo + " is not a photo file: ";
    struct refusal {
        const char *name;
        bytes photo;
        std::string message;
    };
    const refusal cases[] = {
        {"empty", {}, not_photo + "it is shorter than its 4-byte header.\n"},
        {"3 bytes", {1, 0, 1}, not_photo + "it is shorter than its 4-byte header.\n"},
        {"width 0", {0, 0, 1, 0}, not_photo + "it is 0 x 1 pixels.\n"},
        {"height 0", {1, 0, 0, 0, 7}, not_photo + "it is 1 x 0 pixels.\n"},
        {"width 4097", {0x01, 0x10, 1, 0, 7}, not_photo + "it is 4097 x 1 pixels.\n"},
        {"one value short", {2, 0, 1, 0, 7}, not_photo + "1 bytes of values fit neither 6-bit nor 16-bit colour at 2 x 1.\n"},
        {"three bytes for one pixel", {1, 0, 1, 0, 7, 7, 7}, not_photo + "3 bytes of values fit neither 6-bit nor 16-bit colour at 1 x 1.\n"},
        {"value 60", {2, 0, 1, 0, 7, 60}, not_photo + "byte 5 holds 60, which no 6-bit colour is.\n"},
        {"value 65", {1, 0, 1, 0, 65}, not_photo + "byte 4 holds 65, which no 6-bit colour is.\n"},
        {"value 255", {1, 0, 1, 0, 255}, not_photo + "byte 4 holds 255, which no 6-bit colour is.\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        write_file(photo, c.photo);
        const run_result r = show(photo, bmp);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, c.message);
        EXPECT_FALSE(file_exists(bmp));
    }
}

TEST_F(Photo2bmp, ArgumentsFilesAndWriteFailures)
{
    const bytes one_pixel = {1, 0, 1, 0, 0x30};
    write_file(photo, one_pixel);
    const std::string link_name = dir / "link.photo";
    ASSERT_EQ(symlink("in.photo", link_name.c_str()), 0);
    struct file_case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const file_case cases[] = {
        {{photo}, 2, std::string("usage: ") + PHOTO2BMP_BIN + " <photo file> <BMP file>\n"},
        {{dir / "none.photo", bmp}, 2, std::string("open photo file: ") + strerror(ENOENT) + "\n"},
        {{photo, dir / "no/out.bmp"}, 2, std::string("open BMP file: ") + strerror(ENOENT) + "\n"},
        {{photo, link_name}, 2, photo + " and " + link_name + " are the same file.\n"},
        {{photo, "/dev/full"}, 3, std::string("close BMP file: ") + strerror(ENOSPC) + "\n"},
        {{dir.path, bmp}, 2, dir.path + " is not a photo file: it is not a regular file.\n"},
    };
    for (const auto &c : cases) {
        std::vector<std::string> argv = {PHOTO2BMP_BIN};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const run_result r = run_program(PHOTO2BMP_BIN, argv);
        EXPECT_EQ(r.status, c.status) << c.message;
        EXPECT_EQ(r.err, c.message);
    }
    EXPECT_EQ(read_file(photo), one_pixel);
}

} // namespace
