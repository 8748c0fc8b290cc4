// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A live picture of the poster page in a window beside the console, while its parameters are being
// edited. The page is handed over already laid out, in the attached printer's device pixels, and is
// drawn by the code that draws the printed page, so the two look alike. Without a display nothing
// opens and nothing is shown.

#include <optional>
#include <string>
#include <vector>

#include "platform/pdf/printers.h"

namespace posteri {

// One text line: its font and its top-left corner.
struct PreviewText {
    std::string face;
    int points = 0;
    bool bold = true;
    std::string text;  // Windows-1252
    DevicePoint at;
    bool operator==(const PreviewText&) const = default;
};

// The part of the photo file (upright pixels, corners inclusive) and where it goes.
struct PreviewPhoto {
    std::string path;  // Windows-1252
    PixelRect source;
    DeviceRect destination;
    bool operator==(const PreviewPhoto&) const = default;
};

struct PreviewPage {
    SheetMetrics sheet;
    std::optional<PreviewPhoto> photo;
    std::vector<PreviewText> lines;
    bool operator==(const PreviewPage&) const = default;
};

class PosterPreview {
  public:
    virtual ~PosterPreview() = default;
    // Starts showing pages; the window itself comes with the first page.
    virtual void open() = 0;
    // Shows the page in place of the last one, while open (and the user has not closed the window).
    virtual void show(const PreviewPage& page) = 0;
    // Takes the window away; nothing is shown until the next open().
    virtual void close() = 0;
    // Whether a page handed to show() would be seen: open, on a display, and not closed by the user.
    virtual bool showing() const = 0;
};

// The preview of runs that have none (no display, batch runs, tests that do not look at it).
class NoPosterPreview : public PosterPreview {
  public:
    void open() override {}
    void show(const PreviewPage&) override {}
    void close() override {}
    bool showing() const override { return false; }
};

inline PosterPreview& no_poster_preview() {
    static NoPosterPreview none;
    return none;
}

}  // namespace posteri
