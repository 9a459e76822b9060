// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// What the programs that show a photo file share: the command line
// (`PROGRAM <photo file> <OUTPUT>`, and a third argument for some), the loading and checking of the photo
// file with its messages, and the order of things: the output is opened only
// once the photo file has been read and found good, so a refused input
// leaves an existing output alone.
//
// Exit status: 0 written, 2 bad arguments or input, 3 writing failed.
#ifndef KESTROW_PHOTO_TOOL_H
#define KESTROW_PHOTO_TOOL_H

#include <cstdint>
#include <cstdio>

#include <kestrow/photo_file.h>

// Writes the whole picture to `out`; returns 1, or 0 after one message.
// `argv` is the command line, for outputs that record it.
using photo_tool_write_fn = int (*)(FILE *out, const photo_file_t *photo, char **argv);

// The whole run of such a program. `output` names what it writes, as the
// usage line and the messages say it ("BMP file").
int photo_tool_main(int argc, char **argv, const char *own_name, const char *output, photo_tool_write_fn write);

// Checks a third argument before anything is opened; returns 1, or 0 after
// one message.
using photo_tool_check_fn = int (*)(const char *argument);

// The same with a third argument, named `extra` in the usage line
// ("format"), that `check` accepts or refuses first.
int photo_tool_main_with(int argc, char **argv, const char *own_name, const char *output, const char *extra,
                         photo_tool_check_fn check, photo_tool_write_fn write);

// Checks the loaded photo file further (its values against a panel's
// palette) before the output is opened; returns 1, or 0 after one message.
using photo_tool_accept_fn = int (*)(const photo_file_t *photo, const char *name);

// Has photo_tool_main and photo_tool_main_with also ask `accept`.
void photo_tool_accept_only(photo_tool_accept_fn accept);

// One photo file, read whole and checked.
struct photo_tool_picture {
    photo_file_t file;  // open on `bytes`
    uint8_t *bytes;     // the whole photo file
};

// Opens, checks and reads the photo file `name`, refusing it if it is the
// file `out_name`. Returns 1, or 0 after one message (and nothing to
// release).
int photo_tool_load(const char *name, const char *out_name, photo_tool_picture *picture);
void photo_tool_release(photo_tool_picture *picture);

// Fills `out`; returns 1, or 0 after one message.
using photo_tool_output_fn = int (*)(FILE *out, void *context);

// Opens `out_name` (named `output` in messages: "open memory file: ..."),
// has `write` fill it and closes it. Returns the exit status: 0, 2 when it
// cannot be opened, 3 when writing or closing failed.
int photo_tool_write_output(const char *out_name, const char *output, photo_tool_output_fn write, void *context);

#endif
