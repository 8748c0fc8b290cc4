// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text extents of many texts, each in a font of its own, as a font window needs them. They depend
// only on the installed fonts, so they are measured once, kept for the run and in a file for the
// next runs, under a key of the installed font set: any change of the fonts measures them afresh.

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/geometry.h"
#include "platform/type/fonts.h"

namespace posteri {

// Measures texts not measured before, telling how far it has come.
using BatchMeasurer =
    std::function<std::vector<TextExtent>(const std::vector<const FontText*>& texts, const MeasureProgress&)>;

class FontExtents {
  public:
    // `file`: where the extents are kept between runs; empty keeps them for the run only.
    FontExtents(BatchMeasurer measure, std::string file);

    std::vector<TextExtent> measure(const std::vector<FontText>& texts, const MeasureProgress& progress);

  private:
    void load(const std::string& key);
    void save() const;

    BatchMeasurer measure_;
    std::string file_;
    std::string key_;  // of the font set the kept extents belong to
    std::unordered_map<std::string, TextExtent> kept_;
};

// A text in a font as one key: the face's length comes first, so that no two keys differ only in
// where the face ends and the text begins.
std::string font_text_key(const FontSpec& font, std::string_view text);

// $XDG_CACHE_HOME/posteri/font-extents, or ~/.cache/posteri/font-extents; empty when neither is set.
std::string font_extents_file();

}  // namespace posteri
