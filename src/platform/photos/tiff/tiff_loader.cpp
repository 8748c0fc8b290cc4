// SPDX-License-Identifier: GPL-3.0-or-later
// Finds and loads the TIFF decoder the first time a TIFF photo is read.
#include "platform/photos/tiff/tiff_decoder.h"
#include "platform/system/modules.h"

namespace posteri {

const TiffDecoder* tiff_decoder() {
    static const auto* const decoder =
        static_cast<const TiffDecoder*>(module_symbol("libposteri-tiff.so", "posteri_tiff_decoder"));
    return decoder;
}

}  // namespace posteri
