// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Running the programs as a user would, for the end-to-end tests.
#ifndef KESTROW_TESTS_PROCESS_SUPPORT_H
#define KESTROW_TESTS_PROCESS_SUPPORT_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// CI runs with CI=true. There a test that lacks what it needs fails instead
// of skipping, so that nothing goes unchecked.
inline bool under_ci()
{
    const char *ci = getenv("CI");
    return ci != nullptr && strcmp(ci, "true") == 0;
}

// Skips the calling test, with the reason, when `available` is false; under
// CI, fails it instead.
#define KESTROW_NEED(available, reason)                                       \
    do {                                                                      \
        if (!(available)) {                                                   \
            if (under_ci())                                                   \
                FAIL() << (reason) << " (required under CI)";                 \
            else                                                              \
                GTEST_SKIP() << (reason);                                     \
        }                                                                     \
    } while (0)

// Some checks cannot be made on sanitized programs, or under user-mode
// emulation (which neither applies a guest's address-space limit nor runs
// valgrind): the test then says so and skips, whatever the host.
#if defined(KESTROW_SANITIZE)
#define KESTROW_SKIP_UNDER_SANITIZER_OR_EMULATOR(what) \
    GTEST_SKIP() << (what) << " cannot be combined with AddressSanitizer"
#elif defined(KESTROW_EMULATOR)
#define KESTROW_SKIP_UNDER_SANITIZER_OR_EMULATOR(what) \
    GTEST_SKIP() << (what) << " cannot be checked under user-mode emulation"
#else
#define KESTROW_SKIP_UNDER_SANITIZER_OR_EMULATOR(what) static_cast<void>(what)
#endif

// A library preloaded into a sanitized program would have to come after
// the sanitizer's runtime, and none reaches a statically linked program.
#if defined(KESTROW_SANITIZE)
#define KESTROW_SKIP_WITHOUT_PRELOAD(what) \
    GTEST_SKIP() << (what) << " cannot be combined with AddressSanitizer"
#elif defined(KESTROW_STATIC_PROGRAMS)
#define KESTROW_SKIP_WITHOUT_PRELOAD(what) \
    GTEST_SKIP() << (what) << " cannot reach statically linked programs"
#else
#define KESTROW_SKIP_WITHOUT_PRELOAD(what) static_cast<void>(what)
#endif

// Runs the rest of the child as user and group "nobody" when started as
// root; exits 99 when that fails.
inline void drop_root()
{
    if (geteuid() != 0)
        return;
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
        _exit(99);
}

// The command that starts a program built for this host. A cross build's
// programs run through the emulator (a command with its words joined by
// '|'), told the name to pass as argv[0] so usage lines stay as a user
// would see them.
inline std::vector<std::string> launch_command([[maybe_unused]] const std::string &program,
                                               const std::vector<std::string> &argv)
{
    std::vector<std::string> cmd;
#ifdef KESTROW_EMULATOR
    std::string emulator = KESTROW_EMULATOR;
    for (size_t start = 0; start <= emulator.size();) {
        const size_t end = std::min(emulator.find('|', start), emulator.size());
        if (end > start)
            cmd.push_back(emulator.substr(start, end - start));
        start = end + 1;
    }
    // qemu cannot pass an empty argument vector; it passes the name alone.
    cmd.insert(cmd.end(), {"-0", argv.empty() ? std::string() : argv[0], program});
    if (!argv.empty())
        cmd.insert(cmd.end(), argv.begin() + 1, argv.end());
#else
    cmd = argv;
#endif
    return cmd;
}

// Makes a program started from this child load `library` first. Under
// emulation only the guest must see it, not the emulator itself.
inline void preload_in_child(const char *library)
{
#ifdef KESTROW_EMULATOR
    setenv("QEMU_SET_ENV", (std::string("LD_PRELOAD=") + library).c_str(), 1);
#else
    setenv("LD_PRELOAD", library, 1);
#endif
}

struct run_result {
    int status = -1;  // exit status, or 128 + signal
    std::string out;  // standard output
    std::string err;  // standard error
};

inline std::string read_file_text(const std::string &path)
{
    std::string s;
    if (FILE *f = fopen(path.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0)
            s.append(buf, n);
        fclose(f);
    }
    return s;
}

inline std::vector<uint8_t> read_file(const std::string &path)
{
    const std::string s = read_file_text(path);
    return {s.begin(), s.end()};
}

inline void write_file(const std::string &path, const std::vector<uint8_t> &bytes)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (f == nullptr)
        abort();
    if (!bytes.empty())
        fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

// Runs `argv` (argv[0] is the program path; an empty vector runs `program`
// with an empty argument vector). `child_setup` runs in the child just
// before exec, for limits and the like.
inline run_result run_program(const std::string &program, const std::vector<std::string> &argv,
                              const std::function<void()> &child_setup = {})
{
    char out_name[] = "/tmp/kestrow-out-XXXXXX";
    char err_name[] = "/tmp/kestrow-err-XXXXXX";
    const int out_fd = mkostemp(out_name, O_CLOEXEC);
    const int err_fd = mkostemp(err_name, O_CLOEXEC);
    run_result r;
    if (out_fd < 0 || err_fd < 0)
        return r;

    const std::vector<std::string> cmd = launch_command(program, argv);
#ifdef KESTROW_EMULATOR
    const std::string &exec_path = cmd.front();
#else
    const std::string &exec_path = program;
#endif
    std::vector<char *> args;
    for (const auto &a : cmd)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out_fd, 1);
        dup2(err_fd, 2);
        const int null_fd = open("/dev/null", O_RDONLY);
        dup2(null_fd, 0);
        // Only the three standard streams reach the program, so a
        // descriptor it leaves open is its own.
        close_range(3, ~0u, 0);
        if (child_setup)
            child_setup();
#ifdef KESTROW_EMULATOR
        execvp(exec_path.c_str(), args.data());  // the emulator is found on the PATH
#else
        execv(exec_path.c_str(), args.data());
#endif
        _exit(127);
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    close(out_fd);
    close(err_fd);
    r.out = read_file_text(out_name);
    r.err = read_file_text(err_name);
    unlink(out_name);
    unlink(err_name);
    return r;
}

// A fresh directory, removed with everything in it at the end of its scope.
// Open to every user, so that tests run under a dropped identity can use it.
struct temp_dir {
    std::string path;
    temp_dir()
    {
        char name[] = "/tmp/kestrow-test-XXXXXX";
        if (mkdtemp(name) == nullptr)
            abort();
        path = name;
        chmod(name, 0777);
    }
    ~temp_dir() { std::filesystem::remove_all(path); }
    temp_dir(const temp_dir &) = delete;
    temp_dir &operator=(const temp_dir &) = delete;
    std::string operator/(const std::string &name) const { return path + "/" + name; }
};

// A program run as "nobody" must be one that nobody can reach, and a build
// tree in a private folder (root's home is mode 0700 on Debian) is not. A
// copy in `dir`, which every user can reach, is: the programs need nothing
// beside them but the C library. Run it with the original path as argv[0],
// so messages name the program as a user would see it.
inline std::string reachable_by_nobody(const std::string &program, const temp_dir &dir)
{
    const std::string copy = dir / ("nobody-" + std::filesystem::path(program).filename().string());
    std::filesystem::copy_file(program, copy, std::filesystem::copy_options::overwrite_existing);
    chmod(copy.c_str(), 0755);
    return copy;
}

inline bool file_exists(const std::string &path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

#endif
