// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// libjpeg reports errors by calling exit() and warnings by printing on stderr. These handlers
// jump back to the caller instead and stay silent, noting the warnings that mean the
// compressed data is damaged or cut short. Also the ICC profile every reader of a photo's
// header may keep.

#include <csetjmp>
#include <cstdio>
#include <string>

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

// Keeps the APP2 segments, where ICC profiles travel; called before the header is read.
void keep_icc_segments(jpeg_decompress_struct& info);

// The ICC profile in the kept APP2 segments, put together by libjpeg, which checks their count and
// sequence numbers; empty when there is none or they do not add up. An error jumps to the reader's
// jump point.
std::string saved_icc_profile(jpeg_decompress_struct& info);

}  // namespace posteri
