// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Panels of a few colours end to end: bmpdither --palette onto every
// built-in palette and a user's file, kestrow carrying it, photo2bmp
// --palette showing each entry as the panel does, photo2raw packing the
// panel's numbers as the reader does; and what each refuses.
#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <kestrow/photo_file.h>

#include "bmp_builder.h"
#include "process_support.h"

namespace {

using bytes = std::vector<uint8_t>;

const photo_palette_t builtins[] = {PHOTO_PALETTES};

double linear(uint8_t v)
{
    const double c = v / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// A photo file's values, top row first.
bytes top_first_values(const bytes &photo)
{
    const uint32_t w = uint32_t{photo[0]} | uint32_t{photo[1]} << 8, h = uint32_t{photo[2]} | uint32_t{photo[3]} << 8;
    bytes v;
    for (uint32_t y = h; y-- > 0;)
        v.insert(v.end(), photo.begin() + 4 + y * w, photo.begin() + 4 + (y + 1) * w);
    return v;
}

// A 24-bit BMP's pixels, top row first (bottom-up rows of 4-byte multiples).
std::vector<rgb> top_first_pixels(const bytes &bmp, uint32_t w, uint32_t h)
{
    std::vector<rgb> px;
    const uint32_t row = test_row_width(w);
    for (uint32_t y = h; y-- > 0;)
        for (uint32_t x = 0; x < w; x++) {
            const uint8_t *p = &bmp[54 + size_t{row} * y + 3 * x];
            px.push_back({p[2], p[1], p[0]});
        }
    return px;
}

// CIELAB (D65) of a colour in linear light, and CIEDE2000 as its
// authors give it (Sharma, Wu and Dalal, 2005), written apart from the
// dither's own so that each checks the other.
struct lab {
    double l, a, b;
};

lab lab_of_linear(std::array<double, 3> rgb)
{
    const double m[3][3] = {{0.4124564 / 0.95047, 0.3575761 / 0.95047, 0.1804375 / 0.95047},
                            {0.2126729, 0.7151522, 0.0721750},
                            {0.0193339 / 1.08883, 0.1191920 / 1.08883, 0.9503041 / 1.08883}};
    double f[3];
    for (int i = 0; i < 3; i++) {
        const double t = m[i][0] * rgb[0] + m[i][1] * rgb[1] + m[i][2] * rgb[2];
        f[i] = t > 216.0 / 24389 ? std::cbrt(t) : t * 24389.0 / 27 / 116 + 16.0 / 116;
    }
    return {116 * f[1] - 16, 500 * (f[0] - f[1]), 200 * (f[1] - f[2])};
}

double ciede2000(const lab &x, const lab &y)
{
    const double pi = std::acos(-1.0), deg = pi / 180;
    const double cbar = (std::hypot(x.a, x.b) + std::hypot(y.a, y.b)) / 2;
    const double g = 0.5 * (1 - std::sqrt(std::pow(cbar, 7) / (std::pow(cbar, 7) + std::pow(25.0, 7))));
    const double a1 = x.a * (1 + g), a2 = y.a * (1 + g), c1 = std::hypot(a1, x.b), c2 = std::hypot(a2, y.b);
    auto hue = [&](double b, double a) { return a == 0 && b == 0 ? 0 : std::fmod(std::atan2(b, a) / deg + 360, 360); };
    const double h1 = hue(x.b, a1), h2 = hue(y.b, a2);
    double dh = 0, hbar = h1 + h2;
    if (c1 * c2 != 0) {
        dh = h2 - h1;
        dh += dh > 180 ? -360 : dh < -180 ? 360 : 0;
        hbar = std::abs(h1 - h2) <= 180 ? hbar / 2 : hbar < 360 ? (hbar + 360) / 2 : (hbar - 360) / 2;
    }
    const double dH = 2 * std::sqrt(c1 * c2) * std::sin(dh / 2 * deg), cpbar = (c1 + c2) / 2;
    const double t = 1 - 0.17 * std::cos((hbar - 30) * deg) + 0.24 * std::cos(2 * hbar * deg) +
                     0.32 * std::cos((3 * hbar + 6) * deg) - 0.20 * std::cos((4 * hbar - 63) * deg);
    const double lbar = (x.l + y.l) / 2 - 50;
    const double sl = 1 + 0.015 * lbar * lbar / std::sqrt(20 + lbar * lbar), sc = 1 + 0.045 * cpbar,
                 sh = 1 + 0.015 * cpbar * t;
    const double rt = -2 * std::sqrt(std::pow(cpbar, 7) / (std::pow(cpbar, 7) + std::pow(25.0, 7))) *
                      std::sin(60 * std::exp(-std::pow((hbar - 275) / 25, 2)) * deg);
    const double tl = (y.l - x.l) / sl, tc = (c2 - c1) / sc, th = dH / sh;
    return std::sqrt(tl * tl + tc * tc + th * th + rt * tc * th);
}

class Palette : public testing::Test {
protected:
    temp_dir dir;
    std::string in = dir / "in.bmp", dithered = dir / "dithered.bmp", photo = dir / "in.photo",
                shown = dir / "shown.bmp", raw = dir / "out.raw";

    // bmpdither --palette, then kestrow; the photo file's values.
    bytes dither_and_convert(const char *palette, uint32_t w, uint32_t h, const std::vector<rgb> &px)
    {
        write_file(in, make_bmp(bmp_size(w, h), px));
        run_result r = run_program(BMPDITHER_BIN, {BMPDITHER_BIN, "--palette", palette, in, dithered});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        r = run_program(KESTROW_BIN, {KESTROW_BIN, dithered, photo});
        EXPECT_EQ(r.status, 0) << r.err;
        return read_file(photo);
    }
};

TEST_F(Palette, EveryBuiltInFromDitherToPreviewAndPanelBytes)
{
    const std::map<std::string, std::vector<std::pair<const char *, photo_packing_t>>> packings = {
        {"mono", {{"1bpp", PHOTO_PACK_1BPP}, {"ssd1306", PHOTO_PACK_PAGES}}},
        {"gray4", {{"2bpp", PHOTO_PACK_2BPP}}},
        {"bwr", {{"planes", PHOTO_PACK_PLANES}}},
        {"bwy", {{"planes", PHOTO_PACK_PLANES}}},
        {"acep7", {{"4bpp", PHOTO_PACK_4BPP}}},
        {"spectra6", {{"4bpp", PHOTO_PACK_4BPP}}},
    };
    constexpr uint32_t w = 37, h = 21;
    const std::vector<rgb> px = random_pixels(w * h, 39);
    for (const photo_palette_t &pal : builtins) {
        SCOPED_TRACE(pal.name);
        const bytes file = dither_and_convert(pal.name, w, h, px);
        ASSERT_EQ(file.size(), 4 + w * h);
        // Every pixel is an entry; the preview shows that entry's
        // appearance at the same place.
        ASSERT_EQ(run_program(PHOTO2BMP_BIN, {PHOTO2BMP_BIN, "--palette", pal.name, photo, shown}).status, 0);
        const std::vector<rgb> seen = top_first_pixels(read_file(shown), w, h);
        const bytes values = top_first_values(file);
        std::map<uint8_t, int> used;
        for (size_t i = 0; i < values.size(); i++) {
            const photo_palette_entry_t *e = nullptr;
            for (unsigned k = 0; k < pal.count; k++)
                if (pal.entry[k].value == values[i])
                    e = &pal.entry[k];
            ASSERT_NE(e, nullptr) << "value " << int(values[i]) << " at " << i;
            EXPECT_EQ(seen[i], (rgb{e->red, e->green, e->blue})) << i;
            used[values[i]]++;
        }
        // Random colours need every entry.
        EXPECT_EQ(used.size(), pal.count);
        // The panel's bytes are the reader's, for every packing it takes.
        photo_file_t p;
        ASSERT_EQ(photo_open_memory(&p, file.data(), file.size()), 0);
        for (const auto &[format, packing] : packings.at(pal.name)) {
            SCOPED_TRACE(format);
            bytes want, row(photo_packed_bytes(&p, packing));
            for (unsigned plane = 0; plane < (packing == PHOTO_PACK_PLANES ? 2u : 1u); plane++)
                for (uint32_t y = 0; y < h; y += packing == PHOTO_PACK_PAGES ? 8 : 1) {
                    ASSERT_EQ(photo_read_packed(&p, &pal, packing, y, plane, row.data()), 0);
                    want.insert(want.end(), row.begin(), row.end());
                }
            const run_result r = run_program(PHOTO2RAW_BIN, {PHOTO2RAW_BIN, "--palette", pal.name, photo, raw, format});
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(read_file(raw), want);
        }
    }
}

TEST_F(Palette, TheSameBytesOnEveryHost)
{
    // Every host (and the page's WebAssembly) writes these bytes: the
    // dither is integers, and the gamut map's floating point is only
    // +, -, x, / and square roots, unfused. A change to the palette
    // dither changes them, on purpose.
    const struct {
        const char *palette;
        uint64_t digest;
    } pinned[] = {{"mono", 7588570475767187738u}, {"bwr", 7844378595073274636u}, {"spectra6", 17337525449925649997u}};
    // Tall enough to be cut in halves, done side by side.
    constexpr uint32_t w = 61, h = 67;
    for (const auto &p : pinned) {
        SCOPED_TRACE(p.palette);
        const bytes file = dither_and_convert(p.palette, w, h, random_pixels(w * h, 5));
        uint64_t fnv = 0xcbf29ce484222325u;
        for (const uint8_t b : file)
            fnv = (fnv ^ b) * 0x100000001b3u;
        EXPECT_EQ(fnv, p.digest) << std::hex << fnv;
    }
}

TEST_F(Palette, FlatAreasLookAsNearAsTheMixturesAllow)
{
    // Over a flat field, what the panel shows (its mean in linear light,
    // as the eye mixes it) must look nearer the colour asked for than any
    // one entry does, and match it where a mixture can: greys on mono and
    // spectra6. A green, an orange or a blue beyond the panel's colours
    // once came out as a field of grey white with specks.
    const struct {
        const char *palette;
        rgb asked;
        bool reachable;
    } fields[] = {
        {"mono", {60, 60, 60}, true},        {"mono", {120, 120, 120}, true},
        {"gray4", {60, 60, 60}, false},      {"gray4", {120, 120, 120}, false},
        {"spectra6", {60, 60, 60}, true},    {"spectra6", {120, 120, 120}, true},
        {"spectra6", {140, 200, 70}, false}, {"spectra6", {255, 140, 40}, false},
        {"bwr", {255, 140, 40}, false},      {"bwr", {80, 120, 200}, false},
        {"bwy", {140, 200, 70}, false},      {"acep7", {140, 200, 70}, false},
    };
    constexpr uint32_t w = 96, h = 96;
    for (const auto &f : fields) {
        SCOPED_TRACE(testing::Message() << f.palette << " at " << int(f.asked.r) << ", " << int(f.asked.g) << ", "
                                        << int(f.asked.b));
        dither_and_convert(f.palette, w, h, std::vector<rgb>(w * h, f.asked));
        ASSERT_EQ(run_program(PHOTO2BMP_BIN, {PHOTO2BMP_BIN, "--palette", f.palette, photo, shown}).status, 0);
        // Away from the top and bottom, where each half's scan settles.
        constexpr uint32_t edge = 16;
        const std::vector<rgb> seen_px = top_first_pixels(read_file(shown), w, h);
        double mean[3] = {};
        for (uint32_t y = edge; y < h - edge; y++)
            for (uint32_t x = 0; x < w; x++)
                for (int i = 0; i < 3; i++)
                    mean[i] += linear((&seen_px[y * w + x].r)[i]) / (w * (h - 2 * edge));
        const lab asked = lab_of_linear({linear(f.asked.r), linear(f.asked.g), linear(f.asked.b)});
        const double seen = ciede2000(asked, lab_of_linear({mean[0], mean[1], mean[2]}));
        double one_entry = 1e9;
        const photo_palette_t *pal = nullptr;
        for (const photo_palette_t &p : builtins)
            if (std::string(p.name) == f.palette)
                pal = &p;
        for (unsigned k = 0; k < pal->count; k++) {
            const photo_palette_entry_t &e = pal->entry[k];
            one_entry = std::min(one_entry, ciede2000(asked, lab_of_linear({linear(e.red), linear(e.green), linear(e.blue)})));
        }
        EXPECT_LT(seen, f.reachable ? 1.5 : one_entry - 1) << "the nearest entry alone is " << one_entry;
    }
}

TEST_F(Palette, NoRowsAreLeftEmptyOverADarkTone)
{
    // On mono a dark grey is white dots far apart. A scan that starts with
    // the same error at every pixel leaves rows empty, then fills one, for
    // tens of rows: at the picture's top and bottom, where the halves'
    // scans start, and started at the cut between them, across the
    // picture. Past the first 8 rows of each edge, every four rows keep at
    // least half the light that four rows have on average in the middle.
    for (const uint32_t h : {200u, 301u})
        for (const uint8_t grey : {uint8_t(50), uint8_t(70)}) {
            SCOPED_TRACE(testing::Message() << h << " rows of grey " << int(grey));
            constexpr uint32_t w = 128;
            const bytes values = top_first_values(dither_and_convert("mono", w, h, std::vector<rgb>(w * h, {grey, grey, grey})));
            std::vector<double> whites(h);
            for (size_t i = 0; i < values.size(); i++)
                whites[i / w] += values[i] != 0;
            double four = 0;
            for (uint32_t y = h / 4; y < h - h / 4; y++)
                four += 4 * whites[y] / (h - h / 4 - h / 4);
            for (uint32_t y = 8; y + 4 + 8 <= h; y++)
                ASSERT_GE(whites[y] + whites[y + 1] + whites[y + 2] + whites[y + 3], four / 2)
                    << "rows " << y << " to " << y + 3;
        }
}

TEST_F(Palette, BadPalettesAndValuesAreRefusedWithWhereAndWhy)
{
    const std::string file = dir / "panel.txt";
    const struct {
        const char *text;
        std::string message;
    } files[] = {
        {"000000 1A0E23 0\nFF1000 770C02 3\n", file + ":2: FF1000 is not a 6-bit colour: each channel must be 00, 55, AA or FF.\n"},
        {"000000 1A0E23 0\n# red twice\nFF0000 770C02 3\nFF0000 770C02 4\n",
         file + ":4: FF0000 is already the colour of line 3.\n"},
        {"000000 1A0E23 0\nFF0000 770C02\n",
         file + ":2: not a palette entry: give the colour, the colour the panel shows and the panel's number, as in "
                "FF0000 770C02 3.\n"},
        {"000000 1A0E23 0\nFFFFFF B4C5CA 16\n", file + ":2: 16 is not a panel's number: give 0 to 15.\n"},
        {"000000 1A0E23 0   # only one\n", file + ": a palette needs at least two entries.\n"},
    };
    write_file(in, make_bmp(bmp_size(3, 2), random_pixels(6, 1)));
    for (const auto &f : files) {
        SCOPED_TRACE(f.text);
        write_file(file, bytes(f.text, f.text + strlen(f.text)));
        const run_result r = run_program(BMPDITHER_BIN, {BMPDITHER_BIN, "--palette", file, in, dithered});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, f.message);
        EXPECT_FALSE(file_exists(dithered));
    }
    run_result r = run_program(BMPDITHER_BIN, {BMPDITHER_BIN, "--palette", "sepia", in, dithered});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "sepia is not a palette: give mono, gray4, bwr, bwy, acep7, spectra6 or a palette file.\n");

