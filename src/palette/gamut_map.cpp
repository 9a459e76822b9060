// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
#include "gamut_map.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "halves.h"
#include "srgb_table.h"

namespace gamut {
namespace {

double square(double x)
{
    return x * x;
}

// Newton's method for t from (6/29)^3 to about 1, from chords through the
// root that are within 5% of it: two steps leave less than 1e-5.
double cube_root(double t)
{
    double y = t < 0.1 ? (t < 0.03 ? 0.206897 + 4.910562 * (t - 0.00886) : 0.310723 + 2.191938 * (t - 0.03))
                       : (t < 0.3 ? 0.464159 + 1.026370 * (t - 0.1) : 0.669433 + 0.453559 * (t - 0.3));
    for (int i = 0; i < 2; i++)
        y = (2 * y + t / (y * y)) * (1.0 / 3);
    return y;
}

double lab_f(double t)
{
    return t > 216.0 / 24389 ? cube_root(t) : t * (24389.0 / 27 / 116) + 16.0 / 116;
}

} // namespace

lab_t lab(const double rgb[3])
{
    const double r = rgb[0], g = rgb[1], b = rgb[2];
    const double fx = lab_f((0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047);
    const double fy = lab_f(0.2126729 * r + 0.7151522 * g + 0.0721750 * b);
    const double fz = lab_f((0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883);
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

namespace {

// atan(z) in radians for |z| up to about 1.25: halved once (to at most
// 0.48), then nine terms of its series.
double arctan(double z)
{
    const double h = z / (1 + std::sqrt(1 + z * z)), q = h * h;
    const double series =
        1 - q * (1.0 / 3 - q * (1.0 / 5 - q * (1.0 / 7 - q * (1.0 / 9 - q * (1.0 / 11 - q * (1.0 / 13 - q * (1.0 / 15 - q * (1.0 / 17))))))));
    return 2 * h * series;
}

// e^-q for q from 0 to 16: the series at q / 64, squared six times.
double exp_minus(double q)
{
    const double x = q * (1.0 / 64);
    double e = 1 - x * (1 - x * (1.0 / 2) * (1 - x * (1.0 / 3) * (1 - x * (1.0 / 4) * (1 - x * (1.0 / 5) * (1 - x * (1.0 / 6))))));
    for (int i = 0; i < 6; i++)
        e *= e;
    return e;
}

// sin(x) for x from 0 to about 1.1 radians.
double sine(double x)
{
    const double q = x * x;
    return x * (1 - q * (1.0 / 6) *
                        (1 - q * (1.0 / 20) * (1 - q * (1.0 / 42) * (1 - q * (1.0 / 72) * (1 - q * (1.0 / 110) * (1 - q * (1.0 / 156)))))));
}

constexpr double pi = 3.14159265358979323846;

// sqrt(c^7 / (c^7 + 25^7)): how far CIEDE2000 takes chroma as chroma.
double chroma_weight(double c)
{
    const double c7 = c * c * c * c * c * c * c;
    return std::sqrt(c7 / (c7 + 6103515625.0));
}

} // namespace

// Hue angles appear only through their cosines and sines, worked out from
// a and b, so only the blue term's distance from 275 degrees needs an
// arctangent.
double ciede2000_squared(const lab_t &x, const lab_t &y)
{
    const double g = 0.5 * (1 - chroma_weight((std::sqrt(x.a * x.a + x.b * x.b) +
                                               std::sqrt(y.a * y.a + y.b * y.b)) / 2));
    const double a1 = x.a * (1 + g), a2 = y.a * (1 + g);
    const double c1 = std::sqrt(a1 * a1 + x.b * x.b), c2 = std::sqrt(a2 * a2 + y.b * y.b);
    // Each hue as a unit vector (a hue of no chroma is 0 degrees).
    const double r1 = c1 > 0 ? 1 / c1 : 0, r2 = c2 > 0 ? 1 / c2 : 0;
    const double u1x = c1 > 0 ? a1 * r1 : 1, u1y = x.b * r1;
    const double u2x = c2 > 0 ? a2 * r2 : 1, u2y = y.b * r2;
    double dh = 0, mx, my;  // the hue difference, and the mean hue's vector
    if (c1 * c2 == 0) {
        mx = c1 > 0 ? u1x : u2x, my = c1 > 0 ? u1y : u2y;
    } else {
        const double cos_d = u1x * u2x + u1y * u2y, sin_d = u1x * u2y - u1y * u2x;
        const double half = std::sqrt(std::max(0.0, (1 - cos_d) / 2));
        dh = 2 * std::sqrt(c1 * c2) * (sin_d < 0 ? -half : half);
        // The mean of two hues is the bisector of the shorter arc.
        const double sx = u1x + u2x, sy = u1y + u2y, n = std::sqrt(sx * sx + sy * sy);
        if (n > 1e-12)
            mx = sx * (1 / n), my = sy * (1 / n);
        else
            mx = -u1y, my = u1x;
    }
    const double c2h = mx * mx - my * my, s2h = 2 * mx * my;
    const double c3h = mx * (4 * mx * mx - 3), s3h = my * (3 - 4 * my * my);
    const double c4h = 2 * c2h * c2h - 1, s4h = 2 * s2h * c2h;
    const double t = 1 - 0.17 * (mx * 0.8660254037844386 + my * 0.5) + 0.24 * c2h +
                     0.32 * (c3h * 0.9945218953682733 - s3h * 0.10452846326765347) -
                     0.20 * (c4h * 0.45399049973954675 + s4h * 0.8910065241883679);
    const double cbar = (c1 + c2) / 2, lbar = (x.l + y.l) / 2 - 50;
    const double sl = 1 + 0.015 * lbar * lbar / std::sqrt(20 + lbar * lbar);
    const double sc = 1 + 0.045 * cbar, sh = 1 + 0.015 * cbar * t;
    const double tl = (y.l - x.l) / sl, tc = (c2 - c1) / sc, th = dh / sh;
    // Blues: the mean hue's angle from 275 degrees, as sine and cosine.
    double rt = 0;
    const double cd = mx * 0.08715574274765817 - my * 0.9961946980917455;
    const double sd = my * 0.08715574274765817 + mx * 0.9961946980917455;
    if (cd > -0.2) {
        const double degrees = 2 * arctan(sd / (std::sqrt(sd * sd + cd * cd) + cd)) * (180 / pi);
        const double q = square(degrees * (1.0 / 25));
        if (q < 16)
            rt = -2 * chroma_weight(cbar) * sine(2 * 30 * exp_minus(q) * (pi / 180));
    }
    return tl * tl + tc * tc + th * th + rt * tc * th;
}

namespace {

int32_t node_level(unsigned i)
{
    return srgb_to_linear[node_srgb(i)];
}

// The nearest mixture is searched on weights in 512ths of the coarse
// grid's step: first every point of a coarse grid over the mixtures, then
// moves of weight from one entry to another.
struct search_t {
    const map_t *m;
    unsigned steps;   // the coarse grid: weights in steps-ths
    unsigned total;   // the fine weights' sum
    unsigned coarse_count;
    unsigned coarse_weight[64][PHOTO_PALETTE_MAX];
    lab_t coarse_lab[64];

    void mix(const unsigned *w, double out[3]) const
    {
        for (int c = 0; c < 3; c++) {
            double s = 0;
            for (unsigned i = 0; i < m->count; i++)
                s += static_cast<double>(w[i]) * m->entry[i][c];
            out[c] = s / (static_cast<double>(total) * srgb_linear_one);
        }
    }

    double distance(const lab_t &want, const unsigned *w) const
    {
        double rgb[3];
        mix(w, rgb);
        return ciede2000_squared(want, lab(rgb));
    }

    void add_coarse(unsigned *w, unsigned i, unsigned left)
    {
        if (i + 1 == m->count) {
            w[i] = left;
            std::copy(w, w + m->count, coarse_weight[coarse_count]);
            double rgb[3];
            unsigned fine[PHOTO_PALETTE_MAX];
            for (unsigned k = 0; k < m->count; k++)
                fine[k] = coarse_weight[coarse_count][k] * (total / steps);
            mix(fine, rgb);
            coarse_lab[coarse_count++] = lab(rgb);
            return;
        }
        for (unsigned v = 0; v <= left; v++) {
            w[i] = v;
            add_coarse(w, i + 1, left - v);
        }
    }

    explicit search_t(const map_t *map) : m(map), steps(1), total(512), coarse_count(0)
    {
        // The finest coarse grid of at most 64 points.
        auto points = [&](unsigned s) {
            unsigned long n = 1;
            for (unsigned k = 1; k < m->count; k++)
                n = n * (s + k) / k;
            return n;
        };
        while (points(steps + 1) <= 64)
            steps++;
        total = 512 * steps;
        unsigned w[PHOTO_PALETTE_MAX] = {};
        add_coarse(w, 0, steps);
    }

    // Moves weight from one entry to another while that looks nearer,
    // a quarter of the move at each pass. (More starts, a finer last move
    // or a finer coarse grid found mixtures nearer by a tenth of a unit on
    // average, at twice the time.)
    void refine(const lab_t &want, unsigned *w, double best) const
    {
        for (unsigned move = 128; move >= 32; move /= 4) {
            for (int round = 0; round < 4; round++) {
                unsigned from = 0, to = 0;
                double found = best;
                for (unsigned i = 0; i < m->count; i++) {
                    if (w[i] < move)
                        continue;
                    for (unsigned j = 0; j < m->count; j++) {
                        if (j == i)
                            continue;
                        w[i] -= move, w[j] += move;
                        const double d = distance(want, w);
                        w[i] += move, w[j] -= move;
                        if (d < found)
                            found = d, from = i, to = j;
                    }
                }
                if (!(found < best))
                    break;
                best = found;
                w[from] -= move, w[to] += move;
            }
        }
    }

    // From the nearest point of the coarse grid, then moves.
    void nearest(const lab_t &want, unsigned *w) const
    {
        unsigned start = 0;
        double best = 1e300;
        for (unsigned i = 0; i < coarse_count; i++) {
            const double d = ciede2000_squared(want, coarse_lab[i]);
            if (d < best)
                best = d, start = i;
        }
        for (unsigned k = 0; k < m->count; k++)
            w[k] = coarse_weight[start][k] * (total / steps);
        refine(want, w, best);
    }
};

void work_out(map_t *m, const search_t &search, unsigned index)
{
    const unsigned r = index / (grid_side * grid_side), g = index / grid_side % grid_side, b = index % grid_side;
    const double rgb[3] = {node_level(r) / double{srgb_linear_one}, node_level(g) / double{srgb_linear_one},
                           node_level(b) / double{srgb_linear_one}};
    unsigned w[PHOTO_PALETTE_MAX];
    search.nearest(lab(rgb), w);
    double mixed[3];
    search.mix(w, mixed);
    for (int c = 0; c < 3; c++)
        m->node[index][c] = static_cast<int32_t>(mixed[c] * srgb_linear_one + 0.5);
    m->ready[index] = 1;
}

// Every other node of a list, from `first`.
struct nodes_t {
    map_t *m;
    const search_t *search;
    const unsigned *index;
    unsigned count, first;
};

void work_out_nodes(void *nodes)
{
    const nodes_t *n = static_cast<const nodes_t *>(nodes);
    for (unsigned i = n->first; i < n->count; i += 2)
        work_out(n->m, *n->search, n->index[i]);
}

} // namespace

void map_init(map_t *m, const int32_t (*linear)[3], unsigned count)
{
    m->count = std::min(count, unsigned{PHOTO_PALETTE_MAX});
    for (unsigned i = 0; i < m->count; i++)
        std::copy(linear[i], linear[i] + 3, m->entry[i]);
    memset(m->ready, 0, sizeof m->ready);
}

void map_prepare(map_t *m, const uint8_t *img, size_t row_width, uint32_t width, uint32_t height)
{
    constexpr unsigned cells = grid_side - 1;
    static uint8_t used[cells * cells * cells];
    memset(used, 0, sizeof used);
    for (uint32_t y = 0; y < height; y++) {
        const uint8_t *px = img + size_t{y} * row_width;
        for (uint32_t x = 0; x < width; x++, px += 3)
            used[(places.at[px[2]].cell * cells + places.at[px[1]].cell) * cells + places.at[px[0]].cell] = 1;
    }
    // The nodes a used cell has as a corner, not yet worked out.
    static unsigned needed[node_count];
    unsigned count = 0;
    for (unsigned r = 0; r < grid_side; r++)
        for (unsigned g = 0; g < grid_side; g++)
            for (unsigned b = 0; b < grid_side; b++) {
                bool corner = false;
                for (unsigned i = 0; i < 8 && !corner; i++) {
                    const unsigned cr = r - (i & 1), cg = g - (i >> 1 & 1), cb = b - (i >> 2);
                    corner = cr < cells && cg < cells && cb < cells && used[(cr * cells + cg) * cells + cb];
                }
                if (corner && !m->ready[node_index(r, g, b)])
                    needed[count++] = node_index(r, g, b);
            }
    // Each node is its own search: every other one on a second core.
    const search_t search(m);
    nodes_t even = {m, &search, needed, count, 0}, odd = {m, &search, needed, count, 1};
    halves_run(work_out_nodes, &even, work_out_nodes, &odd);
}

} // namespace gamut
