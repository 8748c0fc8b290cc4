// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/pdf/cups_printers.h"

#include <cups/cups.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <optional>

#include "format/codepage.h"
#include "platform/pdf/qpdf_page_group.h"

namespace posteri {

namespace {

constexpr int kDefaultDpi = 600;
constexpr int kDeviceIoError = 57;
constexpr double kHundredthsMmPerInch = 2540.0;

// A sheet in hundredths of a millimetre, as the server describes its media; `name` is the
// server's own name for it, empty when the queue named none.
struct Media {
    std::string name;
    int width = 21000;
    int length = 29700;
    int left = 0, right = 0, top = 0, bottom = 0;
    int dpi_x = kDefaultDpi;
    int dpi_y = kDefaultDpi;
};

// Landscape turns the sheet a quarter: the portrait's bottom margin comes to the left.
Media turned(const Media& m) {
    return Media{m.name, m.length, m.width, m.bottom, m.top, m.left, m.right, m.dpi_y, m.dpi_x};
}

int to_pixels(int hundredths_mm, int dpi) {
    return static_cast<int>(std::nearbyint(hundredths_mm / kHundredthsMmPerInch * dpi));
}

SheetMetrics sheet_metrics(const Media& m) {
    return SheetMetrics{to_pixels(m.width, m.dpi_x),
                        to_pixels(m.length, m.dpi_y),
                        to_pixels(m.left, m.dpi_x),
                        to_pixels(m.top, m.dpi_y),
                        to_pixels(m.width - m.left - m.right, m.dpi_x),
                        to_pixels(m.length - m.top - m.bottom, m.dpi_y),
                        m.dpi_x,
                        m.dpi_y};
}

struct DestFree {
    void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};
struct InfoFree {
    void operator()(cups_dinfo_t* info) const { cupsFreeDestInfo(info); }
};

// A queue as the server describes it.
struct Queue {
    std::unique_ptr<cups_dest_t, DestFree> dest;
    std::unique_ptr<cups_dinfo_t, InfoFree> info;
};

// `name` is "queue" or "queue/instance"; nothing when the server has no such queue.
std::optional<Queue> open_queue(std::string_view name) {
    const std::size_t slash = name.find('/');
    const std::string queue(name.substr(0, slash));
    const std::string instance =
        slash == std::string_view::npos ? std::string() : std::string(name.substr(slash + 1));
    if (queue.empty()) return std::nullopt;
    Queue opened;
    opened.dest.reset(
        cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.c_str(), instance.empty() ? nullptr : instance.c_str()));
    if (!opened.dest) return std::nullopt;
    opened.info.reset(cupsCopyDestInfo(CUPS_HTTP_DEFAULT, opened.dest.get()));
    if (!opened.info) return std::nullopt;
    // libcups builds its table of the queue's media on the first look-up, and building it
    // overwrites the per-thread record that a look-up of a custom size is holding: the look-up
    // then answers with another sheet. Building the table first keeps every look-up true.
    cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, opened.dest.get(), opened.info.get(), CUPS_MEDIA_FLAGS_DEFAULT);
    return opened;
}

// The sheet's PWG keyword ("iso_a4_210x297mm", "custom_148.52x209.9mm_148.52x209.9mm"), one of the
// queue's supported media and so the name a job's "media" takes. libcups's own names for its
// media carry suffixes ("_borderless") that no queue lists.
std::string sheet_keyword(const cups_size_t& size) {
    const pwg_media_t* known = pwgMediaForSize(size.width, size.length);
    return known != nullptr ? known->pwg : size.media;
}

std::optional<cups_size_t> media_named(const Queue& queue, const std::string& name) {
    cups_size_t size{};
    if (name.empty() || !cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, queue.dest.get(), queue.info.get(),
                                                name.c_str(), CUPS_MEDIA_FLAGS_DEFAULT, &size)) {
        return std::nullopt;
    }
    return size;
}

// The queue's default paper, read by the name its "media" default gives, since the server's own
// "default media" answer can name another sheet than the queue's.
std::optional<cups_size_t> default_size(const Queue& queue) {
    ipp_attribute_t* named =
        cupsFindDestDefault(CUPS_HTTP_DEFAULT, queue.dest.get(), queue.info.get(), CUPS_MEDIA);
    const char* name = named != nullptr ? ippGetString(named, 0, nullptr) : nullptr;
    if (auto size = media_named(queue, name != nullptr ? name : "")) return size;
    cups_size_t size{};
    if (cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, queue.dest.get(), queue.info.get(),
                                CUPS_MEDIA_FLAGS_DEFAULT, &size)) {
        return size;
    }
    return std::nullopt;
}

