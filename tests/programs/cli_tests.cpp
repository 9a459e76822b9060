// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Both programs end to end: arguments, files left behind, messages and exit
// statuses, on BMP files the tests write themselves.
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <signal.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include "bmp_builder.h"
#include "process_support.h"
#include "vga_color.h"

namespace {

using bytes = std::vector<uint8_t>;

struct program {
    const char *name;
    const char *path;
    unsigned pixel_bytes;
};

void PrintTo(const program &p, std::ostream *os) { *os << p.name; }

const program programs[] = {
    {"kestrow", KESTROW_BIN, 1},
    {"kestrow16", KESTROW16_BIN, 2},
};

std::string system_error(const char *text, int code) { return std::string(text) + ": " + strerror(code) + "\n"; }

class Cli : public testing::TestWithParam<program> {
protected:
    temp_dir dir;
    std::string bmp = dir / "in.bmp";
    std::string photo = dir / "out.photo";

    run_result convert(const std::string &in, const std::string &out,
                       const std::function<void()> &setup = {})
    {
        return run_program(GetParam().path, {GetParam().path, in, out}, setup);
    }
};

TEST_P(Cli, ConvertsTheTwoByTwoExampleSilently)
{
    write_file(bmp, make_bmp(bmp_size(2, 2), {{255, 0, 0}, {255, 255, 0}, {255, 255, 255}, {0, 0, 0}}));
    const run_result r = convert(bmp, photo);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
    const bytes six = {2, 0, 2, 0, 0x30, 0x40, 0x3F, 0x00};
    const bytes sixteen = {2, 0, 2, 0, 0x00, 0xF8, 0xE0, 0xFF, 0xFF, 0xFF, 0x00, 0x00};
    EXPECT_EQ(read_file(photo), GetParam().pixel_bytes == 1 ? six : sixteen);
}

TEST_P(Cli, PixelsFarIntoAFileOverTwoGibibytesAreFound)
{
    // A sparse file of 3 GiB and a little: the pixel offset does not fit one
    // seek where long is 32 bits, nor the file a 32-bit file offset.
    const uint32_t offset = 0xC0000000u;
    bytes file = make_bmp(bmp_size(2, 2), {{255, 0, 0}, {255, 255, 0}, {255, 255, 255}, {0, 0, 0}});
    const bytes pixels(file.begin() + 54, file.end());
    file.resize(54);
    set_le32(file, 10, offset);
    write_file(bmp, file);
    const int fd = open(bmp.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, pixels.data(), pixels.size(), off_t{offset}), ssize_t(pixels.size()));
    close(fd);
    const run_result r = convert(bmp, photo);
    EXPECT_EQ(r.status, 0) << r.err;
    const bytes six = {2, 0, 2, 0, 0x30, 0x40, 0x3F, 0x00};
    const bytes sixteen = {2, 0, 2, 0, 0x00, 0xF8, 0xE0, 0xFF, 0xFF, 0xFF, 0x00, 0x00};
    EXPECT_EQ(read_file(photo), GetParam().pixel_bytes == 1 ? six : sixteen);
}

TEST_P(Cli, ConvertsRandomPicturesOfOddSizes)
{
    const std::pair<uint32_t, uint32_t> sizes[] = {{1, 1}, {3, 5}, {17, 2}, {255, 3}, {4096, 2}, {2, 4096}};
    for (const auto &[w, h] : sizes) {
        const auto px = random_pixels(size_t{w} * h, w * 7919 + h);
        write_file(bmp, make_bmp(bmp_size(w, h), px));
        bytes expected = {uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8)};
        for (const rgb &c : px) {
            const bytes e = encoded_pixel(c, GetParam().pixel_bytes);
            expected.insert(expected.end(), e.begin(), e.end());
        }
        const run_result r = convert(bmp, photo);
        EXPECT_EQ(r.status, 0) << w << " x " << h << ": " << r.err;
        EXPECT_EQ(read_file(photo), expected) << w << " x " << h;
    }
}

TEST_P(Cli, LargestPictureConvertsAndOneMoreIsRefused)
{
    write_file(bmp, make_bmp(bmp_size(4096, 4096)));
    run_result r = convert(bmp, photo);
    EXPECT_EQ(r.status, 0) << r.err;
    const bytes out = read_file(photo);
    ASSERT_EQ(out.size(), 4 + 4096u * 4096u * GetParam().pixel_bytes);
    EXPECT_EQ(bytes(out.begin(), out.begin() + 4), (bytes{0x00, 0x10, 0x00, 0x10}));

    for (const auto &f : {bmp_size(4097, 1), bmp_size(1, 4097)}) {
        write_file(bmp, make_bmp(f));
        r = convert(bmp, photo);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, bmp + " must be 24-bit-color on one plane with no compression.\n");
    }
}

