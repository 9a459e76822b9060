// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Writes the fuzzers' seed corpus into the directory given: small valid
// pictures of several widths and one input of each refusal kind. With
// --photo, the photo file reader's corpus instead: photo files of both
// encodings and odd sizes, one with a value no encoder writes, and one of
// each kind of file the reader refuses.
#include <cstdio>
#include <string>
#include <vector>

#include "bmp_builder.h"

namespace {

bool save(const std::string &dir, const std::string &name, const std::vector<uint8_t> &bytes)
{
    FILE *f = fopen((dir + "/" + name).c_str(), "wb");
    if (f == nullptr)
        return false;
    if (!bytes.empty())
        fwrite(bytes.data(), 1, bytes.size(), f);
    return fclose(f) == 0;
}

using seed_list = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

std::vector<uint8_t> photo(uint32_t w, uint32_t h, uint32_t value_bytes)
{
    std::vector<uint8_t> f = {uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8)};
    for (uint32_t i = 0; i < w * h * value_bytes; i++) {
        const auto v = static_cast<uint8_t>(i * 37u + 11u);
        f.push_back(value_bytes == 2 ? v : (v & 63u) == 0x3C ? uint8_t{0x40} : uint8_t(v & 63u));
    }
    return f;
}

seed_list photo_seeds()
{
    seed_list seeds;
    for (uint32_t value_bytes : {1u, 2u})
        for (auto [w, h] : {std::pair{1u, 1u}, {3u, 2u}, {13u, 7u}, {40u, 1u}, {1u, 33u}})
            seeds.push_back({"photo" + std::to_string(value_bytes == 1 ? 6 : 16) + "-" + std::to_string(w) +
                                 "x" + std::to_string(h),
                             photo(w, h, value_bytes)});
    auto bad_value = photo(13, 7, 1);
    bad_value[4 + 50] = 0x3C;
    seeds.push_back({"refuse-value", bad_value});
    seeds.push_back({"refuse-short", {3, 0, 2}});
    seeds.push_back({"refuse-width0", {0, 0, 2, 0, 1, 2}});
    seeds.push_back({"refuse-side-4097", {0x01, 0x10, 1, 0, 1}});
    seeds.push_back({"refuse-length", {3, 0, 2, 0, 1, 2, 3, 4, 5, 6, 7}});
    return seeds;
}

seed_list bmp_seeds()
{
    seed_list seeds;
    for (uint32_t w : {1u, 2u, 3u, 4u, 5u, 16u, 17u, 33u})
        for (uint32_t dib : {40u, 124u})
            seeds.push_back({"valid-w" + std::to_string(w) + "-dib" + std::to_string(dib),
                             make_bmp([&] { auto f = bmp_size(w, 3); f.dib_header_size = dib; return f; }(),
                                      random_pixels(w * 3, w))});
    auto with = [](auto change) { bmp_fields f = bmp_size(3, 2); change(f); return make_bmp(f); };
    seeds.push_back({"refuse-empty", {}});
    seeds.push_back({"refuse-magic", with([](bmp_fields &f) { f.magic[1] = 'A'; })});
    seeds.push_back({"refuse-short", {'B', 'M', 0, 0, 0}});
    seeds.push_back({"refuse-8bit", with([](bmp_fields &f) { f.bits_per_pixel = 8; })});
    seeds.push_back({"refuse-planes", with([](bmp_fields &f) { f.planes = 2; })});
    seeds.push_back({"refuse-rle", with([](bmp_fields &f) { f.compression = 1; })});
    seeds.push_back({"refuse-wide", with([](bmp_fields &f) { f.width = 4097; f.height = 0; })});
    seeds.push_back({"refuse-topdown", with([](bmp_fields &f) { f.height = 0u - 2u; f.img_size = 24; })});
    seeds.push_back({"refuse-img-size", with([](bmp_fields &f) { f.img_size = 0; })});
    seeds.push_back({"refuse-width0", with([](bmp_fields &f) { f.width = 0; })});
    seeds.push_back({"refuse-offset-past-end", with([](bmp_fields &f) { f.pixel_offset = 5000; })});
    std::vector<uint8_t> far = make_bmp(bmp_size(3, 2));
    set_le32(far, 10, 0x80000000u);
    seeds.push_back({"refuse-offset-2g", far});
    seeds.push_back({"accept-offset0", with([](bmp_fields &f) { f.pixel_offset = 0; })});

    return seeds;
}

} // namespace

int main(int argc, char **argv)
{
    const bool photo_files = argc == 3 && std::string(argv[1]) == "--photo";
    if (argc != 2 && !photo_files) {
        fprintf(stderr, "usage: make_seeds [--photo] <directory>\n");
        return 2;
    }
    const std::string dir = argv[argc - 1];
    const seed_list seeds = photo_files ? photo_seeds() : bmp_seeds();

    for (const auto &[name, bytes] : seeds)
        if (!save(dir, name, bytes)) {
            perror((dir + "/" + name).c_str());
            return 1;
        }
    printf("%zu seeds in %s\n", seeds.size(), dir.c_str());
    return 0;
}
