// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Replays fuzz inputs without libFuzzer: each argument is a file, or a
// directory whose files are all replayed. Any contract violation aborts.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

bool replay_file(const std::filesystem::path &p)
{
    FILE *f = fopen(p.c_str(), "rb");
    if (f == nullptr) {
        perror(p.c_str());
        return false;
    }
    std::vector<uint8_t> bytes;
    int c;
    while ((c = fgetc(f)) != EOF)
        bytes.push_back(static_cast<uint8_t>(c));
    fclose(f);
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    size_t replayed = 0;
    for (int i = 1; i < argc; i++) {
        const std::filesystem::path arg = argv[i];
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(arg)) {
            for (const auto &e : std::filesystem::directory_iterator(arg))
                if (e.is_regular_file() && e.path().filename() != "README.md")
                    files.push_back(e.path());
        } else {
            files.push_back(arg);
        }
        for (const auto &f : files) {
            if (!replay_file(f))
                return 1;
            replayed++;
        }
    }
    printf("replayed %zu inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
