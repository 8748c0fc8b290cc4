// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/type/fontconfig_font_set.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string_view>

namespace posteri {

namespace {

// Faces the program asks for by their Windows names: where one is missing, "lucida console" stands
// for the monospace family, so the help page's indents line up. The rule comes after the system's,
// so it names the face that "monospace" resolves to instead of the generic name itself.
void add_program_aliases() {
    FcPattern* monospace = FcNameParse(reinterpret_cast<const FcChar8*>("monospace"));
    FcConfigSubstitute(nullptr, monospace, FcMatchPattern);
    FcDefaultSubstitute(monospace);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(nullptr, monospace, &result);
    FcChar8* family = nullptr;
    if (found != nullptr && FcPatternGetString(found, FC_FAMILY, 0, &family) == FcResultMatch) {
        const std::string rule = std::string("<?xml version=\"1.0\"?><fontconfig><alias binding=\"same\">") +
                                 "<family>lucida console</family><prefer><family>" +
                                 reinterpret_cast<const char*>(family) + "</family></prefer></alias></fontconfig>";
        FcConfigParseAndLoadFromMemory(FcConfigGetCurrent(), reinterpret_cast<const FcChar8*>(rule.c_str()),
                                       FcFalse);
    }
    if (found != nullptr) FcPatternDestroy(found);
    FcPatternDestroy(monospace);
}

// FNV-1a, 64 bits: a key, not a secret.
struct Hash {
    std::uint64_t value = 1469598103934665603ULL;
    void add(std::string_view bytes) {
        for (const char byte : bytes) value = (value ^ static_cast<unsigned char>(byte)) * 1099511628211ULL;
        value = (value ^ 0xFF) * 1099511628211ULL;  // ends each field
    }
};

void add_fonts(Hash& hash, const FcFontSet* fonts) {
    if (fonts == nullptr) return;
    for (int f = 0; f < fonts->nfont; ++f) {
        const FcPattern* font = fonts->fonts[f];
        for (const char* object : {FC_FILE, FC_FAMILY, FC_FAMILYLANG, FC_STYLE}) {
            FcChar8* text = nullptr;
            for (int i = 0; FcPatternGetString(font, object, i, &text) == FcResultMatch; ++i)
                hash.add(reinterpret_cast<const char*>(text));
        }
        int number = 0;
        for (const char* object : {FC_INDEX, FC_FONTVERSION}) {
            if (FcPatternGetInteger(font, object, 0, &number) == FcResultMatch) hash.add(std::to_string(number));
        }
    }
}

}  // namespace

void bring_fonts_up_to_date() {
    static std::mutex once;
    const std::lock_guard<std::mutex> lock(once);
    static bool aliased = false;
    if (FcInit() == FcFalse) return;
    if (aliased && FcConfigUptoDate(nullptr) == FcTrue) return;
    if (aliased) {
        FcInitReinitialize();
        pango_cairo_font_map_set_default(nullptr);  // the next one reads the new configuration
    }
    add_program_aliases();
    aliased = true;
}

std::string font_set_key() {
    Hash hash;
    FcConfig* config = FcConfigGetCurrent();
    add_fonts(hash, FcConfigGetFonts(config, FcSetSystem));
    add_fonts(hash, FcConfigGetFonts(config, FcSetApplication));
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash.value));
    return text;
}

}  // namespace posteri
