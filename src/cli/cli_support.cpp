// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
#include "cli_support.h"

#include <cerrno>

#include <sys/stat.h>

bool same_file(FILE *f, const char *name)
{
    // A failed stat of an output that does not exist yet must not colour
    // the messages that follow.
    const int saved_errno = errno;
    struct stat open_st {};
    struct stat name_st {};
    const bool same = fstat(fileno(f), &open_st) == 0 && stat(name, &name_st) == 0 &&
                      open_st.st_dev == name_st.st_dev && open_st.st_ino == name_st.st_ino;
    errno = saved_errno;
    return same;
}

bool is_directory(FILE *f)
{
    const int saved_errno = errno;
    struct stat st {};
    const bool directory = fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode);
    errno = saved_errno;
    return directory;
}

const char *program_name(int argc, char **argv, const char *own_name)
{
    return argc > 0 && argv[0] != nullptr && argv[0][0] != '\0' ? argv[0] : own_name;
}
