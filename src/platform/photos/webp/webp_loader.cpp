// SPDX-License-Identifier: GPL-3.0-or-later
// Finds and loads the WebP decoder the first time a WebP photo is read.
#include "platform/photos/webp/webp_decoder.h"
#include "platform/system/modules.h"

namespace posteri {

const WebpDecoder* webp_decoder() {
    static const auto* const decoder =
        static_cast<const WebpDecoder*>(module_symbol("libposteri-webp.so", "posteri_webp_decoder"));
    return decoder;
}

}  // namespace posteri
