// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The photo file reader from memory against memcpy of the same output
// bytes, for a 4096 x 4096 16-bit file: the whole picture in one call (out
// of cache), and one row at a time into the same buffer (in cache, as a
// panel driver reads it). Run with --benchmark_enable_random_interleaving
// so that each pair is measured side by side.
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include <kestrow/photo_file.h>

namespace {

constexpr uint32_t side = 4096;

const std::vector<uint8_t> &photo16()
{
    static const std::vector<uint8_t> file = [] {
        std::vector<uint8_t> f(4 + size_t{2} * side * side);
        f[1] = f[3] = side >> 8;
        std::mt19937 gen(1);
        for (size_t i = 4; i < f.size(); i++)
            f[i] = static_cast<uint8_t>(gen());
        return f;
    }();
    return file;
}

// What memcpy moves: the bytes the reader writes, rows taken in turn from a
// whole picture of them, as the reader takes its rows from the file.
void copy(benchmark::State &state, uint32_t out_bytes, uint32_t rows)
{
    std::vector<uint8_t> out(size_t{side} * rows * out_bytes);
    std::vector<uint8_t> src(size_t{side} * side * out_bytes, 0x5A);
    for (auto _ : state) {
        for (uint32_t y = 0; y < side; y += rows)
            memcpy(out.data(), src.data() + size_t{y} * side * out_bytes, out.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * side * side * out_bytes);
}

void read(benchmark::State &state, photo_format_t format, uint32_t rows)
{
    const std::vector<uint8_t> &file = photo16();
    photo_file_t photo;
    if (photo_open_memory(&photo, file.data(), file.size()) != 0) {
        state.SkipWithError("the file did not open");
        return;
    }
    const uint32_t out_bytes = photo_format_bytes(format, photo.value_bytes);
    std::vector<uint8_t> out(size_t{side} * rows * out_bytes);
    for (auto _ : state) {
        for (uint32_t y = 0; y < side; y += rows)
            if (photo_read_rows(&photo, y, rows, format, out.data()) != 0)
                state.SkipWithError("a read failed");
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * side * side * out_bytes);
}

BENCHMARK_CAPTURE(copy, memcpy_2B_whole, 2, side)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(read, rgb565be_whole, PHOTO_RGB565_BE, side)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(copy, memcpy_4B_whole, 4, side)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(read, xrgb8888_whole, PHOTO_XRGB8888, side)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(copy, memcpy_2B_rows, 2, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(read, rgb565be_rows, PHOTO_RGB565_BE, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(copy, memcpy_4B_rows, 4, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(read, xrgb8888_rows, PHOTO_XRGB8888, 1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
