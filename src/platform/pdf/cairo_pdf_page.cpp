// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/pdf/cairo_pdf_page.h"

#include <cairo-pdf.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "format/codepage.h"
#include "platform/photos/cairo_bitmap.h"
#include "platform/photos/cairo_stretch.h"
#include "platform/type/harfbuzz_font_cell.h"

namespace posteri {

namespace {

constexpr int kSmallestPoints = 8;

cairo_status_t write_to(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<PhotoObjectWriter*>(closure)->write(data, length);
    return CAIRO_STATUS_SUCCESS;
}

double sheet_points(int pixels, int dpi) {
    return pixels * 72.0 / dpi;
}

cairo_matrix_t matrix(double xx, double yx, double xy, double yy, double x0, double y0) {
    cairo_matrix_t m;
    cairo_matrix_init(&m, xx, yx, xy, yy, x0, y0);
    return m;
}

// Maps the stored pixel grid of a JPEG (width w, height h) onto its upright grid, as its EXIF
// orientation says; the embedded bytes keep the stored grid, so the turn is the page's.
cairo_matrix_t stored_to_upright(int orientation, double w, double h) {
    switch (orientation) {
        case 2:  // mirrored left to right
            return matrix(-1, 0, 0, 1, w, 0);
        case 3:  // half a turn
            return matrix(-1, 0, 0, -1, w, h);
        case 4:  // mirrored top to bottom
            return matrix(1, 0, 0, -1, 0, h);
        case 5:  // transposed
            return matrix(0, 1, 1, 0, 0, 0);
        case 6:  // a quarter turn clockwise
            return matrix(0, 1, -1, 0, h, 0);
        case 7:  // transversed
            return matrix(0, -1, -1, 0, h, w);
        case 8:  // a quarter turn anticlockwise
            return matrix(0, -1, 1, 0, 0, w);
        default:
            return matrix(1, 0, 0, 1, 0, 0);
    }
}

// The proxy carries the image's placeholder, which cairo writes as the image object that the page
// then replaces with the photo's own. The placeholder's bytes are kept with the image for as long as
// cairo holds them: a recording keeps its sources beyond the bitmap.
void attach_placeholder(cairo_surface_t* proxy, const std::shared_ptr<const PdfImage>& image) {
    const unsigned char* data = nullptr;
    unsigned long length = 0;
    cairo_surface_get_mime_data(proxy, CAIRO_MIME_TYPE_JPEG, &data, &length);
    if (data != nullptr) return;
    auto* keeper = new std::shared_ptr<const PdfImage>(image);
    cairo_surface_set_mime_data(
        proxy, CAIRO_MIME_TYPE_JPEG, reinterpret_cast<const unsigned char*>(image->placeholder.data()),
        image->placeholder.size(), [](void* kept) { delete static_cast<std::shared_ptr<const PdfImage>*>(kept); },
        keeper);
}

// The layout's logical width in device pixels, rounded outwards as pango rounds pixel extents. The
// layout is measured on the text grid, whose unit is a vertical device pixel in both directions.
int device_width(const PangoRectangle& logical, double x_scale) {
    const int left = static_cast<int>(std::floor(logical.x * x_scale / PANGO_SCALE));
    const int right = static_cast<int>(std::ceil((logical.x + logical.width) * x_scale / PANGO_SCALE));
    return right - left;
}

void paint(cairo_t* cr, cairo_surface_t* surface, double x, double y) {
    cairo_set_source_surface(cr, surface, x, y);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
}

// Paints the bitmap's pixels cut to the source rectangle, so that smoothing never pulls in colour
// from beyond it.
void paint_pixels(cairo_t* cr, const CairoBitmap& bitmap, const PixelRect& source) {
    cairo_surface_t* pixels = bitmap.pixels();
    if (pixels == nullptr) return;
    const int left = std::min(source.x1, source.x2);
    const int top = std::min(source.y1, source.y2);
    cairo_surface_t* part = cairo_surface_create_for_rectangle(
        pixels, left, top, std::abs(source.x2 - source.x1) + 1, std::abs(source.y2 - source.y1) + 1);
    paint(cr, part, left, top);
    cairo_surface_destroy(part);
}

// Paints the photo's proxy turned upright and scaled to the photo's own pixel units.
void paint_proxy(cairo_t* cr, const EmbeddedPhoto& photo) {
    const cairo_matrix_t upright = stored_to_upright(photo.orientation, photo.stored_width, photo.stored_height);
    cairo_transform(cr, &upright);
    cairo_scale(cr, static_cast<double>(photo.stored_width) / cairo_image_surface_get_width(photo.proxy),
                static_cast<double>(photo.stored_height) / cairo_image_surface_get_height(photo.proxy));
    paint(cr, photo.proxy, 0, 0);
}

}  // namespace

void start_loading_fonts() {
    pango_cairo_font_map_get_default();
}

PdfPage::PdfPage(const SheetMetrics& sheet, std::string_view title, PdfWriter writer)
    : sheet_(sheet), objects_(std::move(writer)) {
    surface_ = cairo_pdf_surface_create_for_stream(write_to, &objects_,
                                                   sheet_points(sheet.physical_width, sheet.dpi_x),
                                                   sheet_points(sheet.physical_height, sheet.dpi_y));
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_TITLE, cp1252_to_utf8(title).c_str());
    start_drawing();
}