// The chosen paper when the queue knows it, else the queue's default, with the queue's resolution.
Media queue_media(const Queue& queue, std::string_view chosen) {
    Media media;
    std::optional<cups_size_t> size = media_named(queue, std::string(chosen));
    if (!size) size = default_size(queue);
    if (size) {
        media.name = sheet_keyword(*size);
        media.width = size->width;
        media.length = size->length;
        media.left = size->left;
        media.right = size->right;
        media.top = size->top;
        media.bottom = size->bottom;
    }
    ipp_attribute_t* resolution =
        cupsFindDestDefault(CUPS_HTTP_DEFAULT, queue.dest.get(), queue.info.get(), "printer-resolution");
    if (resolution != nullptr) {
        int dpi_y = 0;
        ipp_res_t units = IPP_RES_PER_INCH;
        int dpi_x = ippGetResolution(resolution, 0, &dpi_y, &units);
        if (units == IPP_RES_PER_CM) {
            dpi_x = static_cast<int>(std::nearbyint(dpi_x * 2.54));
            dpi_y = static_cast<int>(std::nearbyint(dpi_y * 2.54));
        }
        if (dpi_x > 0 && dpi_y > 0) {
            media.dpi_x = dpi_x;
            media.dpi_y = dpi_y;
        }
    }
    return media;
}

// The sheet among `sheets` of the same size as `size`, or their end.
std::vector<cups_size_t>::iterator same_sheet(std::vector<cups_size_t>& sheets, const cups_size_t& size) {
    return std::find_if(sheets.begin(), sheets.end(), [&](const cups_size_t& sheet) {
        return sheet.width == size.width && sheet.length == size.length;
    });
}

bool borderless(const cups_size_t& size) {
    return size.left == 0 && size.right == 0 && size.top == 0 && size.bottom == 0;
}

// A sheet's common name ("A4", "Letter"); empty for a size known only by its dimensions, which
// the dimensions themselves say better ("8x10", "1189x1682mm", or a custom size).
std::string common_name(const cups_size_t& size) {
    const pwg_media_t* known = pwgMediaForSize(size.width, size.length);
    if (known == nullptr || known->ppd == nullptr || std::string_view(known->pwg).starts_with("custom_") ||
        std::isdigit(static_cast<unsigned char>(known->ppd[0])) != 0) {
        return {};
    }
    return known->ppd;
}

// The queue's media, one per sheet: a borderless twin gives way to the sheet with margins.
std::vector<cups_size_t> distinct_sheets(const Queue& queue) {
    std::vector<cups_size_t> sheets;
    const int count = cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, queue.dest.get(), queue.info.get(),
                                            CUPS_MEDIA_FLAGS_DEFAULT);
    for (int i = 0; i < count; ++i) {
        cups_size_t size{};
        if (!cupsGetDestMediaByIndex(CUPS_HTTP_DEFAULT, queue.dest.get(), queue.info.get(), i,
                                     CUPS_MEDIA_FLAGS_DEFAULT, &size)) {
            continue;
        }
        const auto twin = same_sheet(sheets, size);
        if (twin == sheets.end()) {
            sheets.push_back(size);
        } else if (borderless(*twin) && !borderless(size)) {
            *twin = size;
        }
    }
    return sheets;
}

// What a job asks of the queue so that the page prints as laid out: never scaled, on the paper
// and in the orientation it was drawn for.
class JobOptions {
  public:
    JobOptions(const Media& media, PageOrientation orientation) {
        add("print-scaling", "none");
        if (!media.name.empty()) add(CUPS_MEDIA, media.name.c_str());
        add(CUPS_ORIENTATION, orientation == PageOrientation::Landscape ? CUPS_ORIENTATION_LANDSCAPE
                                                                        : CUPS_ORIENTATION_PORTRAIT);
    }
    ~JobOptions() { cupsFreeOptions(count_, options_); }
    JobOptions(const JobOptions&) = delete;
    JobOptions& operator=(const JobOptions&) = delete;

    int count() const { return count_; }
    cups_option_t* options() const { return options_; }

