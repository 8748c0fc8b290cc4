// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// libjpeg reports errors by calling exit() and warnings by printing on stderr. These handlers
// jump back to the caller instead and stay silent, noting the warnings that mean the
// compressed data is damaged or cut short.

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace posteri {

struct JpegErrors {
    jpeg_error_mgr manager{};
    std::jmp_buf jump{};
    bool damaged = false;
    // Damage inside the coded data itself (a scan cut short, bad codes), beyond a stream that only
    // ends without its EOI marker.
    bool data_lost = false;
};

// Points the libjpeg object at `errors`; an error then longjmps to `errors.jump`, which the caller
// must set with setjmp before any libjpeg call that can fail.
void install_jpeg_errors(jpeg_common_struct& info, JpegErrors& errors);

// A libjpeg decompressor with its own error record installed.
struct JpegDecompressor {
    JpegErrors errors;
    jpeg_decompress_struct info{};
    JpegDecompressor();
    ~JpegDecompressor();
    JpegDecompressor(const JpegDecompressor&) = delete;
    JpegDecompressor& operator=(const JpegDecompressor&) = delete;
};

}  // namespace posteri
