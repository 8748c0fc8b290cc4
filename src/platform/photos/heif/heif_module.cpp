// SPDX-License-Identifier: GPL-3.0-or-later
// The HEIF decoder module: the one file that calls libheif. Only the primary image is read (a
// collection's others and its thumbnails are not), within libheif's security limits, which refuse
// an image whose sides claim more than a raster holds while the boxes are parsed, before any pixel
// is allocated.
#include <libheif/heif.h>

#include <memory>

#include "platform/photos/heif/heif_decoder.h"

namespace posteri {

namespace {

// libheif refuses images whose width or height reaches this, as a raster's side must stay below it.
constexpr int kLongestSide = 32768;

struct ContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleRelease {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};
struct NclxFree {
    void operator()(heif_color_profile_nclx* nclx) const { heif_nclx_color_profile_free(nclx); }
};
using Context = std::unique_ptr<heif_context, ContextFree>;
using Handle = std::unique_ptr<heif_image_handle, HandleRelease>;
using Image = std::unique_ptr<heif_image, ImageRelease>;

// The file's boxes, read over its bytes without a copy.
struct Primary {
    Context context;
    Handle handle;
};

Primary primary_of(std::string_view file) {
    Primary primary{Context(heif_context_alloc()), nullptr};
    if (!primary.context) return primary;
    heif_context_set_maximum_image_size_limit(primary.context.get(), kLongestSide);
    heif_image_handle* handle = nullptr;
    if (heif_context_read_from_memory_without_copy(primary.context.get(), file.data(), file.size(), nullptr)
                .code != heif_error_Ok ||
        heif_context_get_primary_image_handle(primary.context.get(), &handle).code != heif_error_Ok) {
        return primary;
    }
    primary.handle.reset(handle);
    return primary;
}

std::string icc_of(const heif_image_handle* handle) {
    std::string icc(heif_image_handle_get_raw_color_profile_size(handle), '\0');
    if (icc.empty() || heif_image_handle_get_raw_color_profile(handle, icc.data()).code != heif_error_Ok)
        return {};
    return icc;
}

// libheif hands out the box even when it refuses it (for primaries it does not know), so it is let go
// whatever the answer.
HeifNclx nclx_of(const heif_image_handle* handle) {
    heif_color_profile_nclx* given = nullptr;
    const heif_error error = heif_image_handle_get_nclx_color_profile(handle, &given);
    const std::unique_ptr<heif_color_profile_nclx, NclxFree> nclx(given);
    if (error.code != heif_error_Ok || !nclx) return {};
    return {true,
            nclx->color_primary_red_x,
            nclx->color_primary_red_y,
            nclx->color_primary_green_x,
            nclx->color_primary_green_y,
            nclx->color_primary_blue_x,
            nclx->color_primary_blue_y,
            nclx->color_primary_white_x,
            nclx->color_primary_white_y,
            static_cast<int>(nclx->transfer_characteristics)};
}

// The EXIF item starts with the offset of its TIFF header from the end of that offset's 4 bytes.
std::string exif_of(const heif_image_handle* handle) {
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) != 1) return {};
    std::string item(heif_image_handle_get_metadata_size(handle, id), '\0');
    if (item.size() < 4 || heif_image_handle_get_metadata(handle, id, item.data()).code != heif_error_Ok)
        return {};
    const auto byte = [&](int i) { return static_cast<std::size_t>(static_cast<unsigned char>(item[i])); };
    const std::size_t start = 4 + (byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3));
    return start < item.size() ? item.substr(start) : std::string();
}

bool read_features(std::string_view file, HeifFeatures& features) {
    const Primary primary = primary_of(file);
    if (!primary.handle) return false;
    const heif_image_handle* handle = primary.handle.get();
    features.width = heif_image_handle_get_width(handle);
    features.height = heif_image_handle_get_height(handle);
    features.alpha = heif_image_handle_has_alpha_channel(handle) != 0;
    features.icc = icc_of(handle);
    features.nclx = nclx_of(handle);
    features.exif = exif_of(handle);
    return features.width > 0 && features.height > 0;
}

Image decoded_image(const heif_image_handle* handle, bool alpha, bool& warned) {
    const std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    options->convert_hdr_to_8bit = 1;
    heif_image* image = nullptr;
    const heif_chroma chroma = alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB;
    if (heif_decode_image(handle, &image, heif_colorspace_RGB, chroma, options.get()).code != heif_error_Ok)
        return nullptr;
    warned = heif_image_get_decoding_warnings(image, 0, nullptr, 0) > 0;
    return Image(image);
}

HeifDecoded decode(std::string_view file, const HeifRowSink& rows) {
    const Primary primary = primary_of(file);
    if (!primary.handle) return HeifDecoded::Nothing;
    const bool alpha = heif_image_handle_has_alpha_channel(primary.handle.get()) != 0;
    bool warned = false;
    const Image image = decoded_image(primary.handle.get(), alpha, warned);
    const int height = image ? heif_image_get_height(image.get(), heif_channel_interleaved) : 0;
    // The decoded image must be the size the boxes announced, which the caller sized its rows by.
    if (!image ||
        heif_image_get_width(image.get(), heif_channel_interleaved) !=
            heif_image_handle_get_width(primary.handle.get()) ||
        height != heif_image_handle_get_height(primary.handle.get())) {
        return HeifDecoded::Nothing;
    }
    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (plane == nullptr) return HeifDecoded::Nothing;
    for (int y = 0; y < height; ++y) rows(plane + static_cast<std::ptrdiff_t>(y) * stride, alpha ? 4 : 3);
    return warned ? HeifDecoded::Part : HeifDecoded::Whole;
}

}  // namespace

}  // namespace posteri

// What the program looks up after loading the module.
extern "C" const posteri::HeifDecoder posteri_heif_decoder{posteri::read_features, posteri::decode};
