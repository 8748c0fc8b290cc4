// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/test_heif.h"

#include <libheif/heif.h>

#include <cstdint>
#include <stdexcept>

namespace posteri::test {

namespace {

void check(heif_error error) {
    if (error.code != heif_error_Ok) throw std::runtime_error(std::string("libheif: ") + error.message);
}

heif_image* image_of(const HeifSpec& recipe) {
    const bool alpha = recipe.alpha < 255;
    heif_image* image = nullptr;
    check(heif_image_create(recipe.width, recipe.height, heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &image));
    check(heif_image_add_plane(image, heif_channel_interleaved, recipe.width, recipe.height, 8));
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < recipe.height; ++y) {
        std::uint8_t* pixel = plane + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < recipe.width; ++x) {
            const Rgb c =
                recipe.pixel ? recipe.pixel(x, y) : quadrant_colour(x, y, recipe.width, recipe.height);
            *pixel++ = static_cast<std::uint8_t>(c.r);
            *pixel++ = static_cast<std::uint8_t>(c.g);
            *pixel++ = static_cast<std::uint8_t>(c.b);
            if (alpha) *pixel++ = static_cast<std::uint8_t>(recipe.alpha);
        }
    }
    return image;
}

void describe_colours(heif_image* image, const HeifSpec& recipe) {
    if (!recipe.icc.empty()) {
        check(heif_image_set_raw_color_profile(image, "prof", recipe.icc.data(), recipe.icc.size()));
    } else if (recipe.nclx.primaries != 0) {
        heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
        heif_nclx_color_profile_set_color_primaries(nclx, static_cast<std::uint16_t>(recipe.nclx.primaries));
        heif_nclx_color_profile_set_transfer_characteristics(
            nclx, static_cast<std::uint16_t>(recipe.nclx.transfer));
        heif_nclx_color_profile_set_matrix_coefficients(nclx, recipe.avif || !recipe.lossless ? 6 : 0);
        nclx->full_range_flag = 1;
        check(heif_image_set_nclx_color_profile(image, nclx));
        heif_nclx_color_profile_free(nclx);
    }
}

heif_encoder* encoder_for(heif_context* context, const HeifSpec& recipe) {
    heif_encoder* encoder = nullptr;
    check(heif_context_get_encoder_for_format(
        context, recipe.avif ? heif_compression_AV1 : heif_compression_HEVC, &encoder));
    if (recipe.avif) {
        // Debian's aom stops on an assertion for 4:2:0 and 4:4:4 through libheif 1.15.
        check(heif_encoder_set_parameter_string(encoder, "chroma", "422"));
        check(heif_encoder_set_lossy_quality(encoder, recipe.quality));
    } else if (recipe.lossless) {
        check(heif_encoder_set_lossless(encoder, 1));
        check(heif_encoder_set_parameter_string(encoder, "chroma", "444"));
    } else {
        check(heif_encoder_set_lossy_quality(encoder, recipe.quality));
    }
    return encoder;
}

heif_error append(heif_context*, const void* data, std::size_t size, void* bytes) {
    static_cast<std::string*>(bytes)->append(static_cast<const char*>(data), size);
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

}  // namespace

std::string make_heif(const HeifSpec& recipe) {
    heif_context* context = heif_context_alloc();
    heif_image* image = image_of(recipe);
    describe_colours(image, recipe);
    heif_encoder* encoder = encoder_for(context, recipe);
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = static_cast<heif_orientation>(recipe.orientation);
    // Without this, libheif leaves out an nclx box that only macOS once failed to read.
    options->macOS_compatibility_workaround_no_nclx_profile = 0;
    heif_image_handle* handle = nullptr;
    check(heif_context_encode_image(context, image, encoder, options, &handle));
    if (!recipe.exif.empty()) {
        check(heif_context_add_exif_metadata(context, handle, recipe.exif.data(),
                                             static_cast<int>(recipe.exif.size())));
    }
    std::string bytes;
    heif_writer writer{1, append};
    check(heif_context_write(context, &writer, &bytes));
    heif_image_handle_release(handle);
    heif_encoding_options_free(options);
    heif_encoder_release(encoder);
    heif_image_release(image);
    heif_context_free(context);
    return bytes;
}

}  // namespace posteri::test

// x265 keeps buffers of its own for the life of the process once libheif has encoded with it: a leak
// of the library's, not of a test's.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libx265.so\n";
}