PdfPage::PdfPage(cairo_surface_t* surface, const SheetMetrics& sheet, double units_per_point)
    : sheet_(sheet), objects_(nullptr), units_per_point_(units_per_point), surface_(cairo_surface_reference(surface)) {
    start_drawing();
}

void PdfPage::start_drawing() {
    cr_ = cairo_create(surface_);
    layout_ = pango_cairo_create_layout(cr_);
    // Unhinted outlines and metrics: a text measures and draws the same on paper and on screen.
    cairo_font_options_t* unhinted = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(unhinted, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(unhinted, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout_), unhinted);
    cairo_font_options_destroy(unhinted);
    // One line, whatever the text holds: line breaks are drawn, never followed.
    pango_layout_set_single_paragraph_mode(layout_, TRUE);
    // The language the layout lays text out in anyway, named: a font looked up for its cell then
    // comes from the same font set as the text's, where an unnamed one costs a second set per size.
    pango_context_set_language(pango_layout_get_context(layout_), pango_language_get_default());
    place_origin();
    select_font("", kSmallestPoints, false);
}

PdfPage::~PdfPage() {
    if (layout_ != nullptr) g_object_unref(layout_);
    if (cr_ != nullptr) cairo_destroy(cr_);
    if (surface_ != nullptr) cairo_surface_destroy(surface_);
}

void PdfPage::place_origin() {
    cairo_reset_clip(cr_);
    cairo_identity_matrix(cr_);
    cairo_scale(cr_, units_per_point_ * 72.0 / sheet_.dpi_x, units_per_point_ * 72.0 / sheet_.dpi_y);
    cairo_translate(cr_, sheet_.offset_x, sheet_.offset_y);
    cairo_rectangle(cr_, 0, 0, sheet_.printable_width, sheet_.printable_height);
    cairo_clip(cr_);
    cairo_save(cr_);
    to_text_grid();
    pango_cairo_update_layout(cr_, layout_);
    cairo_restore(cr_);
}

// Device pixels are square only when both resolutions agree; text is laid out and drawn on a grid
// of vertical device pixels in both directions, so its glyphs keep their shape on paper.
void PdfPage::to_text_grid() {
    cairo_scale(cr_, text_x_scale(), 1);
}

void PdfPage::set_sheet(const SheetMetrics& sheet) {
    sheet_ = sheet;
    if (cairo_surface_get_type(surface_) == CAIRO_SURFACE_TYPE_PDF) {
        cairo_pdf_surface_set_size(surface_, sheet_points(sheet.physical_width, sheet.dpi_x),
                                   sheet_points(sheet.physical_height, sheet.dpi_y));
    }
    place_origin();
}

