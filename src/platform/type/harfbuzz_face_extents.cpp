// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/type/harfbuzz_face_extents.h"

#include <fontconfig/fontconfig.h>
#include <hb.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>

#include "format/codepage.h"
#include "platform/type/harfbuzz_font_cell.h"

namespace posteri {

namespace {

constexpr auto kQuietTime = std::chrono::milliseconds(500);
constexpr auto kProgressInterval = std::chrono::milliseconds(250);
constexpr auto kPollInterval = std::chrono::milliseconds(10);
// A character the face has no glyph for is drawn in another face: it is taken as this much of an
// em, about a character of the common Latin faces, instead of the face's missing-glyph box (which
// some faces make many ems wide).
constexpr double kMissingGlyphEms = 0.6;

struct FaceFile {
    std::string path;
    int index = 0;
};

struct Candidate {
    FaceFile file;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
    int width = FC_WIDTH_NORMAL;
};

int integer_of(const FcPattern* font, const char* object, int otherwise) {
    int value = otherwise;
    FcPatternGetInteger(font, object, 0, &value);
    return value;
}

// Every face HarfBuzz can read (OpenType, TrueType and CFF outlines, as pango takes them), by each of
// its family names: one listing instead of a search of the whole font set for every family.
std::multimap<std::string, Candidate> faces_by_family() {
    std::multimap<std::string, Candidate> faces;
    FcPattern* all = FcPatternCreate();
    FcObjectSet* wanted = FcObjectSetBuild(FC_FAMILY, FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, FC_WIDTH,
                                           FC_FONTFORMAT, nullptr);
    FcFontSet* fonts = FcFontList(nullptr, all, wanted);
    for (int f = 0; fonts != nullptr && f < fonts->nfont; ++f) {
        const FcPattern* font = fonts->fonts[f];
        FcChar8* text = nullptr;
        if (FcPatternGetString(font, FC_FONTFORMAT, 0, &text) != FcResultMatch) continue;
        const std::string format(reinterpret_cast<const char*>(text));
        if (format != "TrueType" && format != "CFF") continue;
        if (FcPatternGetString(font, FC_FILE, 0, &text) != FcResultMatch) continue;
        const Candidate face{{reinterpret_cast<const char*>(text), integer_of(font, FC_INDEX, 0)},
                             integer_of(font, FC_WEIGHT, FC_WEIGHT_REGULAR),
                             integer_of(font, FC_SLANT, FC_SLANT_ROMAN),
                             integer_of(font, FC_WIDTH, FC_WIDTH_NORMAL)};
        for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &text) == FcResultMatch; ++i)
            faces.emplace(reinterpret_cast<const char*>(text), face);
    }
    if (fonts != nullptr) FcFontSetDestroy(fonts);
    FcObjectSetDestroy(wanted);
    FcPatternDestroy(all);
    return faces;
}

int weight_of(const FontSpec& font) {
    return (std::max(font.style, 0) & font_style::kBold) != 0 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR;
}

int slant_of(const FontSpec& font) {
    return (std::max(font.style, 0) & font_style::kItalic) != 0 ? FC_SLANT_ITALIC : FC_SLANT_ROMAN;
}

// The face fontconfig would pick for a name that is no family of its own (an alias, a missing face).
FaceFile matched_face(const std::string& family, const FontSpec& font) {
    FcPattern* asked = FcPatternCreate();
    FcPatternAddString(asked, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(asked, FC_WEIGHT, weight_of(font));
    FcPatternAddInteger(asked, FC_SLANT, slant_of(font));
    FcConfigSubstitute(nullptr, asked, FcMatchPattern);
    FcDefaultSubstitute(asked);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(nullptr, asked, &result);
    FaceFile face;
    FcChar8* path = nullptr;
    if (found != nullptr && FcPatternGetString(found, FC_FILE, 0, &path) == FcResultMatch) {
        face.path = reinterpret_cast<const char*>(path);
        face.index = integer_of(found, FC_INDEX, 0);
    }
    if (found != nullptr) FcPatternDestroy(found);
    FcPatternDestroy(asked);
    return face;
}

// Of a family's faces, the one nearest the font's weight and slant at normal width.
FaceFile chosen_face(const std::multimap<std::string, Candidate>& faces, const FontSpec& font) {
    const std::string family = cp1252_to_utf8(requested_face(font.face));
    const auto [first, last] = faces.equal_range(family);
    if (first == last) return matched_face(family, font);
    const auto distance = [&](const Candidate& face) {
        return std::abs(face.weight - weight_of(font)) + 1000 * (face.slant != slant_of(font)) +
               std::abs(face.width - FC_WIDTH_NORMAL);
    };
    auto best = first;
    for (auto it = first; it != last; ++it) {
        if (distance(it->second) < distance(best->second)) best = it;
    }
    return best->second.file;
}

// Each character's advance from the face's own tables, in whole pixels as hinted metrics on a screen
// give them: no shaping, as Windows measures a text's extent.
TextExtent face_extent(const FaceFile& file, int em, std::string_view text) {
    hb_blob_t* blob = hb_blob_create_from_file_or_fail(file.path.c_str());
    hb_face_t* face = hb_face_create(blob != nullptr ? blob : hb_blob_get_empty(), file.index);
    hb_font_t* font = hb_font_create(face);
    const double per_em = hb_face_get_upem(face);
    const double missing_advance = std::nearbyint(kMissingGlyphEms * em);
    double width = 0;
    for (const char byte : text) {
        const char32_t character = cp1252_to_unicode(static_cast<unsigned char>(byte));
        hb_codepoint_t glyph = 0;
        width += hb_font_get_nominal_glyph(font, character, &glyph)
                     ? std::nearbyint(hb_font_get_glyph_h_advance(font, glyph) * em / per_em)
                     : missing_advance;
    }
    const int height = face_cell(face, em).height;
    hb_font_destroy(font);
    hb_face_destroy(face);
    if (blob != nullptr) hb_blob_destroy(blob);
    return {static_cast<int>(width), height};
}

}  // namespace

std::vector<TextExtent> measure_faces(const std::vector<const FontText*>& texts, const EmPixels& em_of,
                                      const MeasureProgress& progress) {
    const std::multimap<std::string, Candidate> faces = faces_by_family();
    std::vector<FaceFile> files;
    for (const FontText* text : texts) files.push_back(chosen_face(faces, text->font));

    std::vector<TextExtent> extents(texts.size());
    std::atomic<std::size_t> next{0};
    std::atomic<int> done{0};
    const auto work = [&]() {
        for (std::size_t i; (i = next++) < texts.size(); ++done)
            extents[i] = face_extent(files[i], em_of(texts[i]->font.points), texts[i]->text);
    };
    std::vector<std::thread> workers(std::max(1U, std::thread::hardware_concurrency()));
    for (std::thread& worker : workers) worker = std::thread(work);
    auto next_report = std::chrono::steady_clock::now() + kQuietTime;
    const int total = static_cast<int>(texts.size());
    while (done < total) {
        std::this_thread::sleep_for(kPollInterval);
        if (progress && std::chrono::steady_clock::now() >= next_report) {
            progress(done, total);
            next_report += kProgressInterval;
        }
    }
    for (std::thread& worker : workers) worker.join();
    return extents;
}

}  // namespace posteri
