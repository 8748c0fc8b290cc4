// SPDX-License-Identifier: GPL-3.0-or-later
// The JPEG XL reader module: the one file that calls libjxl. Each call runs one decoder over the
// whole file, its input closed, on libjxl's thread pool: the headers and boxes alone, the first frame
// (kept in its stored orientation, which the photo room applies with every other kind's), or the JPEG
// a file made from one rebuilds.
#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/photos/jxl/jxl_reader.h"

namespace posteri {

namespace {

// An Exif box larger than this is none a camera writes; it is left unread.
constexpr std::size_t kMostExifBytes = 1 << 20;

struct DecoderDelete {
    void operator()(JxlDecoder* decoder) const { JxlDecoderDestroy(decoder); }
};
using Decoder = std::unique_ptr<JxlDecoder, DecoderDelete>;

// One pool for the process, made on first use; without one, libjxl decodes on the calling thread.
void* thread_pool() {
    static void* const pool =
        JxlThreadParallelRunnerCreate(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
    return pool;
}

// A decoder over the whole file for the events asked; nullptr when it cannot be set up. It keeps the
// stored orientation, in its facts as in its pixels: told to apply it, libjxl would report the
// turned grid and no orientation, and a JPEG rebuilt from the file would not match them.
Decoder decoder_for(std::string_view file, int events) {
    Decoder decoder(JxlDecoderCreate(nullptr));
    if (!decoder || JxlDecoderSubscribeEvents(decoder.get(), events) != JXL_DEC_SUCCESS ||
        JxlDecoderSetKeepOrientation(decoder.get(), JXL_TRUE) != JXL_DEC_SUCCESS ||
        (thread_pool() != nullptr && JxlDecoderSetParallelRunner(decoder.get(), JxlThreadParallelRunner,
                                                                 thread_pool()) != JXL_DEC_SUCCESS) ||
        JxlDecoderSetInput(decoder.get(), reinterpret_cast<const uint8_t*>(file.data()), file.size()) !=
            JXL_DEC_SUCCESS) {
        return nullptr;
    }
    JxlDecoderCloseInput(decoder.get());
    return decoder;
}

// The profile of the colours libjxl gives the pixels in: the image's own, except for a lossy image
// whose own colours it cannot describe, which it gives in linear sRGB.
std::string pixel_profile(const JxlDecoder* decoder) {
    std::size_t size = 0;
    if (JxlDecoderGetICCProfileSize(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) !=
        JXL_DEC_SUCCESS) {
        return {};
    }
    std::string icc(size, '\0');
    if (JxlDecoderGetColorAsICCProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                       reinterpret_cast<uint8_t*>(icc.data()), size) != JXL_DEC_SUCCESS) {
        return {};
    }
    return icc;
}

// Reads boxes into a buffer that grows as the box needs, up to kMostExifBytes.
class BoxReader {
  public:
    void start(JxlDecoder* decoder) {
        bytes_.assign(4096, '\0');
        used_ = 0;
        reading_ = JxlDecoderSetBoxBuffer(decoder, buffer(), bytes_.size()) == JXL_DEC_SUCCESS;
    }
    // More room for the box; a box grown too large is let go, and libjxl skips the rest of it.
    void grow(JxlDecoder* decoder) {
        used_ = bytes_.size() - JxlDecoderReleaseBoxBuffer(decoder);
        bytes_.resize(bytes_.size() * 2);
        reading_ =
            bytes_.size() <= kMostExifBytes &&
            JxlDecoderSetBoxBuffer(decoder, buffer() + used_, bytes_.size() - used_) == JXL_DEC_SUCCESS;
    }
    // The box's bytes once the decoder has moved past it; empty when none was being read.
    std::string finish(JxlDecoder* decoder) {
        if (!reading_) return {};
        reading_ = false;
        bytes_.resize(bytes_.size() - JxlDecoderReleaseBoxBuffer(decoder));
        return std::move(bytes_);
    }

