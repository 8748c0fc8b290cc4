// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/jpeg_errors.h"

#include <cstdlib>

#include <jerror.h>

namespace posteri {

namespace {

JpegErrors& errors_of(j_common_ptr info) {
    // The manager is the first member, so its address is the whole record's.
    return *reinterpret_cast<JpegErrors*>(info->err);
}

[[noreturn]] void jump_back(j_common_ptr info) {
    std::longjmp(errors_of(info).jump, 1);
}

bool means_damaged_data(int code) {
    return code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC ||
           code == JWRN_HUFF_BAD_CODE || code == JWRN_ARITH_BAD_CODE;
}

void note_warning(j_common_ptr info, int level) {
    if (level >= 0 || !means_damaged_data(info->err->msg_code)) return;
    errors_of(info).damaged = true;
    if (info->err->msg_code != JWRN_JPEG_EOF) errors_of(info).data_lost = true;
}

void say_nothing(j_common_ptr) {}

}  // namespace

void install_jpeg_errors(jpeg_common_struct& info, JpegErrors& errors) {
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jump_back;
    errors.manager.emit_message = note_warning;
    errors.manager.output_message = say_nothing;
}

JpegDecompressor::JpegDecompressor() {
    install_jpeg_errors(*reinterpret_cast<jpeg_common_struct*>(&info), errors);
    jpeg_create_decompress(&info);
}

JpegDecompressor::~JpegDecompressor() {
    jpeg_destroy_decompress(&info);
}

void keep_icc_segments(jpeg_decompress_struct& info) {
    jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);
}

std::string saved_icc_profile(jpeg_decompress_struct& info) {
    JOCTET* data = nullptr;
    unsigned int length = 0;
    if (!jpeg_read_icc_profile(&info, &data, &length) || data == nullptr) return {};
    std::string profile(reinterpret_cast<const char*>(data), length);
    std::free(data);
    return profile;
}

}  // namespace posteri
