// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// wasi-libc has no text for ENODATA (its value lies outside WASI's own
// codes, so strerror says "Success"), yet the programs give that code
// themselves to a file that ends early: "allocate and read image: No data
// available". Linked with --wrap=strerror, this gives it the text the
// programs print on Linux; every other code keeps wasi-libc's text.
#include <cerrno>
#include <cstring>

extern "C" char *__real_strerror(int code);

extern "C" char *__wrap_strerror(int code)
{
    static char no_data[] = "No data available";
    return code == ENODATA ? no_data : __real_strerror(code);
}
