// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Helpers shared by the command-line programs.
#ifndef KESTROW_CLI_SUPPORT_H
#define KESTROW_CLI_SUPPORT_H

#include <cstdio>

// True when `name` is the file open as `f`: the same path, a hard link or a
// symlink to it (same device and inode). A name that does not exist is not
// the same file. errno is left as it was.
bool same_file(FILE *f, const char *name);

// True when `f` is open on a directory. errno is left as it was.
bool is_directory(FILE *f);

// The name to show in the usage line: the one the program was invoked by,
// or `own_name` when the argument vector is empty (which Linux passes on as
// one empty name).
const char *program_name(int argc, char **argv, const char *own_name);

#endif
