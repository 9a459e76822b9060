// Running the programs as a user would, for the end-to-end tests.
#ifndef KESTROW_TESTS_PROCESS_SUPPORT_H
#define KESTROW_TESTS_PROCESS_SUPPORT_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
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

    std::vector<char *> args;
    for (const auto &a : argv)
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
        execv(program.c_str(), args.data());
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

inline bool file_exists(const std::string &path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

#endif
