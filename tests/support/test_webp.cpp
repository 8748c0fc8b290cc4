// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/test_webp.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace posteri::test {

namespace {

std::vector<std::uint8_t> rgba_of(const WebpSpec& recipe, bool second_frame) {
    std::vector<std::uint8_t> rgba;
    for (int y = 0; y < recipe.height; ++y) {
        for (int x = 0; x < recipe.width; ++x) {
            const Rgb c =
                recipe.pixel ? recipe.pixel(x, y) : quadrant_colour(x, y, recipe.width, recipe.height);
            const auto sample = [&](int v) { return static_cast<std::uint8_t>(second_frame ? 255 - v : v); };
            rgba.insert(rgba.end(),
                        {sample(c.r), sample(c.g), sample(c.b), static_cast<std::uint8_t>(recipe.alpha)});
        }
    }
    return rgba;
}

WebPData still_webp(const WebpSpec& recipe) {
    const std::vector<std::uint8_t> rgba = rgba_of(recipe, false);
    std::uint8_t* out = nullptr;
    const int stride = 4 * recipe.width;
    const std::size_t size =
        recipe.lossless ? WebPEncodeLosslessRGBA(rgba.data(), recipe.width, recipe.height, stride, &out)
                        : WebPEncodeRGBA(rgba.data(), recipe.width, recipe.height, stride, 95, &out);
    if (size == 0) throw std::runtime_error("WebP encoding failed");
    return WebPData{out, size};
}

WebPData animated_webp(const WebpSpec& recipe) {
    WebPAnimEncoderOptions options;
    WebPAnimEncoderOptionsInit(&options);
    WebPAnimEncoder* encoder = WebPAnimEncoderNew(recipe.width, recipe.height, &options);
    WebPConfig config;
    WebPConfigInit(&config);
    config.lossless = recipe.lossless;
    for (int frame = 0; frame < 2; ++frame) {
        WebPPicture picture;
        WebPPictureInit(&picture);
        picture.width = recipe.width;
        picture.height = recipe.height;
        picture.use_argb = 1;
        const std::vector<std::uint8_t> rgba = rgba_of(recipe, frame == 1);
        WebPPictureImportRGBA(&picture, rgba.data(), 4 * recipe.width);
        WebPAnimEncoderAdd(encoder, &picture, frame * 100, &config);
        WebPPictureFree(&picture);
    }
    WebPAnimEncoderAdd(encoder, nullptr, 200, nullptr);
    WebPData data;
    WebPDataInit(&data);
    const bool made = WebPAnimEncoderAssemble(encoder, &data);
    WebPAnimEncoderDelete(encoder);
    if (!made) throw std::runtime_error("WebP animation failed");
    return data;
}

void set_chunk(WebPMux* mux, const char* name, const std::string& bytes) {
    if (bytes.empty()) return;
    const WebPData chunk{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
    WebPMuxSetChunk(mux, name, &chunk, 1);
}

}  // namespace

std::string make_webp(const WebpSpec& recipe) {
    WebPData image = recipe.animated ? animated_webp(recipe) : still_webp(recipe);
    WebPMux* mux = WebPMuxCreate(&image, 1);
    set_chunk(mux, "ICCP", recipe.icc);
    set_chunk(mux, "EXIF", recipe.exif);
    WebPData assembled;
    WebPDataInit(&assembled);
    const WebPMuxError error = WebPMuxAssemble(mux, &assembled);
    WebPMuxDelete(mux);
    WebPDataClear(&image);
    if (error != WEBP_MUX_OK) throw std::runtime_error("WebP chunks failed");
    std::string bytes(reinterpret_cast<const char*>(assembled.bytes), assembled.size);
    WebPDataClear(&assembled);
    return bytes;
}

std::string webp_claiming(int width, int height) {
    const auto le = [](unsigned value, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
        return out;
    };
    const std::string vp8x = "VP8X" + le(10, 4) + le(0, 4) + le(static_cast<unsigned>(width - 1), 3) +
                             le(static_cast<unsigned>(height - 1), 3);
    // The RIFF size counts image data still to come, as in a file cut short after its header.
    return "RIFF" + le(static_cast<unsigned>(4 + vp8x.size() + 1000), 4) + "WEBP" + vp8x;
}

}  // namespace posteri::test
