// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Times the converters against the I/O floor, the per-pixel reference writer
// and, where installed, ffmpeg: every command once per round, rounds
// interleaved, medians reported with the peak resident memory.
//
//   usage: run_bench [work directory] [rounds]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

struct picture {
    uint32_t width, height;
    std::string path;
};

struct command {
    std::string label;
    std::string family;  // "6-bit" or "16-bit": which floor it is compared with
    std::vector<std::string> argv;
    std::vector<double> ms;
    long max_rss_kib = 0;
};

// Writes a random 24-bit BMP a row at a time, so this process stays small
// (a child's peak memory reading can include its parent's).
bool write_random_bmp(const picture &p)
{
    const uint32_t row = (p.width * 3 + 3) & ~3u;
    const uint32_t size = row * p.height;
    uint8_t head[54] = {'B', 'M'};
    auto put32 = [&](int at, uint32_t v) {
        for (int i = 0; i < 4; i++)
            head[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(2, 54 + size);
    put32(10, 54);
    put32(14, 40);
    put32(18, p.width);
    put32(22, p.height);
    head[26] = 1;
    head[28] = 24;
    put32(34, size);
    FILE *f = fopen(p.path.c_str(), "wb");
    if (f == nullptr)
        return false;
    fwrite(head, sizeof head, 1, f);
    std::mt19937 gen(p.width ^ p.height);
    std::vector<uint8_t> bytes(row);
    for (uint32_t y = 0; y < p.height; y++) {
        for (auto &b : bytes)
            b = static_cast<uint8_t>(gen());
        fwrite(bytes.data(), 1, row, f);
    }
    return fclose(f) == 0;
}

double now_ms()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Runs one command with its output silenced; false if it failed.
bool time_once(command &c)
{
    std::vector<char *> args;
    for (auto &a : c.argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    fflush(stdout);  // or the child would print our pending output again
    const double start = now_ms();
    const pid_t pid = fork();
    if (pid == 0) {
        if (freopen("/dev/null", "w", stdout) == nullptr || freopen("/dev/null", "w", stderr) == nullptr)
            _exit(126);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage use{};
    wait4(pid, &status, 0, &use);
    c.ms.push_back(now_ms() - start);
    c.max_rss_kib = std::max(c.max_rss_kib, use.ru_maxrss);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

bool on_path(const char *name)
{
    const char *path = getenv("PATH");
    std::string dirs = path ? path : "";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string dir = argc > 1 ? argv[1] : "/tmp";
    const int rounds = argc > 2 ? atoi(argv[2]) : 9;
    const bool have_ffmpeg = on_path("ffmpeg");

    const picture pictures[] = {
        {4096, 4096, dir + "/bench-4096x4096.bmp"},
        {1920, 1080, dir + "/bench-1920x1080.bmp"},
        {64, 64, dir + "/bench-64x64.bmp"},
    };
    for (const auto &p : pictures) {
        if (!write_random_bmp(p)) {
            fprintf(stderr, "cannot write %s\n", p.path.c_str());
            return 1;
        }
    }

    printf("%d rounds, interleaved; wall time median; ratio to the I/O floor of the same output size;\n"
           "peak RSS against the pixel array + 4 MiB.\n",
           rounds);
    for (const auto &p : pictures) {
        const std::string out = dir + "/bench.out";
        std::vector<command> cmds = {
            {"io_floor (1 B/px)", "6-bit", {IO_FLOOR_BIN, "1", p.path, out}, {}, 0},
            {"kestrow", "6-bit", {KESTROW_BIN, p.path, out}, {}, 0},
            {"per-pixel fwrite, 6-bit", "6-bit", {KESTROW_REF_BIN, p.path, out}, {}, 0},
            {"io_floor (2 B/px)", "16-bit", {IO_FLOOR_BIN, "2", p.path, out}, {}, 0},
            {"kestrow16", "16-bit", {KESTROW16_BIN, p.path, out}, {}, 0},
            {"per-pixel fwrite, 16-bit", "16-bit", {KESTROW16_REF_BIN, p.path, out}, {}, 0},
        };
        if (have_ffmpeg)
            cmds.push_back({"ffmpeg rgb565le", "16-bit",
                            {"ffmpeg", "-v", "error", "-y", "-i", p.path, "-f", "rawvideo", "-pix_fmt",
                             "rgb565le", out},
                            {}, 0});
        for (int r = 0; r < rounds; r++)
            for (auto &c : cmds)
                if (!time_once(c)) {
                    fprintf(stderr, "%s failed on %s\n", c.label.c_str(), p.path.c_str());
                    return 1;
                }

        const double array_mib = ((p.width * 3 + 3) & ~3u) * double(p.height) / (1 << 20);
        printf("\n%u x %u (pixel array %.1f MiB, limit %.1f MiB)\n", p.width, p.height, array_mib,
               array_mib + 4);
        printf("| %-26s | %10s | %8s | %13s |\n", "program", "median ms", "x floor", "peak RSS MiB");
        printf("|%s|%s|%s|%s|\n", std::string(28, '-').c_str(), std::string(12, '-').c_str(),
               std::string(10, '-').c_str(), std::string(15, '-').c_str());
        for (const auto &c : cmds) {
            const auto floor = std::find_if(cmds.begin(), cmds.end(), [&](const command &f) {
                return f.family == c.family && f.label.rfind("io_floor", 0) == 0;
            });
            printf("| %-26s | %10.2f | %8.2f | %13.1f |\n", c.label.c_str(), median(c.ms),
                   median(c.ms) / median(floor->ms), static_cast<double>(c.max_rss_kib) / 1024.0);
        }
    }
    if (!have_ffmpeg)
        printf("\n(ffmpeg not installed: no peer measured)\n");
    for (const auto &p : pictures)
        unlink(p.path.c_str());
    unlink((dir + "/bench.out").c_str());
    return 0;
}
