// SPDX-License-Identifier: GPL-3.0-or-later
// The WebP decoder module: the one file that calls libwebp. Its headers and chunks come through the
// demuxer, which reads a file cut short as far as it goes; the first frame is decoded by the
// incremental decoder, which keeps the rows it decoded before the data ran out or went wrong.
#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <memory>

#include "platform/photos/webp/webp_decoder.h"

namespace posteri {

namespace {

struct DemuxerDelete {
    void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};
using Demuxer = std::unique_ptr<WebPDemuxer, DemuxerDelete>;

struct DecoderDelete {
    void operator()(WebPIDecoder* decoder) const { WebPIDelete(decoder); }
};

// A demuxer over as much of the file as there is; nullptr when not even its header can be read.
Demuxer demuxer_of(std::string_view file) {
    const WebPData data{reinterpret_cast<const uint8_t*>(file.data()), file.size()};
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    Demuxer demuxer(WebPDemuxPartial(&data, &state));
    if (state < WEBP_DEMUX_PARSED_HEADER) return nullptr;
    return demuxer;
}

std::string_view chunk(const WebPDemuxer* demuxer, const char* name) {
    WebPChunkIterator found;
    if (!WebPDemuxGetChunk(demuxer, name, 1, &found)) return {};
    const std::string_view bytes(reinterpret_cast<const char*>(found.chunk.bytes), found.chunk.size);
    WebPDemuxReleaseChunkIterator(&found);
    return bytes;
}

bool read_features(std::string_view file, WebpFeatures& features) {
    const Demuxer demuxer = demuxer_of(file);
    if (!demuxer) return false;
    features.width = static_cast<int>(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH));
    features.height = static_cast<int>(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT));
    const uint32_t flags = WebPDemuxGetI(demuxer.get(), WEBP_FF_FORMAT_FLAGS);
    features.alpha = (flags & ALPHA_FLAG) != 0;
    WebPIterator frame;
    if (WebPDemuxGetFrame(demuxer.get(), 1, &frame)) {
        features.alpha = features.alpha || frame.has_alpha;
        WebPDemuxReleaseIterator(&frame);
    }
    features.icc = chunk(demuxer.get(), "ICCP");
    features.exif = chunk(demuxer.get(), "EXIF");
    return features.width > 0 && features.height > 0;
}

WEBP_CSP_MODE mode_of(WebpSamples samples) {
    switch (samples) {
        case WebpSamples::Bgra:
            return MODE_BGRA;
        case WebpSamples::Rgba:
            return MODE_RGBA;
        default:
            return MODE_RGB;
    }
}

int bytes_per_pixel(WebpSamples samples) {
    return samples == WebpSamples::Rgb ? 3 : 4;
}

// `length` of the canvas's `canvas_side` as it comes out at `output_side`.
int scaled(int length, int canvas_side, int output_side) {
    return static_cast<int>(static_cast<long long>(length) * output_side / canvas_side);
}

// The frame's pixels go where it stands on the scaled canvas, straight into the output's rows.
void aim_at_output(const WebPIterator& frame, int canvas_width, int canvas_height, const WebpOutput& output,
                   WebPDecoderConfig& config) {
    const int width = std::max(1, scaled(frame.width, canvas_width, output.width));
    const int height = std::max(1, scaled(frame.height, canvas_height, output.height));
    const int x = std::min(scaled(frame.x_offset, canvas_width, output.width), output.width - width);
    const int y = std::min(scaled(frame.y_offset, canvas_height, output.height), output.height - height);
    if (width != frame.width || height != frame.height) {
        config.options.use_scaling = 1;
        config.options.scaled_width = width;
        config.options.scaled_height = height;
    }
    const int pixel = bytes_per_pixel(output.samples);
    WebPRGBABuffer& rgba = config.output.u.RGBA;
    config.output.colorspace = mode_of(output.samples);
    config.output.is_external_memory = 1;
    rgba.rgba =
        output.rows + static_cast<std::size_t>(y) * output.stride + static_cast<std::size_t>(x) * pixel;
    rgba.stride = static_cast<int>(output.stride);
    rgba.size =
        static_cast<std::size_t>(height - 1) * output.stride + static_cast<std::size_t>(width) * pixel;
}

WebpDecoded decode_frame(const WebPIterator& frame, WebPDecoderConfig& config) {
    std::unique_ptr<WebPIDecoder, DecoderDelete> decoder(WebPIDecode(nullptr, 0, &config));
    if (!decoder) return WebpDecoded::Nothing;
    const VP8StatusCode status = WebPIUpdate(decoder.get(), frame.fragment.bytes, frame.fragment.size);
    if (status == VP8_STATUS_OK) return WebpDecoded::Whole;
    int rows = 0;
    const bool any = WebPIDecGetRGB(decoder.get(), &rows, nullptr, nullptr, nullptr) != nullptr && rows > 0;
    return any ? WebpDecoded::Part : WebpDecoded::Nothing;
}

WebpDecoded decode(std::string_view file, const WebpOutput& output) {
    const Demuxer demuxer = demuxer_of(file);
    WebPIterator frame;
    if (!demuxer || output.width <= 0 || output.height <= 0 || !WebPDemuxGetFrame(demuxer.get(), 1, &frame)) {
        return WebpDecoded::Nothing;
    }
    WebPDecoderConfig config;
    WebPInitDecoderConfig(&config);
    const int canvas_width = static_cast<int>(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH));
    const int canvas_height = static_cast<int>(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT));
    aim_at_output(frame, canvas_width, canvas_height, output, config);
    WebpDecoded decoded = decode_frame(frame, config);
    // A frame cut short in the file shows as whole to a decoder that never sees its end.
    if (decoded == WebpDecoded::Whole && !frame.complete) decoded = WebpDecoded::Part;
    WebPDemuxReleaseIterator(&frame);
    return decoded;
}

}  // namespace

}  // namespace posteri

// What the program looks up after loading the module.
extern "C" const posteri::WebpDecoder posteri_webp_decoder{posteri::read_features, posteri::decode};
