// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Temporary streams and stderr capture for testing the stages in-process.
#ifndef KESTROW_TESTS_STREAM_SUPPORT_H
#define KESTROW_TESTS_STREAM_SUPPORT_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// A temporary file holding `bytes`, positioned at its start.
inline FILE *stream_with(const std::vector<uint8_t> &bytes)
{
    FILE *f = tmpfile();
    if (f != nullptr) {
        if (!bytes.empty())
            fwrite(bytes.data(), 1, bytes.size(), f);
        rewind(f);
    }
    return f;
}

// Everything in `f` from its start.
inline std::vector<uint8_t> stream_contents(FILE *f)
{
    fflush(f);
    rewind(f);
    std::vector<uint8_t> out;
    int c;
    while ((c = fgetc(f)) != EOF)
        out.push_back(static_cast<uint8_t>(c));
    return out;
}

// Runs `fn` and returns what it printed on standard error.
template <class Fn>
std::string stderr_of(Fn &&fn)
{
    testing::internal::CaptureStderr();
    fn();
    return testing::internal::GetCapturedStderr();
}

#endif
