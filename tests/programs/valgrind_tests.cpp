// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Every path valgrind can reach, success and failure, checked for leaks,
// invalid accesses and descriptors left open.
#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include <signal.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include "bmp_builder.h"
#include "process_support.h"

namespace {

using bytes = std::vector<uint8_t>;

std::string find_valgrind()
{
    for (const char *p : {"/usr/bin/valgrind", "/usr/local/bin/valgrind"})
        if (access(p, X_OK) == 0)
            return p;
    return "";
}

struct valgrind_case {
    const char *name;
    const char *program;
    std::function<std::vector<std::string>(const temp_dir &)> prepare;  // returns the arguments
    int status;
    std::function<void()> child_setup = {};
};

std::vector<std::string> bmp_and_output(const temp_dir &d, const bytes &file)
{
    write_file(d / "in.bmp", file);
    return {d / "in.bmp", d / "out.photo"};
}

std::vector<valgrind_case> cases()
{
    auto with = [](auto change) { bmp_fields f = bmp_size(5, 3); change(f); return make_bmp(f); };
    bytes truncated = make_bmp(bmp_size(5, 3));
    truncated.pop_back();
    return {
        {"success", KESTROW_BIN, [](const temp_dir &d) { return bmp_and_output(d, make_bmp(bmp_size(37, 9), random_pixels(333, 1))); }, 0},
        {"success 16-bit", KESTROW16_BIN, [](const temp_dir &d) { return bmp_and_output(d, make_bmp(bmp_size(37, 9), random_pixels(333, 1))); }, 0},
        {"success, large", KESTROW_BIN, [](const temp_dir &d) { return bmp_and_output(d, make_bmp(bmp_size(1024, 1024))); }, 0},
        {"usage", KESTROW_BIN, [](const temp_dir &) { return std::vector<std::string>{}; }, 2},
        {"missing input", KESTROW_BIN, [](const temp_dir &d) { return std::vector<std::string>{d / "none.bmp", d / "out"}; }, 2},
        {"output unopenable", KESTROW_BIN, [](const temp_dir &d) { write_file(d / "in.bmp", make_bmp(bmp_size(1, 1))); return std::vector<std::string>{d / "in.bmp", d / "no/out"}; }, 2},
        {"same file", KESTROW_BIN, [](const temp_dir &d) { write_file(d / "in.bmp", make_bmp(bmp_size(1, 1))); return std::vector<std::string>{d / "in.bmp", d / "in.bmp"}; }, 2},
        {"not a BMP", KESTROW_BIN, [](const temp_dir &d) { return bmp_and_output(d, {'G', 'I', 'F'}); }, 2},
        {"8-bit", KESTROW_BIN, [with](const temp_dir &d) { return bmp_and_output(d, with([](bmp_fields &f) { f.bits_per_pixel = 8; })); }, 2},
        {"bad image size", KESTROW_BIN, [with](const temp_dir &d) { return bmp_and_output(d, with([](bmp_fields &f) { f.img_size = 7; })); }, 2},
        {"truncated pixels", KESTROW_BIN, [truncated](const temp_dir &d) { return bmp_and_output(d, truncated); }, 2},
        // Pixel arrays on either side of 2 MiB and up to 6 MiB: the huge-page
        // rounding of their buffers.
        {"2 MiB less a row", KESTROW_BIN, [](const temp_dir &d) { return bmp_and_output(d, make_bmp(bmp_size(1365, 511))); }, 0},
        {"2 MiB", KESTROW_BIN, [](const temp_dir &d) { return bmp_and_output(d, make_bmp(bmp_size(1365, 512))); }, 0},
        {"2 MiB and a row", KESTROW_BIN, [](const temp_dir &d) { return bmp_and_output(d, make_bmp(bmp_size(1365, 513))); }, 0},
        {"6 MiB", KESTROW16_BIN, [](const temp_dir &d) { return bmp_and_output(d, make_bmp(bmp_size(1365, 1536))); }, 0},
        {"full device", KESTROW_BIN, [](const temp_dir &d) { write_file(d / "in.bmp", make_bmp(bmp_size(512, 512))); return std::vector<std::string>{d / "in.bmp", "/dev/full"}; }, 3},
        {"photo2bmp", PHOTO2BMP_BIN, [](const temp_dir &d) { write_file(d / "in.photo", {2, 0, 1, 0, 0x40, 0x30}); return std::vector<std::string>{d / "in.photo", d / "out.bmp"}; }, 0},
        {"photo2bmp refusal", PHOTO2BMP_BIN, [](const temp_dir &d) { write_file(d / "in.photo", {2, 0, 1, 0, 0x40, 0x3C}); return std::vector<std::string>{d / "in.photo", d / "out.bmp"}; }, 2},
        {"photo2bmp full device", PHOTO2BMP_BIN, [](const temp_dir &d) { bytes p(4 + 512 * 512, 0); p[1] = 2; p[3] = 2; write_file(d / "in.photo", p); return std::vector<std::string>{d / "in.photo", "/dev/full"}; }, 3},
        {"photo2bmp same file", PHOTO2BMP_BIN, [](const temp_dir &d) { write_file(d / "in.photo", {1, 0, 1, 0, 0x30}); return std::vector<std::string>{d / "in.photo", d / "in.photo"}; }, 2},
        {"photo2bmp output unopenable", PHOTO2BMP_BIN, [](const temp_dir &d) { write_file(d / "in.photo", {1, 0, 1, 0, 0x30}); return std::vector<std::string>{d / "in.photo", d / "no/out.bmp"}; }, 2},
        {"photo2bmp ends early", PHOTO2BMP_BIN, [](const temp_dir &d) { write_file(d / "in.photo", {2, 0, 1, 0, 0x30}); return std::vector<std::string>{d / "in.photo", d / "out.bmp"}; }, 2, [] { preload_in_child(FSTAT_ONE_MORE_LIB); }},
        {"photo2mem 6-bit", PHOTO2MEM_BIN, [](const temp_dir &d) { write_file(d / "in.photo", {2, 0, 1, 0, 0x40, 0x30}); return std::vector<std::string>{d / "in.photo", d / "out.mem"}; }, 0},
        {"photo2mem 16-bit", PHOTO2MEM_BIN, [](const temp_dir &d) { write_file(d / "in.photo", {1, 0, 1, 0, 0x40, 0x30}); return std::vector<std::string>{d / "in.photo", d / "out.mem"}; }, 0},
        {"photo2mem refusal", PHOTO2MEM_BIN, [](const temp_dir &d) { write_file(d / "in.photo", {2, 0, 1, 0, 0x40, 0x3C}); return std::vector<std::string>{d / "in.photo", d / "out.mem"}; }, 2},
        {"photo2mem full device", PHOTO2MEM_BIN, [](const temp_dir &d) { bytes p(4 + 512 * 512, 0); p[1] = 2; p[3] = 2; write_file(d / "in.photo", p); return std::vector<std::string>{d / "in.photo", "/dev/full"}; }, 3},
        {"bmpdither", BMPDITHER_BIN, [](const temp_dir &d) { return bmp_and_output(d, make_bmp(bmp_size(37, 9), random_pixels(333, 1))); }, 0},
        {"bmpdither16", BMPDITHER16_BIN, [](const temp_dir &d) { return bmp_and_output(d, make_bmp(bmp_size(37, 9), random_pixels(333, 1))); }, 0},
        {"bmpdither refusal", BMPDITHER_BIN, [truncated](const temp_dir &d) { return bmp_and_output(d, truncated); }, 2},
        {"bmpdither same file", BMPDITHER_BIN, [](const temp_dir &d) { write_file(d / "in.bmp", make_bmp(bmp_size(1, 1))); return std::vector<std::string>{d / "in.bmp", d / "in.bmp"}; }, 2},
        {"bmpdither output unopenable", BMPDITHER_BIN, [](const temp_dir &d) { write_file(d / "in.bmp", make_bmp(bmp_size(1, 1))); return std::vector<std::string>{d / "in.bmp", d / "no/out"}; }, 2},
        {"bmpdither, widest", BMPDITHER_BIN, [](const temp_dir &d) { return bmp_and_output(d, make_bmp(bmp_size(4096, 2), random_pixels(8192, 5))); }, 0},
        {"bmpdither full device", BMPDITHER16_BIN, [](const temp_dir &d) { write_file(d / "in.bmp", make_bmp(bmp_size(512, 512))); return std::vector<std::string>{d / "in.bmp", "/dev/full"}; }, 3},
        {"file size limit", KESTROW16_BIN, [](const temp_dir &d) { return bmp_and_output(d, make_bmp(bmp_size(512, 512))); }, 3,
         [] {
             signal(SIGXFSZ, SIG_IGN);
             const struct rlimit rl = {5000, 5000};
             setrlimit(RLIMIT_FSIZE, &rl);
         }},
    };
}

TEST(Valgrind, EveryPathReleasesWhatItTook)
{
    KESTROW_SKIP_UNDER_SANITIZER_OR_EMULATOR("valgrind");
    const std::string valgrind = find_valgrind();
    KESTROW_NEED(!valgrind.empty(), "valgrind is not installed");
    for (const auto &c : cases()) {
        SCOPED_TRACE(c.name);
        temp_dir dir;
        std::vector<std::string> argv = {valgrind, "--error-exitcode=99", "--leak-check=full",
                                         "--show-leak-kinds=all", "--errors-for-leak-kinds=all",
                                         "--track-fds=yes", "--log-fd=2", c.program};
        for (const auto &a : c.prepare(dir))
            argv.push_back(a);
        const run_result r = run_program(valgrind, argv, c.child_setup);
        // The report shares standard error with the program's messages: a
        // log file of its own would show up as one more open descriptor.
        const std::string &report = r.err;
        EXPECT_EQ(r.status, c.status) << report;
        EXPECT_NE(report.find("ERROR SUMMARY: 0 errors"), std::string::npos) << report;
        EXPECT_NE(report.find("in use at exit: 0 bytes in 0 blocks"), std::string::npos) << report;
        EXPECT_NE(report.find("FILE DESCRIPTORS: 3 open (3 std) at exit."), std::string::npos) << report;
    }
}

} // namespace
