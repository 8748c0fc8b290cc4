// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The printers of a Linux run: the built-in PDF printers, then the print server's queues. Every job
// is drawn as one PDF page and handed to the attached printer at its end.

#include <memory>
#include <string>

#include "platform/pdf/pdf_destination.h"
#include "platform/pdf/printers.h"

namespace posteri {

class PdfPage;
class RenderFile;

class LinuxPrinters : public Printers {
  public:
    // With `open_viewer`, a PDF written by a built-in printer is opened in the desktop's viewer.
    explicit LinuxPrinters(bool open_viewer);
    ~LinuxPrinters() override;

    std::vector<std::string> list() override;
    std::string own_printer(std::string_view name) override;
    std::string default_printer() override;
    std::vector<PaperSize> paper_sizes(std::string_view name) override;
    int attach(std::string_view name, std::string_view document, std::string_view media = {}) override;
    std::string attached_name() const override;
    void set_orientation(PageOrientation orientation) override;
    SheetMetrics metrics() const override;
    void select_font(std::string_view face, int points, bool bold) override;
    void set_text_colour(std::uint32_t rgb) override;
    TextExtent text_extent(std::string_view text) override;
    void move_to(DevicePoint position) override;
    void draw_text(std::string_view text) override;
    DevicePoint current_position() const override;
    void stretch_bitmap(const MemoryBitmap& bitmap, const PixelRect& source,
                        const DeviceRect& destination) override;
    int end_job() override;
    void release() override;
    JobOutcome last_job() const override { return last_job_; }

  private:
    // The page, started by its first use; nothing when no printer is attached.
    PdfPage* page();

    bool open_viewer_;
    std::unique_ptr<PdfDestination> attached_;
    std::string document_;
    PageOrientation orientation_ = PageOrientation::Portrait;
    std::unique_ptr<RenderFile> file_;
    std::unique_ptr<PdfPage> page_;
    JobOutcome last_job_;
};

}  // namespace posteri