TEST_P(Cli, WrongArgumentCountPrintsUsageAndCreatesNothing)
{
    const std::string p = GetParam().path;
    const std::vector<std::string> argvs[] = {{p}, {p, bmp}, {p, bmp, photo, "extra"}, {"other-name", bmp}};
    write_file(bmp, make_bmp(bmp_size(1, 1)));
    for (const auto &argv : argvs) {
        const run_result r = run_program(p, argv);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "usage: " + argv[0] + " <BMP file name> <output file>\n");
        EXPECT_FALSE(file_exists(photo));
        EXPECT_FALSE(file_exists(dir / "extra"));
    }
    // With no argument vector (Linux then passes one empty name) or an empty
    // name, the program names itself.
    for (const auto &argv : {std::vector<std::string>{}, std::vector<std::string>{""}}) {
        const run_result r = run_program(p, argv);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, std::string("usage: ") + GetParam().name + " <BMP file name> <output file>\n");
    }
}

TEST_P(Cli, FilesThatCannotBeOpened)
{
    write_file(bmp, make_bmp(bmp_size(1, 1)));
    struct open_case {
        std::string in, out, message;
        std::string must_not_exist;
    };
    const open_case cases[] = {
        {dir / "missing.bmp", photo, system_error("open BMP file", ENOENT), photo},
        {dir.path, photo, system_error("open BMP file", EISDIR), photo},
        {bmp, dir / "no-such-dir/out.photo", system_error("open output file", ENOENT), ""},
        {bmp, dir.path, system_error("open output file", EISDIR), ""},
    };
    for (const auto &c : cases) {
        const run_result r = convert(c.in, c.out);
        EXPECT_EQ(r.status, 2) << c.in << " " << c.out;
        EXPECT_EQ(r.err, c.message);
        if (!c.must_not_exist.empty()) {
            EXPECT_FALSE(file_exists(c.must_not_exist));
        }
    }
}

TEST_P(Cli, ReadOnlyInputIsRefusedBecauseItIsOpenedForUpdate)
{
    write_file(bmp, make_bmp(bmp_size(1, 1)));
    chmod(bmp.c_str(), 0444);
    const std::string p = GetParam().path;
    const run_result r = run_program(reachable_by_nobody(p, dir), {p, bmp, photo}, drop_root);
    KESTROW_NEED(r.status != 99, "cannot drop root privileges here");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, system_error("open BMP file", EACCES));
    EXPECT_FALSE(file_exists(photo));
}

