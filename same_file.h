// Whether a name denotes a file that is already open.
#ifndef KESTROW_SAME_FILE_H
#define KESTROW_SAME_FILE_H

#include <cstdio>

// True when `name` is the file open as `f`: the same path, a hard link or a
// symlink to it (same device and inode). A name that does not exist is not
// the same file. errno is left as it was.
bool same_file(FILE *f, const char *name);

#endif
