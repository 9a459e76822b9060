// Writes the fuzzers' seed corpus into the directory given: small valid
// pictures of several widths and one input of each refusal kind.
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

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make_seeds <directory>\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::vector<std::pair<std::string, std::vector<uint8_t>>> seeds;

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

    for (const auto &[name, bytes] : seeds)
        if (!save(dir, name, bytes)) {
            perror((dir + "/" + name).c_str());
            return 1;
        }
    printf("%zu seeds in %s\n", seeds.size(), dir.c_str());
    return 0;
}