    // A user's own palette: its measured colours in the preview, its
    // numbers in the panel's bytes.
    const char *own = "# a measured frame\n000000 201020 9\r\nFFFFFF C0C0B0 4\n";
    write_file(file, bytes(own, own + strlen(own)));
    dither_and_convert(file.c_str(), 3, 1, {{0, 0, 0}, {255, 255, 255}, {0, 0, 0}});
    r = run_program(PHOTO2RAW_BIN, {PHOTO2RAW_BIN, "--palette", file, photo, raw, "4bpp"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(raw), (bytes{0x94, 0x90}));
    ASSERT_EQ(run_program(PHOTO2BMP_BIN, {PHOTO2BMP_BIN, "--palette", file, photo, shown}).status, 0);
    EXPECT_EQ(top_first_pixels(read_file(shown), 3, 1), (std::vector<rgb>{{32, 16, 32}, {192, 192, 176}, {32, 16, 32}}));

    // As many entries as a panel's numbers allow (16): a random picture
    // takes every one, and nothing else.
    std::string sixteen;
    const char *hex = "0055AAFF";
    for (int i = 0; i < 16; i++) {
        const char nominal[] = {hex[2 * (i & 3)], hex[2 * (i & 3) + 1], hex[2 * (i >> 2)], hex[2 * (i >> 2) + 1], 'A', 'A'};
        sixteen += std::string(nominal, 6) + " " + std::string(nominal, 6).replace(4, 2, "80") + " " +
                   std::to_string(i) + "\n";
    }
    write_file(file, bytes(sixteen.begin(), sixteen.end()));
    const bytes values = top_first_values(dither_and_convert(file.c_str(), 64, 64, random_pixels(64 * 64, 16)));
    std::map<uint8_t, int> used;
    for (const uint8_t v : values)
        used[v]++;
    EXPECT_EQ(used.size(), 16u);
    for (const auto &[v, n] : used)
        EXPECT_EQ(v & 3, 2) << int(v) << " is not an entry";  // every entry's blue is AA

    // A value the palette lacks is refused with its place, before the
    // output is opened; so is a 16-bit picture, and a palette whose
    // numbers the packing cannot hold.
    write_file(photo, {2, 0, 2, 0, 0x00, 0x3F, 0x3F, 0x30});  // red at 1, 0 (the top row is stored last)
    const std::string said = photo + ": the pixel at 1, 0 (from the top left) is 0x30, which mono does not have.\n";
    r = run_program(PHOTO2BMP_BIN, {PHOTO2BMP_BIN, "--palette", "mono", photo, shown + "2"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, said);
    EXPECT_FALSE(file_exists(shown + "2"));
    r = run_program(PHOTO2RAW_BIN, {PHOTO2RAW_BIN, "--palette", "mono", photo, raw + "2", "1bpp"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, said);
    EXPECT_FALSE(file_exists(raw + "2"));
    r = run_program(PHOTO2RAW_BIN, {PHOTO2RAW_BIN, "--palette", "spectra6", photo, raw + "2", "planes"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "spectra6 has the number 3, and planes holds 0 to 2.\n");
    r = run_program(PHOTO2RAW_BIN, {PHOTO2RAW_BIN, photo, raw + "2", "ssd1306"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "ssd1306 needs --palette NAME: the palette the picture was dithered onto.\n");
    write_file(photo, {1, 0, 1, 0, 0xFF, 0xFF});
    r = run_program(PHOTO2BMP_BIN, {PHOTO2BMP_BIN, "--palette", "mono", photo, shown + "2"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, photo + " is 16-bit: a picture for mono is a 6-bit one (bmpdither --palette mono, then kestrow).\n");
}

} // namespace
