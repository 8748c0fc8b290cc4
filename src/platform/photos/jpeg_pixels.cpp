// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/jpeg_pixels.h"

#include <turbojpeg.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/photos/jpeg_errors.h"
#include "platform/photos/jpeg_structure.h"
#include "platform/photos/lcms_colour_profile.h"
#include "platform/photos/photo_header.h"
#include "platform/photos/row_reducer.h"

namespace posteri {

namespace {

// Each step that calls libjpeg sets its own return point (setjmp) and changes no local state of
// its own after it, so a jump back leaves nothing undefined.

bool is_cmyk(J_COLOR_SPACE colours) {
    return colours == JCS_CMYK || colours == JCS_YCCK;
}

void read_from(jpeg_decompress_struct& info, std::string_view bytes) {
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

// The photo's ICC profile, empty when it has none; false when reading it failed.
bool read_icc_profile(JpegDecompressor& decoder, std::string& icc) {
    if (setjmp(decoder.errors.jump)) return false;
    icc = saved_icc_profile(decoder.info);
    return true;
}

bool prepare(JpegDecompressor& decoder, std::string_view bytes, int eighths) {
    if (setjmp(decoder.errors.jump)) return false;
    read_from(decoder.info, bytes);
    keep_icc_segments(decoder.info);
    jpeg_read_header(&decoder.info, TRUE);
    decoder.info.out_color_space = is_cmyk(decoder.info.jpeg_color_space) ? JCS_CMYK : JCS_EXT_BGRX;
    decoder.info.scale_num = static_cast<unsigned>(eighths);
    decoder.info.scale_denom = 8;
    jpeg_calc_output_dimensions(&decoder.info);
    return true;
}

// Adobe's applications write CMYK inverted (255 = no ink), and mark such files with their APP14
// segment; other writers store the amount of ink.
Samples samples_of(const jpeg_decompress_struct& info) {
    if (info.out_color_space == JCS_CMYK) return info.saw_Adobe_marker ? Samples::InvertedCmyk : Samples::Cmyk;
    return info.jpeg_color_space == JCS_GRAYSCALE ? Samples::GreyInBgrx : Samples::Bgrx;
}

unsigned char* row_of(cairo_surface_t* surface, int y) {
    return cairo_image_surface_get_data(surface) +
           static_cast<std::ptrdiff_t>(y) * cairo_image_surface_get_stride(surface);
}

// Reads the rows, each through `colours` (CMYK ones by way of `cmyk_row`), straight into the surface,
// or, given a `reducer`, through `band_row` into it, so that the decode at libjpeg's scale is never
// held whole.
bool read_rows(JpegDecompressor& decoder, cairo_surface_t* surface, RowReducer* reducer,
               unsigned char* band_row, unsigned char* cmyk_row, const SrgbColours& colours) {
    if (setjmp(decoder.errors.jump)) return false;
    jpeg_decompress_struct& info = decoder.info;
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        unsigned char* target = reducer != nullptr ? band_row : row_of(surface, static_cast<int>(info.output_scanline));
        JSAMPROW row = cmyk_row != nullptr ? cmyk_row : target;
        jpeg_read_scanlines(&info, &row, 1);
        if (colours.converts()) colours.to_bgrx(row, target, info.output_width);
        if (reducer != nullptr) reducer->add(target, info.output_width);
    }
    if (reducer != nullptr) reducer->flush();
    jpeg_finish_decompress(&info);
    return !decoder.errors.damaged;
}

// Collects a compressor's output in a string.
struct StringDestination {
    static constexpr std::size_t kChunk = 1 << 16;
    jpeg_destination_mgr manager{};
    std::string bytes;

