// SPDX-License-Identifier: GPL-3.0-or-later
// Finds and loads the JPEG XL reader the first time a JPEG XL photo is read.
#include "platform/photos/jxl/jxl_reader.h"
#include "platform/system/modules.h"

namespace posteri {

const JxlReader* jxl_reader() {
    static const auto* const reader =
        static_cast<const JxlReader*>(module_symbol("libposteri-jxl.so", "posteri_jxl_reader"));
    return reader;
}

}  // namespace posteri
