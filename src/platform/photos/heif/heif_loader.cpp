// SPDX-License-Identifier: GPL-3.0-or-later
// Finds and loads the HEIF decoder the first time a HEIF photo is read.
#include "platform/photos/heif/heif_decoder.h"
#include "platform/system/modules.h"

namespace posteri {

const HeifDecoder* heif_decoder() {
    static const auto* const decoder =
        static_cast<const HeifDecoder*>(module_symbol("libposteri-heif.so", "posteri_heif_decoder"));
    return decoder;
}

}  // namespace posteri