    StringDestination() {
        manager.init_destination = [](j_compress_ptr info) { self(info).grow(); };
        manager.empty_output_buffer = [](j_compress_ptr info) -> boolean {
            StringDestination& destination = self(info);
            destination.manager.free_in_buffer = 0;
            destination.grow();
            return TRUE;
        };
        manager.term_destination = [](j_compress_ptr info) {
            StringDestination& destination = self(info);
            destination.bytes.resize(destination.bytes.size() - destination.manager.free_in_buffer);
        };
    }
    static StringDestination& self(j_compress_ptr info) {
        return *reinterpret_cast<StringDestination*>(info->dest);
    }
    void grow() {
        const std::size_t used = bytes.size() - manager.free_in_buffer;
        bytes.resize(used + kChunk);
        manager.next_output_byte = reinterpret_cast<JOCTET*>(bytes.data() + used);
        manager.free_in_buffer = kChunk;
    }
};

// One error record serves both ends, so either one jumps back to the same point.
struct Transcoder {
    JpegErrors errors;
    jpeg_decompress_struct source{};
    jpeg_compress_struct target{};
    StringDestination destination;
    std::string icc;  // the photo's ICC profile, written again; kept here, where no jump skips its end
    Transcoder() {
        install_jpeg_errors(*reinterpret_cast<jpeg_common_struct*>(&source), errors);
        install_jpeg_errors(*reinterpret_cast<jpeg_common_struct*>(&target), errors);
        jpeg_create_decompress(&source);
        jpeg_create_compress(&target);
        target.dest = &destination.manager;
    }
    ~Transcoder() {
        jpeg_destroy_compress(&target);
        jpeg_destroy_decompress(&source);
    }
    Transcoder(const Transcoder&) = delete;
    Transcoder& operator=(const Transcoder&) = delete;
};

// The photo's colours stay its own: its ICC profile goes along.
bool transcode(Transcoder& transcoder, std::string_view bytes) {
    if (setjmp(transcoder.errors.jump)) return false;
    read_from(transcoder.source, bytes);
    keep_icc_segments(transcoder.source);
    jpeg_read_header(&transcoder.source, TRUE);
    transcoder.icc = saved_icc_profile(transcoder.source);
    jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&transcoder.source);
    jpeg_copy_critical_parameters(&transcoder.source, &transcoder.target);
    transcoder.target.arith_code = FALSE;
    transcoder.target.optimize_coding = TRUE;
    jpeg_write_coefficients(&transcoder.target, coefficients);
    if (!transcoder.icc.empty()) {
        jpeg_write_icc_profile(&transcoder.target, reinterpret_cast<const JOCTET*>(transcoder.icc.data()),
                               static_cast<unsigned>(transcoder.icc.size()));
    }
    jpeg_finish_compress(&transcoder.target);
    jpeg_finish_decompress(&transcoder.source);
    return !transcoder.errors.damaged;
}

bool read_coefficients(JpegDecompressor& decoder, std::string_view bytes) {
    if (setjmp(decoder.errors.jump)) return false;
    read_from(decoder.info, bytes);
    jpeg_read_header(&decoder.info, TRUE);
    jpeg_read_coefficients(&decoder.info);
    return true;
}

using TurboHandle = std::unique_ptr<void, int (*)(tjhandle)>;

// A damaged stream is read with warnings only, so the transform reports -1 with a warning code while
// writing a whole JPEG: only a fatal error, or a warning with nothing written (a stream with no
// image in it), means the stream could not be read.
bool transform_wrote_jpeg(tjhandle transformer, int status, unsigned long size) {
    if (size == 0) return false;
    return status == 0 || tjGetErrorCode(transformer) == TJERR_WARNING;
}

}  // namespace

cairo_surface_t* decode_jpeg(std::string_view bytes, int eighths, int reduction) {
    JpegDecompressor decoder;
    std::string icc;
    if (reduction < 1 || !prepare(decoder, bytes, eighths) || !read_icc_profile(decoder, icc)) return nullptr;
    const unsigned width = decoder.info.output_width;
    const unsigned height = decoder.info.output_height;
    if (!fits_in_memory(width, reduction) ||
        !fits_in_memory((width + reduction - 1) / reduction, (height + reduction - 1) / reduction)) {
        return nullptr;
    }
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>((width + reduction - 1) / reduction),
                                   static_cast<int>((height + reduction - 1) / reduction));
    std::vector<unsigned char> cmyk_row(decoder.info.out_color_space == JCS_CMYK ? width * 4 : 0);
    std::vector<unsigned char> band_row(reduction > 1 ? width * 4 : 0);
    std::optional<RowReducer> reducer;
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS && reduction > 1) {
        reducer.emplace(surface, reduction, reduction);
    }
    const SrgbColours colours(icc, samples_of(decoder.info));
    const bool decoded = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
                         read_rows(decoder, surface, reducer ? &*reducer : nullptr, band_row.data(),
                                   cmyk_row.empty() ? nullptr : cmyk_row.data(), colours);
    if (!decoded) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

std::string huffman_coded(std::string_view bytes) {
    Transcoder transcoder;
    if (!transcode(transcoder, bytes)) return {};
    return std::move(transcoder.destination.bytes);
}

std::string repaired_jpeg(std::string_view bytes) {
    const TurboHandle transformer(tjInitTransform(), tjDestroy);
    if (!transformer) return {};
    tjtransform copy{};
    copy.op = TJXOP_NONE;
    unsigned char* written = nullptr;
    unsigned long size = 0;
    const int status = tjTransform(transformer.get(), reinterpret_cast<const unsigned char*>(bytes.data()),
                                   bytes.size(), 1, &written, &size, &copy, 0);
    std::string repaired;
    if (written != nullptr && transform_wrote_jpeg(transformer.get(), status, size)) {
        repaired.assign(reinterpret_cast<const char*>(written), size);
    }
    tjFree(written);
    // A stream damaged in its scan headers can come out damaged again: such a repair is no repair.
    if (!jpeg_structure_is_whole(repaired)) repaired.clear();
    return repaired;
}

bool jpeg_data_damaged(std::string_view bytes) {
    JpegDecompressor decoder;
    if (!read_coefficients(decoder, bytes) || decoder.errors.data_lost) return true;
    // A progressive stream cut between scans reads without a warning but lacks the scans that
    // never came: coefficients libjpeg was never sent stay marked -1.
    if (!decoder.info.progressive_mode) return false;
    for (int component = 0; component < decoder.info.num_components; ++component) {
        for (int k = 0; k < DCTSIZE2; ++k) {
            if (decoder.info.coef_bits[component][k] < 0) return true;
        }
    }
    return false;
}

}  // namespace posteri
