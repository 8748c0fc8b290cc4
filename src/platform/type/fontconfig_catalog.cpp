// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/type/fontconfig_catalog.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-font.h>

#include <cctype>
#include <memory>
#include <optional>
#include <set>
#include <string_view>

#include "format/codepage.h"
#include "platform/type/fontconfig_font_set.h"
#include "platform/type/harfbuzz_font_cell.h"

namespace posteri {

namespace {

struct FontSetDeleter {
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};

// The em a face is looked up at: the choice of face does not depend on it.
constexpr int kSomeEm = 100;

// Whether the font's `index`th name of a kind is tagged English in `lang_object` (FC_FAMILYLANG for
// family names, FC_STYLELANG for style names).
bool is_english(const FcPattern* font, const char* lang_object, int index) {
    FcChar8* lang = nullptr;
    if (FcPatternGetString(font, lang_object, index, &lang) != FcResultMatch) return false;
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
        if (is_english(font, FC_FAMILYLANG, i)) english.push_back(name);
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

// The font's first name of a kind tagged English, otherwise its first one.
std::string english_or_first(const FcPattern* font, const char* object, const char* lang_object) {
    FcChar8* value = nullptr;
    for (int i = 0; FcPatternGetString(font, object, i, &value) == FcResultMatch; ++i) {
        if (is_english(font, lang_object, i)) return reinterpret_cast<const char*>(value);
    }
    if (FcPatternGetString(font, object, 0, &value) != FcResultMatch) return {};
    return reinterpret_cast<const char*>(value);
}

// A family name as the font configuration compares family names: without blanks, in small letters.
std::string folded(std::string_view name) {
    std::string out;
    for (const char c : name) {
        if (c != ' ') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

bool bears_name(const FcPattern* font, const std::string& family) {
    const std::string wanted = folded(family);
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        if (folded(reinterpret_cast<const char*>(name)) == wanted) return true;
    }
    return false;
}

struct FontDeleter {
    void operator()(PangoFont* font) const { g_object_unref(font); }
};

// The font pango takes for a text asking for `family` in the weight: the font configuration's
// choice, asked for through the font map and language every page's text is laid out with.
std::unique_ptr<PangoFont, FontDeleter> chosen_font(const std::string& family, bool bold) {
    PangoFontMap* map = pango_cairo_font_map_get_default();
    PangoContext* context = pango_font_map_create_context(map);
    pango_context_set_language(context, pango_language_get_default());
    PangoFontDescription* wanted = pango_font_description_new();
    pango_font_description_set_family(wanted, family.c_str());
    pango_font_description_set_weight(wanted, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_absolute_size(wanted, kSomeEm * PANGO_SCALE);
    std::unique_ptr<PangoFont, FontDeleter> font(pango_font_map_load_font(map, context, wanted));
    pango_font_description_free(wanted);
    g_object_unref(context);
    return font;
}

}  // namespace

std::string FontconfigCatalog::substitute_face(std::string_view face, bool bold) {
    const std::string family = cp1252_to_utf8(requested_face(face));
    const auto font = chosen_font(family, bold);
    if (!font || !PANGO_IS_FC_FONT(font.get())) return {};
    const FcPattern* found = pango_fc_font_get_pattern(PANGO_FC_FONT(font.get()));
    if (bears_name(found, family)) return {};
    const std::string style = english_or_first(found, FC_STYLE, FC_STYLELANG);
    const std::string name = english_or_first(found, FC_FAMILY, FC_FAMILYLANG);
    return utf8_to_cp1252(style.empty() ? name : name + " " + style);
}

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
