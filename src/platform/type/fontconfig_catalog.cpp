// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/type/fontconfig_catalog.h"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <optional>
#include <set>
#include <string_view>

#include "format/codepage.h"
#include "platform/type/fontconfig_font_set.h"

namespace posteri {

namespace {

struct FontSetDeleter {
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};

bool is_english(const FcPattern* font, int index) {
    FcChar8* lang = nullptr;
    if (FcPatternGetString(font, FC_FAMILYLANG, index, &lang) != FcResultMatch) return false;
    const std::string_view tag(reinterpret_cast<const char*>(lang));
    return tag == "en" || tag.starts_with("en-");
}

// A font's family names: those tagged English where it has any (a font may carry several, each a
// face of its own, such as "DejaVu Sans" and "DejaVu Sans Condensed"), otherwise its first name.
std::vector<std::string> names_of(const FcPattern* font) {
    std::vector<std::string> english;
    std::string first;
    FcChar8* family = nullptr;
    for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &family) == FcResultMatch; ++i) {
        const std::string name(reinterpret_cast<const char*>(family));
        if (i == 0) first = name;
        if (is_english(font, i)) english.push_back(name);
    }
    if (english.empty() && !first.empty()) english.push_back(first);
    return english;
}

// The name in Windows-1252, or nothing when a character has no byte there.
std::optional<std::string> windows_1252_name(const std::string& utf8) {
    if (!is_valid_utf8(utf8)) return std::nullopt;
    const std::string converted = utf8_to_cp1252(utf8, '\0');
    if (converted.find('\0') != std::string::npos) return std::nullopt;
    return converted;
}

}  // namespace

std::vector<std::string> FontconfigCatalog::family_names() {
    bring_fonts_up_to_date();
    if (FcInit() == FcFalse) return {};
    FcPattern* all = FcPatternCreate();
    FcObjectSet* wanted = FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, nullptr);
    const std::unique_ptr<FcFontSet, FontSetDeleter> fonts(FcFontList(nullptr, all, wanted));
    FcObjectSetDestroy(wanted);
    FcPatternDestroy(all);
    std::vector<std::string> names;
    if (!fonts) return names;
    std::set<std::string> seen;
    for (int f = 0; f < fonts->nfont; ++f) {
        for (const std::string& utf8 : names_of(fonts->fonts[f])) {
            const auto name = windows_1252_name(utf8);
            if (name && seen.insert(*name).second) names.push_back(*name);
        }
    }
    return names;
}

}  // namespace posteri
