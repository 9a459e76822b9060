// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// What a panel of a few colours can show is the mixtures of its entries'
// appearances (a dither mixes them, the eye blurs them). A colour outside
// that (an e-paper panel's is small: its white is grey, its green dark)
// is taken to the mixture that looks nearest to it by CIEDE2000 before
// the dither sees it. Error carried towards a colour no mixture reaches is
// never paid back: it piles up and comes out as specks, or as a whole area
// of the wrong colour (a bright green turning to the panel's grey white).
//
// The map is sampled on a 13 x 13 x 13 grid over sRGB and interpolated
// between its nodes in linear light; a node is worked out only when a
// picture has a colour beside it. The arithmetic is IEEE double with only
// +, -, x, / and square roots (no library functions, no fused
// multiply-adds: the file is built with -ffp-contract=off), so every host
// chooses the same mixtures and writes the same bytes.
#ifndef KESTROW_GAMUT_MAP_H
#define KESTROW_GAMUT_MAP_H

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include <kestrow/photo_file.h>

namespace gamut {

// Nodes along each channel. 17 came nearer on the bench by 1 to 2%, with
// 2.2 times the nodes, which took 21 ms more on a 1920 x 1080 photograph
// (a quarter more time in all).
inline constexpr unsigned grid_side = 13;
inline constexpr unsigned node_count = grid_side * grid_side * grid_side;

struct map_t {
    // The entries' appearances in linear light, 0 to 65535.
    int32_t entry[PHOTO_PALETTE_MAX][3];
    unsigned count;
    // Each node's mapped colour in linear light; `ready` once worked out.
    int32_t node[node_count][3];
    uint8_t ready[node_count];
};

// CIELAB (D65) of a colour in linear light, 0 to 1 a channel.
struct lab_t {
    double l, a, b;
};
lab_t lab(const double rgb[3]);

// The square of CIEDE2000 (kL = kC = kH = 1) between x and y: the
// difference the map finds the nearest mixture by.
double ciede2000_squared(const lab_t &x, const lab_t &y);

// Starts a map for entries whose appearances are `linear` (0 to 65535).
void map_init(map_t *m, const int32_t (*linear)[3], unsigned count);

// Works out every node the pixels of a BMP's pixel array (rows
// `row_width` bytes apart, blue, green, red) fall between.
void map_prepare(map_t *m, const uint8_t *img, size_t row_width, uint32_t width, uint32_t height);

// The nodes sit at sRGB 0, 21, ..., 231 and 255 along each channel.
inline constexpr unsigned node_step = 256 / (grid_side - 1);

inline constexpr unsigned node_srgb(unsigned i)
{
    return i == grid_side - 1 ? 255 : node_step * i;
}

inline unsigned node_index(unsigned r, unsigned g, unsigned b)
{
    return (r * grid_side + g) * grid_side + b;
}

// Each 8-bit level's cell (0 to grid_side - 2) and place in it, in 256ths.
struct place_t {
    uint8_t cell;
    uint16_t frac;
};

inline constexpr place_t place(unsigned v)
{
    const unsigned cell = std::min(v / node_step, grid_side - 2);
    const unsigned span = node_srgb(cell + 1) - node_srgb(cell);
    return {static_cast<uint8_t>(cell), static_cast<uint16_t>((v - node_step * cell) * 256 / span)};
}

struct place_table {
    place_t at[256];
    constexpr place_table() : at{}
    {
        for (unsigned v = 0; v < 256; v++)
            at[v] = place(v);
    }
};

inline constexpr place_table places;

// The mapped colour of one pixel (blue, green, red) in linear light, red,
// green, blue; its nodes must be prepared. Between the eight nodes around
// it, a colour lies in one of six tetrahedra (the order of its places
// along the three channels says which); its value is interpolated from
// that tetrahedron's four corners.
inline void map_pixel(const map_t *m, const uint8_t bgr[3], int32_t out[3])
{
    const place_t pr = places.at[bgr[2]], pg = places.at[bgr[1]], pb = places.at[bgr[0]];
    const int32_t(*n)[3] = &m->node[node_index(pr.cell, pg.cell, pb.cell)];
    constexpr unsigned dr = grid_side * grid_side, dg = grid_side, db = 1;
    const int32_t fr = pr.frac, fg = pg.frac, fb = pb.frac;
    // The corners it passes from the cell's first to its last: along the
    // channel of the largest place, then along the two largest.
    constexpr unsigned all = dr + dg + db;
    const unsigned first = fr >= fg ? (fr >= fb ? dr : db) : (fg >= fb ? dg : db);
    const unsigned second = all - (fr < fg ? (fr < fb ? dr : db) : (fg < fb ? dg : db));
    const int32_t f1 = std::max(fr, std::max(fg, fb)), f3 = std::min(fr, std::min(fg, fb)), f2 = fr + fg + fb - f1 - f3;
    const int32_t *c0 = n[0], *c1 = n[first], *c2 = n[second], *c3 = n[all];
    for (int c = 0; c < 3; c++)
        out[c] = ((256 - f1) * c0[c] + (f1 - f2) * c1[c] + (f2 - f3) * c2[c] + f3 * c3[c]) >> 8;
}

} // namespace gamut

#endif