void PdfPage::select_font(std::string_view face, int points, bool bold) {
    const int size = points > 0 ? points : kSmallestPoints;
    const int em = static_cast<int>(std::nearbyint(size * sheet_.dpi_y / 72.0));
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, cp1252_to_utf8(requested_face(face)).c_str());
    pango_font_description_set_weight(font, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_absolute_size(font, em * PANGO_SCALE);
    pango_layout_set_font_description(layout_, font);
    pango_font_description_free(font);
    em_ = em;
    cell_.reset();
}

// Found when first asked for: a font lookup costs a few milliseconds, and a selected font is often
// replaced unused (the page's first one, for instance).
const FontCell& PdfPage::cell() {
    if (!cell_)
        cell_ = font_cell(pango_layout_get_context(layout_), pango_layout_get_font_description(layout_), em_);
    return *cell_;
}

// Lays the text out in the page's one layout, which draw_text then shows. Its height is the font's
// cell, whatever the text holds; an empty one is not laid out.
TextExtent PdfPage::text_extent(std::string_view text) {
    const std::string utf8 = cp1252_to_utf8(text);
    if (utf8.empty()) return {0, cell().height};
    pango_layout_set_text(layout_, utf8.c_str(), -1);
    PangoRectangle logical;
    pango_layout_get_extents(layout_, nullptr, &logical);
    return {device_width(logical, text_x_scale()), cell().height};
}

// The baseline lies the cell's ascent below the position, and the text is clipped to the cell.
void PdfPage::draw_text(std::string_view text) {
    if (text.empty()) return;  // nothing to show, nothing to move past
    const TextExtent extent = text_extent(text);
    cairo_save(cr_);
    cairo_rectangle(cr_, 0, position_.y, sheet_.printable_width, extent.height);
    cairo_clip(cr_);
    cairo_set_source_rgb(cr_, ((colour_ >> 16) & 0xFF) / 255.0, ((colour_ >> 8) & 0xFF) / 255.0,
                         (colour_ & 0xFF) / 255.0);
    cairo_translate(cr_, position_.x, position_.y);
    to_text_grid();
    const double baseline = static_cast<double>(pango_layout_get_baseline(layout_)) / PANGO_SCALE;
    cairo_move_to(cr_, 0, cell().ascent - baseline);
    pango_cairo_show_layout(cr_, layout_);
    cairo_restore(cr_);
    position_.x += extent.width;
}

void PdfPage::stretch_bitmap(const MemoryBitmap& bitmap, const PixelRect& source,
                             const DeviceRect& destination) {
    const auto* photo = dynamic_cast<const CairoBitmap*>(&bitmap);
    if (photo == nullptr) return;
    cairo_save(cr_);
    if (clip_and_scale_onto(cr_, source, destination)) {
        cairo_translate(cr_, -source.x1, -source.y1);
        paint_photo(*photo, source);
    }
    cairo_restore(cr_);
}

// A photo with its own image data is drawn as its proxy onto a PDF or a recording, which carries
// the placeholder of that data; a stand-in is its proxy of decoded pixels; anything else is drawn
// from its pixels (an image surface shows a printed photo's pixels, never its blank proxy).
void PdfPage::paint_photo(const CairoBitmap& photo, const PixelRect& source) {
    const EmbeddedPhoto* embedded = photo.embedded();
    const cairo_surface_type_t target = cairo_surface_get_type(surface_);
    const bool with_proxy = embedded != nullptr && embedded->proxy != nullptr;
    const bool stand_in = with_proxy && embedded->image == nullptr;
    const bool carried = with_proxy && !stand_in &&
                         (target == CAIRO_SURFACE_TYPE_PDF || target == CAIRO_SURFACE_TYPE_RECORDING);
    if (!carried && !stand_in) {
        paint_pixels(cr_, photo, source);
        return;
    }
    if (carried) {
        attach_placeholder(embedded->proxy, embedded->image);
        objects_.add(embedded->image);
    }
    paint_proxy(cr_, *embedded);
}

bool PdfPage::finish() {
    g_object_unref(layout_);
    layout_ = nullptr;
    const bool drawn = cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr_);
    cr_ = nullptr;
    cairo_surface_finish(surface_);
    const bool written = cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS && objects_.finish();
    cairo_surface_destroy(surface_);
    surface_ = nullptr;
    return drawn && written;
}

}  // namespace posteri
