// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Pixel encoding alone, one core: a 4096-pixel row (the widest picture) in
// and out of cache, with each row encoder this build has.
#include <cstdint>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "vga_color.h"
#include "photo_row.h"

namespace {

void encode_rows(benchmark::State &state, photo_row_encoder encode)
{
    constexpr uint32_t width = 4096;
    std::vector<uint8_t> bgr(width * 3);
    std::mt19937 gen(1);
    for (auto &b : bgr)
        b = static_cast<uint8_t>(gen());
    std::vector<uint8_t> out(width * vga_color_bytes);
    for (auto _ : state) {
        encode(bgr.data(), width, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * width);
    state.SetLabel(KESTROW_COLOR_BITS == 6 ? "6-bit" : "16-bit");
}

void scalar(benchmark::State &state) { encode_rows(state, photo_row_encode_scalar); }
BENCHMARK(scalar);

#ifdef KESTROW_HAVE_SSSE3
void ssse3(benchmark::State &state)
{
    if (!photo_row_ssse3_supported()) {
        state.SkipWithError("no SSSE3 on this CPU");
        return;
    }
    encode_rows(state, photo_row_encode_ssse3);
}
BENCHMARK(ssse3);
#endif

} // namespace

BENCHMARK_MAIN();