TEST_P(Cli, RefusedInputLeavesAnEmptyOutput)
{
    bmp_fields bpp8 = bmp_size(2, 2);
    bpp8.bits_per_pixel = 8;
    bmp_fields size0 = bmp_size(2, 2);
    size0.img_size = 0;
    bmp_fields far = bmp_size(2, 2);
    far.pixel_offset = 1u << 20;
    bytes too_far = make_bmp(far);
    too_far.resize(54);
    bytes offset_2g = make_bmp(bmp_size(2, 2));
    set_le32(offset_2g, 10, 0x80000000u);
    bytes offset_4g = make_bmp(bmp_size(2, 2));
    set_le32(offset_4g, 10, 0xFFFFFFFFu);
    bytes short_pixels = make_bmp(bmp_size(2, 2));
    short_pixels.pop_back();
    struct refusal { const char *name; bytes file; std::string message_start; };
    const refusal cases[] = {
        {"text file", {'h', 'e', 'l', 'l', 'o'}, bmp + " does not appear to be a BMP file.\n"},
        {"8-bit", make_bmp(bpp8), bmp + " must be 24-bit-color on one plane with no compression.\n"},
        {"img_size 0", make_bmp(size0), bmp + " image size incorrect in BMP/DIB header.\n"},
        // The file just ends: the description says so, whatever came before.
        {"width 0", make_bmp(bmp_size(0, 3)), system_error("allocate and read image", ENODATA)},
        {"offset past the end", too_far, system_error("allocate and read image", ENODATA)},
        {"truncated pixels", short_pixels, system_error("allocate and read image", ENODATA)},
        // Beyond what one seek takes where long is 32 bits: the same on
        // every host.
        {"offset 2^31", offset_2g, system_error("allocate and read image", ENODATA)},
        {"offset 2^32 - 1", offset_4g, system_error("allocate and read image", ENODATA)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        write_file(bmp, c.file);
        write_file(photo, {'o', 'l', 'd'});
        const run_result r = convert(bmp, photo);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err.rfind(c.message_start, 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_TRUE(file_exists(photo));
        EXPECT_EQ(read_file(photo).size(), 0u);
        EXPECT_EQ(read_file(bmp), c.file) << "the BMP must not change";
    }
}

TEST_P(Cli, AllocationFailureIsReported)
{
    KESTROW_SKIP_UNDER_SANITIZER_OR_EMULATOR("an address-space limit");
    // The header claims the largest picture; the 48 MiB array cannot be had
    // under a 32 MiB address-space limit.
    bytes header = make_bmp(bmp_size(4096, 4096));
    header.resize(54);
    write_file(bmp, header);
    const run_result r = convert(bmp, photo, [] {
        const struct rlimit rl = {32u << 20, 32u << 20};
        setrlimit(RLIMIT_AS, &rl);
    });
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, system_error("allocate and read image", ENOMEM));
    EXPECT_EQ(read_file(photo).size(), 0u);
}

TEST_P(Cli, NamedPipeInputCannotSeek)
{
    const std::string fifo = dir / "pipe.bmp";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    const bytes file = make_bmp(bmp_size(2, 2));
    const pid_t writer = fork();
    if (writer == 0) {
        // The program opens the pipe for update, so it is a reader and a
        // writer at once: the open never blocks, and this writer never waits
        // for a reader either.
        const int fd = open(fifo.c_str(), O_RDWR);
        if (write(fd, file.data(), file.size()) != ssize_t(file.size()))
            _exit(1);
        sleep(2);
        _exit(0);
    }
    usleep(100 * 1000);
    const run_result r = convert(fifo, photo);
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, system_error("fseek to start of image data in BMP file", ESPIPE));
}

TEST_P(Cli, FullDeviceGivesStatusThree)
{
    for (const auto &f : {bmp_size(1, 1), bmp_size(4096, 256)}) {
        write_file(bmp, make_bmp(f));
        const run_result r = convert(bmp, "/dev/full");
        EXPECT_EQ(r.status, 3);
        const std::string write_msg = system_error("write data to output file", ENOSPC);
        const std::string close_msg = system_error("close output file", ENOSPC);
        EXPECT_TRUE(r.err == write_msg || r.err == close_msg || r.err == write_msg + close_msg) << r.err;
    }
}

TEST_P(Cli, FileSizeLimitLeavesThePartialPhotoFile)
{
    write_file(bmp, make_bmp(bmp_size(4096, 64), random_pixels(4096 * 64, 3)));
    constexpr rlim_t limit = 10000;
    const run_result r = convert(bmp, photo, [] {
        signal(SIGXFSZ, SIG_IGN);
        const struct rlimit rl = {limit, limit};
        setrlimit(RLIMIT_FSIZE, &rl);
    });
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err.rfind("write data to output file: ", 0), 0u) << r.err;
    const bytes out = read_file(photo);
    ASSERT_GT(out.size(), 4u);
    EXPECT_LE(out.size(), limit);
    EXPECT_EQ(bytes(out.begin(), out.begin() + 4), (bytes{0x00, 0x10, 64, 0}));
}

TEST_P(Cli, SameFileIsRefusedAndTheBmpKept)
{
    const bytes file = make_bmp(bmp_size(3, 3), random_pixels(9, 1));
    write_file(bmp, file);
    const std::string hard = dir / "hard.bmp";
    const std::string soft = dir / "soft.bmp";
    ASSERT_EQ(link(bmp.c_str(), hard.c_str()), 0);
    ASSERT_EQ(symlink("in.bmp", soft.c_str()), 0);
    const std::pair<std::string, std::string> pairs[] = {
        {bmp, bmp}, {bmp, dir.path + "/./in.bmp"}, {bmp, hard}, {bmp, soft}, {soft, bmp}, {hard, soft}};
    for (const auto &[in, out] : pairs) {
        const run_result r = convert(in, out);
        EXPECT_EQ(r.status, 2) << in << " " << out;
        EXPECT_EQ(r.err, in + " and " + out + " are the same file.\n");
        EXPECT_EQ(read_file(bmp), file);
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, Cli, testing::ValuesIn(programs),
                         [](const testing::TestParamInfo<program> &i) { return std::string(i.param.name); });

} // namespace
