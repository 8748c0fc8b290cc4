// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An attached printer as the Linux printers see it: a sheet, and a place that takes the finished
// PDF page (a file beside the user's work, or a print server's queue).

#include <cerrno>
#include <memory>
#include <string>
#include <string_view>

#include "platform/pdf/printers.h"
#include "platform/system/render_file.h"

namespace posteri {

class PdfPage;

// A printer whose PDF is made from the drawn page at the end of the job, instead of being the page
// itself as it is drawn.
class PageComposer {
  public:
    virtual ~PageComposer() = default;
    // The drawer of a job's page.
    virtual std::unique_ptr<PdfPage> start_page(const SheetMetrics& sheet) = 0;
    // Ends the page drawn on `sheet` and writes the job's PDF into `rendered`; false when cairo could
    // not produce it.
    virtual bool compose(std::unique_ptr<PdfPage> page, const SheetMetrics& sheet, std::string_view document,
                         RenderFile& rendered) = 0;
};

class PdfDestination {
  public:
    virtual ~PdfDestination() = default;
    virtual const std::string& name() const = 0;
    virtual SheetMetrics metrics(PageOrientation orientation) const = 0;
    // The folder in which the page is rendered into a temporary file.
    virtual std::string render_folder() const = 0;
    // Nothing when the rendered PDF is the drawn page itself.
    virtual PageComposer* composer() { return nullptr; }
    // Hands the rendered PDF file on (linking it under a name or sending its bytes) and tells where
    // it went; 0 or the failure number to report. `orientation` is the one the page was drawn in.
    virtual int deliver(RenderFile& rendered, std::string_view document, PageOrientation orientation,
                        JobOutcome& outcome) = 0;
};

// The failure number for a file that could not be written (errno).
inline int file_failure_number(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
        case EROFS:
            return 70;  // Permission denied
        case ENOSPC:
        case EDQUOT:
            return 61;  // Disk full
        case ENOENT:
        case ENOTDIR:
            return 76;  // Path not found
        default:
            return 75;  // Path/file access error
    }
}

}  // namespace posteri
