// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/pdf/linux_printers.h"

#include <cerrno>

#include "format/text.h"
#include "platform/pdf/builtin_printers.h"
#include "platform/pdf/cairo_pdf_page.h"
#include "platform/pdf/cups_printers.h"
#include "platform/system/render_file.h"

namespace posteri {

namespace {

constexpr int kDeviceUnavailable = 68;

}  // namespace

LinuxPrinters::LinuxPrinters(bool open_viewer) : open_viewer_(open_viewer) {
    start_loading_fonts();
}

LinuxPrinters::~LinuxPrinters() {
    release();
}

std::vector<std::string> LinuxPrinters::list() {
    std::vector<std::string> names = builtin_printer_names();
    if (const CupsBackEnd* cups = cups_back_end()) {
        for (std::string& name : cups->printer_names()) names.push_back(std::move(name));
    }
    return names;
}

// The built-in printers' names have spaces, which a print server's queue name never has.
std::string LinuxPrinters::own_printer(std::string_view name) {
    const std::string wanted = to_lower(name);
    for (std::string& builtin : builtin_printer_names()) {
        if (to_lower(builtin) == wanted) return builtin;
    }
    return {};
}

std::string LinuxPrinters::default_printer() {
    const CupsBackEnd* cups = cups_back_end();
    return cups != nullptr ? cups->default_printer() : std::string();
}

std::vector<PaperSize> LinuxPrinters::paper_sizes(std::string_view name) {
    const CupsBackEnd* cups = is_builtin_printer(name) ? nullptr : cups_back_end();
    return cups != nullptr ? cups->paper_sizes(name) : std::vector<PaperSize>{};
}

int LinuxPrinters::attach(std::string_view name, std::string_view document, std::string_view media) {
    release();
    attached_ = attach_builtin_printer(name, open_viewer_);
    if (!attached_) {
        if (const CupsBackEnd* cups = cups_back_end()) attached_ = cups->attach(name, media);
    }
    if (!attached_) return kDeviceUnavailable;
    document_ = std::string(document);
    orientation_ = PageOrientation::Portrait;
    return 0;
}

std::string LinuxPrinters::attached_name() const {
    return attached_ ? attached_->name() : std::string();
}

void LinuxPrinters::set_orientation(PageOrientation orientation) {
    orientation_ = orientation;
    if (page_) page_->set_sheet(metrics());
}

SheetMetrics LinuxPrinters::metrics() const {
    return attached_ ? attached_->metrics(orientation_) : SheetMetrics{};
}

PdfPage* LinuxPrinters::page() {
    if (!attached_) return nullptr;
    if (!page_) {
        file_ = std::make_unique<RenderFile>(attached_->render_folder());
        if (PageComposer* composer = attached_->composer()) {
            page_ = composer->start_page(metrics());
        } else {
            page_ = std::make_unique<PdfPage>(
                metrics(), document_, [file = file_.get()](const unsigned char* data, unsigned int length) {
                    file->write(data, length);
                });
        }
    }
    return page_.get();
}

void LinuxPrinters::select_font(std::string_view face, int points, bool bold) {
    if (PdfPage* drawing = page()) drawing->select_font(face, points, bold);
}

void LinuxPrinters::set_text_colour(std::uint32_t rgb) {
    if (PdfPage* drawing = page()) drawing->set_text_colour(rgb);
}

TextExtent LinuxPrinters::text_extent(std::string_view text) {
    PdfPage* drawing = page();
    return drawing != nullptr ? drawing->text_extent(text) : TextExtent{};
}

void LinuxPrinters::move_to(DevicePoint position) {
    if (PdfPage* drawing = page()) drawing->move_to(position);
}

void LinuxPrinters::draw_text(std::string_view text) {
    if (PdfPage* drawing = page()) drawing->draw_text(text);
}

DevicePoint LinuxPrinters::current_position() const {
    return page_ ? page_->current_position() : DevicePoint{};
}

void LinuxPrinters::stretch_bitmap(const MemoryBitmap& bitmap, const PixelRect& source,
                                   const DeviceRect& destination) {
    if (PdfPage* drawing = page()) drawing->stretch_bitmap(bitmap, source, destination);
}

int LinuxPrinters::end_job() {
    last_job_ = JobOutcome{};
    PdfPage* drawing = page();  // a job that drew nothing still makes its blank page
    if (drawing == nullptr) return 0;
    PageComposer* composer = attached_->composer();
    const bool rendered = composer != nullptr
                              ? composer->compose(std::move(page_), metrics(), document_, *file_)
                              : drawing->finish();
    page_.reset();
    int error = file_->error();
    if (error == 0 && !rendered) error = EIO;
    const int failure = error != 0 ? file_failure_number(error)
                                   : attached_->deliver(*file_, document_, orientation_, last_job_);
    release();
    return failure;
}

void LinuxPrinters::release() {
    page_.reset();
    file_.reset();
    attached_.reset();
}

}  // namespace posteri