  private:
    void add(const char* name, const char* value) { count_ = cupsAddOption(name, value, count_, &options_); }

    int count_ = 0;
    cups_option_t* options_ = nullptr;
};

class CupsPrinter : public PdfDestination {
  public:
    CupsPrinter(std::string name, Queue queue, std::string_view media)
        : name_(std::move(name)), queue_(std::move(queue)), media_(queue_media(queue_, media)) {}

    const std::string& name() const override { return name_; }

    SheetMetrics metrics(PageOrientation orientation) const override {
        return sheet_metrics(orientation == PageOrientation::Landscape ? turned(media_) : media_);
    }

    std::string render_folder() const override {
        const char* folder = std::getenv("TMPDIR");
        return folder != nullptr && *folder != '\0' ? folder : "/tmp";
    }

    int deliver(RenderFile& rendered, std::string_view document, PageOrientation orientation,
                JobOutcome& outcome) override {
        std::string pdf;
        try {
            pdf = without_transparency_group(rendered.path());
        } catch (const std::exception&) {
            return kDeviceIoError;
        }
        cups_dest_t* dest = queue_.dest.get();
        cups_dinfo_t* info = queue_.info.get();
        const std::string title = cp1252_to_utf8(document);
        const JobOptions options(media_, orientation);
        int job = 0;
        if (cupsCreateDestJob(CUPS_HTTP_DEFAULT, dest, info, &job, title.c_str(), options.count(),
                              options.options()) != IPP_STATUS_OK) {
            return kDeviceIoError;
        }
        if (cupsStartDestDocument(CUPS_HTTP_DEFAULT, dest, info, job, title.c_str(), CUPS_FORMAT_PDF, 0,
                                  nullptr, 1) != HTTP_STATUS_CONTINUE) {
            cupsCancelDestJob(CUPS_HTTP_DEFAULT, dest, job);
            return kDeviceIoError;
        }
        const bool sent =
            cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.data(), pdf.size()) == HTTP_STATUS_CONTINUE;
        if (cupsFinishDestDocument(CUPS_HTTP_DEFAULT, dest, info) != IPP_STATUS_OK || !sent) {
            cupsCancelDestJob(CUPS_HTTP_DEFAULT, dest, job);
            return kDeviceIoError;
        }
        outcome.job_id = job;
        outcome.queue = name_;
        return 0;
    }

  private:
    std::string name_;
    Queue queue_;
    Media media_;
};

// "queue" or "queue/instance".
std::string dest_name(const cups_dest_t& dest) {
    std::string name = dest.name;
    if (dest.instance != nullptr) name += std::string("/") + dest.instance;
    return name;
}

std::vector<std::string> printer_names() {
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back(dest_name(dests[i]));
    cupsFreeDests(count, dests);
    return names;
}

std::string default_printer() {
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    // Without a name, the one destination marked as the default (the user's choice through
    // LPDEST, PRINTER or lpoptions, else the server's); nothing when none is.
    const cups_dest_t* chosen = cupsGetDest(nullptr, nullptr, count, dests);
    std::string name = chosen != nullptr ? dest_name(*chosen) : std::string();
    cupsFreeDests(count, dests);
    return name;
}

std::vector<PaperSize> paper_sizes(std::string_view name) {
    const std::optional<Queue> queue = open_queue(name);
    if (!queue) return {};
    std::vector<cups_size_t> sheets = distinct_sheets(*queue);
    if (const std::optional<cups_size_t> standard = default_size(*queue)) {
        const auto found = same_sheet(sheets, *standard);
        if (found != sheets.end()) std::rotate(sheets.begin(), found, found + 1);
    }
    std::vector<PaperSize> papers;
    for (const cups_size_t& sheet : sheets) {
        papers.push_back(PaperSize{common_name(sheet), sheet_keyword(sheet), sheet.width, sheet.length});
    }
    return papers;
}

std::unique_ptr<PdfDestination> attach(std::string_view name, std::string_view media) {
    std::optional<Queue> queue = open_queue(name);
    if (!queue) return nullptr;
    return std::make_unique<CupsPrinter>(std::string(name), std::move(*queue), media);
}

}  // namespace
}  // namespace posteri

// What the program looks up after loading the back end.
extern "C" const posteri::CupsBackEnd posteri_cups_back_end{posteri::printer_names, posteri::default_printer,
                                                            posteri::paper_sizes, posteri::attach};
