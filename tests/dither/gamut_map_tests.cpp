// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The gamut map's CIEDE2000, worked out with its own series and no
// library functions, against the pairs its authors published with their
// implementation notes (Sharma, Wu and Dalal, 2005): the blue term, hues
// on either side of 0 and 180 degrees, greys, and lightness near black.
// Built for the page's WebAssembly too, so its arithmetic is checked there.
#include <cmath>

#include <gtest/gtest.h>

#include "gamut_map.h"

namespace {

TEST(GamutMap, CIEDE2000IsItsAuthorsOnTheirPairs)
{
    const struct {
        gamut::lab_t x, y;
        double difference;
    } pairs[] = {
        {{50, 2.6772, -79.7751}, {50, 0, -82.7485}, 2.0425},
        {{50, 3.1571, -77.2803}, {50, 0, -82.7485}, 2.8615},
        {{50, 2.8361, -74.0200}, {50, 0, -82.7485}, 3.4412},
        {{50, -1.3802, -84.2814}, {50, 0, -82.7485}, 1.0000},
        {{50, 0, 0}, {50, -1, 2}, 2.3669},
        {{50, 2.49, -0.001}, {50, -2.49, 0.0009}, 7.1792},
        {{50, 2.49, -0.001}, {50, -2.49, 0.0011}, 7.2195},
        {{50, -0.001, 2.49}, {50, 0.0009, -2.49}, 4.8045},
        {{50, -0.001, 2.49}, {50, 0.0011, -2.49}, 4.7461},
        {{50, 2.5, 0}, {50, 0, -2.5}, 4.3065},
        {{50, 2.5, 0}, {73, 25, -18}, 27.1492},
        {{50, 2.5, 0}, {61, -5, 29}, 22.8977},
        {{50, 2.5, 0}, {56, -27, -3}, 31.9030},
        {{50, 2.5, 0}, {58, 24, 15}, 19.4535},
        {{60.2574, -34.0099, 36.2677}, {60.4626, -34.1751, 39.4387}, 1.2644},
        {{63.0109, -31.0961, -5.8663}, {62.8187, -29.7946, -4.0864}, 1.2630},
        {{35.0831, -44.1164, 3.7933}, {35.0232, -40.0716, 1.5901}, 1.8645},
        {{22.7233, 20.0904, -46.6940}, {23.0331, 14.9730, -42.5619}, 2.0373},
        {{90.9257, -0.5406, -0.9208}, {88.6381, -0.8985, -0.7239}, 1.5381},
        {{2.0776, 0.0795, -1.1350}, {0.9033, -0.0636, -0.5514}, 0.9082},
    };
    for (const auto &p : pairs) {
        SCOPED_TRACE(testing::Message() << p.x.l << " " << p.x.a << " " << p.x.b << " against " << p.y.l << " "
                                        << p.y.a << " " << p.y.b);
        EXPECT_NEAR(std::sqrt(gamut::ciede2000_squared(p.x, p.y)), p.difference, 1e-4);
        EXPECT_NEAR(std::sqrt(gamut::ciede2000_squared(p.y, p.x)), p.difference, 1e-4);
    }
    // Its own cube root: white and a dark grey in CIELAB.
    const double white[3] = {1, 1, 1}, grey[3] = {0.05, 0.05, 0.05};
    EXPECT_NEAR(gamut::lab(white).l, 100, 1e-4);
    EXPECT_NEAR(gamut::lab(grey).l, 116 * std::cbrt(0.05) - 16, 1e-4);
    EXPECT_NEAR(gamut::lab(grey).a, 0, 1e-3);
}

} // namespace
