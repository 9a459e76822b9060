// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// bmpdither, bmpdither16 and bmpdither12 end to end: display colours only,
// kept exactly by the converters, flat areas keeping their light, no dots
// in black, the same bytes on every host and without a second thread, and
// photo2bmp's conventions.
#include "tools_support.h"

namespace {

// What this build writes for the picture in GivesTheSameBytesEveryRun...,
// as an FNV-1a digest. A change to the dithering changes them, on purpose.
constexpr uint64_t DITHER6_DIGEST = 0xa98b71d881a6cc18u;
constexpr uint64_t DITHER16_DIGEST = 0x98c63855fb0ec2d7u;
constexpr uint64_t DITHER12_DIGEST = 0x4d8712599464177eu;

// The dithering tools, one a display format.
struct dither_tool {
    const char *name;
    const char *path;
    const char *converter;
    unsigned bits[3];  // red, green, blue
};

void PrintTo(const dither_tool &t, std::ostream *os) { *os << t.name; }

const dither_tool dither_tools[] = {
    {"bmpdither", BMPDITHER_BIN, KESTROW_BIN, {2, 2, 2}},
    {"bmpdither16", BMPDITHER16_BIN, KESTROW16_BIN, {5, 6, 5}},
    // 12-bit VGA: dithered onto 4:4:4 and carried by a 16-bit photo file.
    {"bmpdither12", BMPDITHER12_BIN, KESTROW16_BIN, {4, 4, 4}},
};

// The 8-bit values a channel of `bits` bits shows.
std::vector<uint8_t> channel_levels(unsigned bits)
{
    std::vector<uint8_t> levels;
    for (unsigned v = 0; v < 1u << bits; v++)
        levels.push_back(bits == 2 ? widen2(v) : bits == 4 ? uint8_t(17 * v) : bits == 5 ? widen5(v) : widen6(v));
    return levels;
}

bool is_level(uint8_t v, unsigned bits)
{
    const auto levels = channel_levels(bits);
    return std::find(levels.begin(), levels.end(), v) != levels.end();
}

// Smooth ramps in all three channels, the pictures dithering is for.
std::vector<rgb> gradient_pixels(uint32_t w, uint32_t h)
{
    std::vector<rgb> px;
    for (uint32_t y = 0; y < h; y++)
        for (uint32_t x = 0; x < w; x++)
            px.push_back({uint8_t(255 * x / std::max(w - 1, 1u)), uint8_t(255 * y / std::max(h - 1, 1u)),
                          uint8_t((x + y) * 7)});
    return px;
}

// sRGB to linear light, as the eye adds light up.
double to_linear(uint8_t v)
{
    const double c = v / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

class Dither : public testing::TestWithParam<dither_tool> {
protected:
    temp_dir dir;
    std::string in = dir / "in.bmp";
    std::string out = dir / "out.bmp";

    run_result dither(const std::string &from, const std::string &to)
    {
        return run_program(GetParam().path, {GetParam().path, from, to});
    }
};

TEST_P(Dither, WritesOnlyDisplayColoursThatSurviveTheRoundTripExactly)
{
    const std::string photo = dir / "out.photo";
    const std::string shown = dir / "shown.bmp";
    // The widest three reach the ends of the rows of carried error.
    const std::pair<uint32_t, uint32_t> sizes[] = {{1, 1},  {2, 3},    {5, 4},    {17, 9},
                                                   {31, 2}, {333, 7}, {4094, 2}, {4095, 3}, {4096, 2}};
    for (const auto &[w, h] : sizes)
        for (const bool random : {false, true}) {
            SCOPED_TRACE(testing::Message() << w << " x " << h << (random ? " random" : " gradient"));
            const auto px = random ? random_pixels(size_t{w} * h, w + 977 * h) : gradient_pixels(w, h);
            write_file(in, make_bmp(bmp_size(w, h), px));
            const run_result r = dither(in, out);
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.err, "");
            const bytes dithered = read_file(out);
            for (const rgb &c : bmp_pixels(dithered, w, h))
                ASSERT_TRUE(is_level(c.r, GetParam().bits[0]) && is_level(c.g, GetParam().bits[1]) &&
                            is_level(c.b, GetParam().bits[2]))
                    << int(c.r) << " " << int(c.g) << " " << int(c.b);
            const char *conv = GetParam().converter;
            ASSERT_EQ(run_program(conv, {conv, out, photo}).status, 0);
            if (GetParam().bits[0] == 4) {
                // A 12-bit VGA shows the top four bits of each channel of
                // the 16-bit values: exactly the levels dithered.
                const bytes file = read_file(photo);
                const auto shown_px = bmp_pixels(dithered, w, h);
                ASSERT_EQ(file.size(), 4 + 2 * shown_px.size());
                for (size_t i = 0; i < shown_px.size(); i++) {
                    const unsigned v = file[4 + 2 * i] | unsigned{file[5 + 2 * i]} << 8;
                    const rgb top_bits = {widen4(v >> 12), widen4(v >> 7 & 15), widen4(v >> 1 & 15)};
                    ASSERT_EQ(top_bits, shown_px[i]) << i;
                }
                continue;
            }
            ASSERT_EQ(run_program(PHOTO2BMP_BIN, {PHOTO2BMP_BIN, photo, shown}).status, 0);
            EXPECT_EQ(read_file(shown), dithered) << "the display must show what was dithered";
        }
}

TEST_P(Dither, KeepsTheLightOfFlatAreas)
{
    // Over a flat field the light of the dithered pixels adds up to the
    // light asked for: that is what the error diffusion is for. Without it
    // every pixel takes the same nearest level, off by up to half a step.
    for (const uint8_t v : {uint8_t(40), uint8_t(100), uint8_t(188), uint8_t(230)}) {
        SCOPED_TRACE(int(v));
        constexpr uint32_t w = 64, h = 64;
        write_file(in, make_bmp(bmp_size(w, h), std::vector<rgb>(w * h, rgb{v, v, v})));
        ASSERT_EQ(dither(in, out).status, 0);
        double sum[3] = {};
        for (const rgb &c : bmp_pixels(read_file(out), w, h)) {
            sum[0] += to_linear(c.r);
            sum[1] += to_linear(c.g);
            sum[2] += to_linear(c.b);
        }
        for (const double s : sum)
            EXPECT_NEAR(s / (w * h), to_linear(v), 0.004);
    }
}

TEST_P(Dither, ScattersNoDotsIntoBlackOrNearBlack)
{
    // Isolated dots of the first level on a near-black sky are seen as
    // noise, not as a dark tone, and error carried into black makes them.
    // Pictures of 64 x 64; stars are single white pixels.
    constexpr uint32_t w = 64, h = 64;
    const std::pair<uint32_t, uint32_t> stars[] = {{5, 7}, {40, 12}, {22, 33}, {60, 60}, {9, 50}};
    const auto near_star = [&](uint32_t x, uint32_t y) {
        return std::any_of(std::begin(stars), std::end(stars), [&](const auto &s) {
            return std::max(x, s.first) - std::min(x, s.first) <= 2 && std::max(y, s.second) - std::min(y, s.second) <= 2;
        });
    };
    struct picture {
        const char *name;
        uint8_t field;        // the grey of everything but the lines and stars
        bool black_lines;     // a black row 20 and column 30
        bool with_stars;
        bool six_bit_only;    // 16-bit levels are fine enough to dither this
    };
    const picture pictures[] = {
        {"black lines across mid grey", 128, true, false, false},
        {"black lines across random-looking light", 200, true, false, false},
        {"a near-black sky", 12, false, false, true},
        {"stars on a near-black sky", 12, false, true, true},
        {"stars on black", 0, false, true, false},
    };
    const bool six_bit = GetParam().bits[0] == 2;  // 4:4:4 is fine enough too
    for (const picture &p : pictures) {
        if (p.six_bit_only && !six_bit)
            continue;
        SCOPED_TRACE(p.name);
        std::vector<rgb> px(w * h, rgb{p.field, p.field, p.field});
        for (uint32_t y = 0; y < h; y++)
            for (uint32_t x = 0; x < w; x++) {
                rgb &c = px[y * w + x];
                if (p.field == 200)  // some texture, so the error varies
                    c = rgb{uint8_t(190 + (x * 7 + y * 3) % 23), uint8_t(195 + (x * 5) % 19), uint8_t(185 + (y * 11) % 29)};
                if (p.black_lines && (x == 30 || y == 20))
                    c = rgb{0, 0, 0};
            }
        if (p.with_stars)
            for (const auto &[x, y] : stars)
                px[y * w + x] = rgb{255, 255, 255};
        write_file(in, make_bmp(bmp_size(w, h), px));
        ASSERT_EQ(dither(in, out).status, 0);
        const auto shown = bmp_pixels(read_file(out), w, h);
        for (uint32_t y = 0; y < h; y++)
            for (uint32_t x = 0; x < w; x++) {
                const rgb &want = px[y * w + x], &got = shown[y * w + x];
                const bool dark = want.r + want.g + want.b <= 3 * 12;
                if (!dark || (p.with_stars && near_star(x, y)))
                    continue;
                ASSERT_TRUE(got.r == 0 && got.g == 0 && got.b == 0)
                    << "a dot at " << x << ", " << y << ": " << int(got.r) << " " << int(got.g) << " " << int(got.b);
            }
    }
}

TEST_P(Dither, GivesTheSameBytesEveryRunAndOnEveryHost)
{
    // The digest pins this build's output for one picture; every host the
    // suite runs on, big- or little-endian, must write the same bytes.
    // Over 64 rows, so the picture is cut in two and the bands either side
    // of the cut warm up: every part of the scan counts towards the digest.
    write_file(in, make_bmp(bmp_size(123, 77), random_pixels(123 * 77, 2026)));
    ASSERT_EQ(dither(in, out).status, 0);
    const bytes first = read_file(out);
    ASSERT_EQ(dither(in, out).status, 0);
    EXPECT_EQ(read_file(out), first);
    uint64_t fnv = 0xcbf29ce484222325u;
    for (const uint8_t b : first)
        fnv = (fnv ^ b) * 0x100000001b3u;
    const unsigned bits = GetParam().bits[0];
    const uint64_t pinned = bits == 2 ? DITHER6_DIGEST : bits == 4 ? DITHER12_DIGEST : DITHER16_DIGEST;
    EXPECT_EQ(fnv, pinned) << std::hex << fnv;
}

// In a child: the real user dropped from root to nobody, then at most one
// process or thread for that user, so the dither's second thread cannot
// be started. (Set after the user changes, so the program itself still
// starts.)
void one_thread_only()
{
    drop_root();
    const struct rlimit rl = {1, 1};
    setrlimit(RLIMIT_NPROC, &rl);
}

void *nothing(void *) { return nullptr; }

// Whether one_thread_only() does keep a process from starting a thread.
bool threads_refused_here()
{
    const pid_t pid = fork();
    if (pid == 0) {
        one_thread_only();
        pthread_t t;
        _exit(pthread_create(&t, nullptr, nothing, nullptr) == 0 ? 1 : 0);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_P(Dither, WritesTheSameWithoutASecondThread)
{
    // The lower half of a picture is dithered on a thread of its own where
    // one can be had, and after the upper half where not: same bytes. So
    // too for a panel's palette, whose gamut map also shares out its work.
    KESTROW_SKIP_UNDER_SANITIZER_OR_EMULATOR("a limit on threads");
    KESTROW_NEED(threads_refused_here(), "a process limit does not stop threads here");
    write_file(in, make_bmp(bmp_size(201, 150), random_pixels(201 * 150, 77)));
    const std::string p = GetParam().path;
    std::vector<std::vector<std::string>> ways = {{}};
    if (std::string(GetParam().name) == "bmpdither")
        ways.push_back({"--palette", "spectra6"});
    const std::string alone = dir / "alone.bmp", reachable = reachable_by_nobody(p, dir);
    for (const auto &options : ways) {
        SCOPED_TRACE(options.empty() ? "the colour grid" : options[1]);
        std::vector<std::string> args = {p};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {in, out});
        ASSERT_EQ(run_program(p, args).status, 0);
        args.back() = alone;
        const run_result r = run_program(reachable, args, one_thread_only);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(read_file(alone), read_file(out));
    }
}

TEST_P(Dither, FollowsTheConventionsOfTheOtherTools)
{
    const bytes good = make_bmp(bmp_size(3, 2), random_pixels(6, 9));
    bytes truncated = good;
    truncated.pop_back();
    bmp_fields bpp8 = bmp_size(2, 2);
    bpp8.bits_per_pixel = 8;
    const bytes kept = {'o', 'l', 'd'};
    const std::string link_name = dir / "link.bmp";
    ASSERT_EQ(symlink("in.bmp", link_name.c_str()), 0);
    const std::string pictures = dir / "pictures";
    ASSERT_EQ(mkdir(pictures.c_str(), 0755), 0);
    // 64 rows of 12 KiB each: a limit of 100 000 bytes stops the writes in
    // the ninth row.
    const bytes big = make_bmp(bmp_size(4096, 64), random_pixels(4096 * 64, 3));
    const auto file_size_limit = [] {
        signal(SIGXFSZ, SIG_IGN);
        const struct rlimit rl = {100000, 100000};
        setrlimit(RLIMIT_FSIZE, &rl);
    };
    const std::string p = GetParam().path;
    struct convention {
        const char *name;
        bytes input;
        std::vector<std::string> args;
        int status;
        std::string message;
        bool output_kept;  // an existing output must be left as it was
        std::function<void()> setup = {};
        bool as_nobody = false;  // run the copy nobody can reach
    };
    const convention cases[] = {
        {"usage", good, {in}, 2, "usage: " + p + " <BMP file name> <output file>\n", true},
        {"missing input", good, {dir / "none.bmp", out}, 2, std::string("open BMP file: ") + strerror(ENOENT) + "\n", true},
        {"same file", good, {in, link_name}, 2, in + " and " + link_name + " are the same file.\n", true},
        {"not a BMP", {'G', 'I', 'F'}, {in, out}, 2, in + " does not appear to be a BMP file.\n", true},
        {"8-bit", make_bmp(bpp8), {in, out}, 2, in + " must be 24-bit-color on one plane with no compression.\n", true},
        {"truncated", truncated, {in, out}, 2, std::string("allocate and read image: ") + strerror(ENODATA) + "\n", true},
        {"output unopenable", good, {in, dir / "no/out.bmp"}, 2, std::string("open output file: ") + strerror(ENOENT) + "\n", true},
        {"full device", good, {in, "/dev/full"}, 3, std::string("close output file: ") + strerror(ENOSPC) + "\n", true},
        {"a directory", good, {pictures, out}, 2, pictures + " is not a BMP file: it is a directory.\n", true},
        // A failed row write is reported once and ends the run.
        {"row write fails", big, {in, out}, 3, std::string("write BMP file: ") + strerror(EFBIG) + "\n", false, file_size_limit},
        // Only read, so a read-only BMP will do (tried as "nobody").
        {"read-only input", good, {in, out}, 0, "", false, drop_root, true},
    };
    const std::string nobody_copy = reachable_by_nobody(p, dir);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        write_file(in, c.input);
        write_file(out, kept);
        chmod(in.c_str(), c.setup ? 0444 : 0644);
        chmod(out.c_str(), 0666);
        std::vector<std::string> argv = {p};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const run_result r = run_program(c.as_nobody ? nobody_copy : p, argv, c.setup);
        KESTROW_NEED(r.status != 99, "cannot drop root privileges here");
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(read_file(in), c.input) << "the input must not change";
        if (c.output_kept) {
            EXPECT_EQ(read_file(out), kept);
        } else {
            EXPECT_NE(read_file(out), kept);
        }
    }
}

TEST_P(Dither, AFailedStateAllocationIsReported)
{
    KESTROW_SKIP_UNDER_SANITIZER_OR_EMULATOR("an address-space limit");
    // The pixel array (3 MiB) is loaded first, the dither state (a few
    // hundred KiB) after it. Between the least address space that loads
    // the pixels and the least that also holds the state lies a limit at
    // which the state alone fails: found by bisection, as it depends on how
    // the program and its libraries are laid out.
    write_file(in, make_bmp(bmp_size(1024, 1024)));
    const std::string p = GetParam().path;
    const auto run_under = [&](rlim_t limit) {
        unlink(out.c_str());
        return run_program(p, {p, in, out}, [limit] {
            const struct rlimit rl = {limit, limit};
            setrlimit(RLIMIT_AS, &rl);
        });
    };
    const std::string image_fails = std::string("allocate and read image: ") + strerror(ENOMEM) + "\n";
    // Past the pixel array: any run that did not fail before it.
    const auto got_past_pixels = [&](const run_result &r) { return r.status == 0 || r.err != image_fails; };
    rlim_t low = rlim_t{4} << 20, high = rlim_t{1} << 30;
    ASSERT_FALSE(got_past_pixels(run_under(low))) << "the program runs in 4 MiB";
    ASSERT_EQ(run_under(high).status, 0);
    while (high - low > 4096) {
        const rlim_t mid = low + (high - low) / 2;
        (got_past_pixels(run_under(mid)) ? high : low) = mid;
    }
    const run_result r = run_under(high);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, std::string("allocate dither state: ") + strerror(ENOMEM) + "\n");
    EXPECT_FALSE(file_exists(out)) << "the output is opened only after the state is had";
}

INSTANTIATE_TEST_SUITE_P(Tools, Dither, testing::ValuesIn(dither_tools),
                         [](const testing::TestParamInfo<dither_tool> &i) { return std::string(i.param.name); });

} // namespace