  private:
    uint8_t* buffer() { return reinterpret_cast<uint8_t*>(bytes_.data()); }
    std::string bytes_;
    std::size_t used_ = 0;
    bool reading_ = false;
};

// The TIFF block of an Exif box, which stands behind a four-byte offset to it.
std::string tiff_block(const std::string& box) {
    if (box.size() < 4) return {};
    const uint32_t offset = static_cast<uint32_t>(static_cast<unsigned char>(box[0])) << 24 |
                            static_cast<unsigned char>(box[1]) << 16 |
                            static_cast<unsigned char>(box[2]) << 8 | static_cast<unsigned char>(box[3]);
    return offset <= box.size() - 4 ? box.substr(4 + offset) : std::string();
}

void take_basic_info(const JxlDecoder* decoder, JxlFacts& facts) {
    JxlBasicInfo info;
    if (JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS) return;
    facts.width = static_cast<int>(std::min<uint32_t>(info.xsize, INT32_MAX));
    facts.height = static_cast<int>(std::min<uint32_t>(info.ysize, INT32_MAX));
    facts.orientation = static_cast<int>(info.orientation);
    facts.grey = info.num_color_channels == 1;
    facts.alpha = info.alpha_bits > 0;
    facts.sixteen_bits = info.bits_per_sample > 8;
}

// A box read to its end is handed over as its type says: the Exif box kept, a JPEG's
// reconstruction data noted.
void take_box(JxlDecoder* decoder, BoxReader& exif, JxlFacts& facts) {
    if (std::string box = exif.finish(decoder); !box.empty()) facts.exif = tiff_block(box);
    JxlBoxType type;
    if (JxlDecoderGetBoxType(decoder, type, JXL_TRUE) != JXL_DEC_SUCCESS) return;
    if (std::memcmp(type, "jbrd", 4) == 0) facts.jpeg = true;
    if (std::memcmp(type, "Exif", 4) == 0 && facts.exif.empty()) exif.start(decoder);
}

bool read_facts(std::string_view file, JxlFacts& facts) {
    const Decoder decoder = decoder_for(file, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_BOX);
    if (!decoder) return false;
    JxlDecoderSetDecompressBoxes(decoder.get(), JXL_TRUE);
    BoxReader exif;
    for (;;) {
        switch (JxlDecoderProcessInput(decoder.get())) {
            case JXL_DEC_BASIC_INFO:
                take_basic_info(decoder.get(), facts);
                break;
            case JXL_DEC_COLOR_ENCODING:
                facts.icc = pixel_profile(decoder.get());
                break;
            case JXL_DEC_BOX:
                take_box(decoder.get(), exif, facts);
                break;
            case JXL_DEC_BOX_NEED_MORE_OUTPUT:
                exif.grow(decoder.get());
                break;
            case JXL_DEC_SUCCESS:
                if (std::string box = exif.finish(decoder.get()); !box.empty()) facts.exif = tiff_block(box);
                return facts.width > 0 && facts.height > 0;
            default:  // a file cut short or damaged: what was read before it stands
                return facts.width > 0 && facts.height > 0;
        }
    }
}

JxlDecoded decode(std::string_view file, const JxlOutput& output) {
    const Decoder decoder = decoder_for(file, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE);
    if (!decoder) return JxlDecoded::Nothing;
    const JxlPixelFormat format{static_cast<uint32_t>(output.channels),
                                output.sample_bytes == 2 ? JXL_TYPE_UINT16 : JXL_TYPE_UINT8, JXL_BIG_ENDIAN,
                                0};
    const std::size_t size =
        static_cast<std::size_t>(output.width) * output.height * output.channels * output.sample_bytes;
    bool out_set = false;
    for (;;) {
        switch (JxlDecoderProcessInput(decoder.get())) {
            case JXL_DEC_BASIC_INFO: {
                JxlFacts facts;
                take_basic_info(decoder.get(), facts);
                if (facts.width != output.width || facts.height != output.height) return JxlDecoded::Nothing;
                break;
            }
            case JXL_DEC_NEED_IMAGE_OUT_BUFFER:
                out_set = JxlDecoderSetImageOutBuffer(decoder.get(), &format, output.pixels, size) ==
                          JXL_DEC_SUCCESS;
                if (!out_set) return JxlDecoded::Nothing;
                break;
            case JXL_DEC_FULL_IMAGE:  // the first frame, as an animation's first frame shows
                return JxlDecoded::Whole;
            default:  // cut short or damaged: what progressive rendering holds of the frame so far
                return out_set && JxlDecoderFlushImage(decoder.get()) == JXL_DEC_SUCCESS
                           ? JxlDecoded::Part
                           : JxlDecoded::Nothing;
        }
    }
}

// The JPEG rebuilt into a buffer that grows as it needs, to at most a few times the file (the
// reconstruction data stores what it cannot compute, so the JPEG is hardly larger than the file).
std::string rebuilt_jpeg(std::string_view file) {
    const std::size_t most_bytes = 16 * file.size() + (1 << 20);
    const Decoder decoder = decoder_for(file, JXL_DEC_JPEG_RECONSTRUCTION | JXL_DEC_FULL_IMAGE);
    if (!decoder) return {};
    std::string jpeg;
    const auto give_room = [&](std::size_t used) {
        jpeg.resize(std::max<std::size_t>(2 * jpeg.size(), file.size() + 4096));
        return jpeg.size() <= most_bytes &&
               JxlDecoderSetJPEGBuffer(decoder.get(), reinterpret_cast<uint8_t*>(jpeg.data()) + used,
                                       jpeg.size() - used) == JXL_DEC_SUCCESS;
    };
    for (;;) {
        switch (JxlDecoderProcessInput(decoder.get())) {
            case JXL_DEC_JPEG_RECONSTRUCTION:
                if (!give_room(0)) return {};
                break;
            case JXL_DEC_JPEG_NEED_MORE_OUTPUT:
                if (!give_room(jpeg.size() - JxlDecoderReleaseJPEGBuffer(decoder.get()))) return {};
                break;
            case JXL_DEC_FULL_IMAGE:
                if (jpeg.empty()) return {};  // no reconstruction data: pixels were asked for instead
                jpeg.resize(jpeg.size() - JxlDecoderReleaseJPEGBuffer(decoder.get()));
                return jpeg;
            default:
                return {};
        }
    }
}

}  // namespace

}  // namespace posteri

// What the program looks up after loading the module.
extern "C" const posteri::JxlReader posteri_jxl_reader{posteri::read_facts, posteri::decode,
                                                       posteri::rebuilt_jpeg};
