#include "platform/linux/cups_printers.h"

#include <cups/cups.h>

#include <cmath>
#include <cstdlib>
#include <exception>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "format/codepage.h"

namespace posteri {

namespace {

constexpr int kDefaultDpi = 600;
constexpr int kDeviceIoError = 57;
constexpr double kHundredthsMmPerInch = 2540.0;

// A sheet in hundredths of a millimetre, as the server describes its media.
struct Media {
    int width = 21000;
    int length = 29700;
    int left = 0, right = 0, top = 0, bottom = 0;
    int dpi_x = kDefaultDpi;
    int dpi_y = kDefaultDpi;
};

// Landscape turns the sheet a quarter: the portrait's bottom margin comes to the left.
Media turned(const Media& m) {
    return Media{m.length, m.width, m.bottom, m.top, m.left, m.right, m.dpi_y, m.dpi_x};
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

// The queue's default media and resolution; the default media is read by name, since the
// server's own "default media" answer can name another sheet than the queue's.
Media default_media(cups_dest_t* dest, cups_dinfo_t* info) {
    Media media;
    cups_size_t size{};
    ipp_attribute_t* named = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA);
    const char* name = named != nullptr ? ippGetString(named, 0, nullptr) : nullptr;
    if ((name != nullptr &&
         cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, dest, info, name, CUPS_MEDIA_FLAGS_DEFAULT, &size)) ||
        cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_FLAGS_DEFAULT, &size)) {
        media.width = size.width;
        media.length = size.length;
        media.left = size.left;
        media.right = size.right;
        media.top = size.top;
        media.bottom = size.bottom;
    }
    ipp_attribute_t* resolution = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "printer-resolution");
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

// cairo marks the page as a transparency group, which would make the server's filters turn the
// whole page, text included, into a picture; without the mark it stays as drawn.
std::string without_transparency_group(const std::string& path) {
    QPDF pdf;
    pdf.processFile(path.c_str());
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        page.getObjectHandle().removeKey("/Group");
    }
    QPDFWriter writer(pdf);
    writer.setOutputMemory();
    writer.setDecodeLevel(qpdf_dl_none);
    writer.write();
    const std::shared_ptr<Buffer> written = writer.getBufferSharedPointer();
    return std::string(reinterpret_cast<const char*>(written->getBuffer()), written->getSize());
}

class CupsPrinter : public PdfDestination {
  public:
    CupsPrinter(std::string name, cups_dest_t* dest, cups_dinfo_t* info)
        : name_(std::move(name)), dest_(dest), info_(info), media_(default_media(dest, info)) {}

    ~CupsPrinter() override {
        cupsFreeDestInfo(info_);
        cupsFreeDests(1, dest_);
    }

    CupsPrinter(const CupsPrinter&) = delete;
    CupsPrinter& operator=(const CupsPrinter&) = delete;

    const std::string& name() const override { return name_; }

    SheetMetrics metrics(PageOrientation orientation) const override {
        return sheet_metrics(orientation == PageOrientation::Landscape ? turned(media_) : media_);
    }

    std::string render_folder() const override {
        const char* folder = std::getenv("TMPDIR");
        return folder != nullptr && *folder != '\0' ? folder : "/tmp";
    }

    int deliver(const std::string& rendered, std::string_view document, JobOutcome& outcome) override {
        std::string pdf;
        try {
            pdf = without_transparency_group(rendered);
        } catch (const std::exception&) {
            return kDeviceIoError;
        }
        const std::string title = cp1252_to_utf8(document);
        int job = 0;
        if (cupsCreateDestJob(CUPS_HTTP_DEFAULT, dest_, info_, &job, title.c_str(), 0, nullptr) !=
            IPP_STATUS_OK) {
            return kDeviceIoError;
        }
        if (cupsStartDestDocument(CUPS_HTTP_DEFAULT, dest_, info_, job, title.c_str(), CUPS_FORMAT_PDF, 0,
                                  nullptr, 1) != HTTP_STATUS_CONTINUE) {
            cupsCancelDestJob(CUPS_HTTP_DEFAULT, dest_, job);
            return kDeviceIoError;
        }
        const bool sent =
            cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.data(), pdf.size()) == HTTP_STATUS_CONTINUE;
        if (cupsFinishDestDocument(CUPS_HTTP_DEFAULT, dest_, info_) != IPP_STATUS_OK || !sent) {
            cupsCancelDestJob(CUPS_HTTP_DEFAULT, dest_, job);
            return kDeviceIoError;
        }
        outcome.job_id = job;
        return 0;
    }

  private:
    std::string name_;
    cups_dest_t* dest_;
    cups_dinfo_t* info_;
    Media media_;
};

}  // namespace

std::vector<std::string> cups_printer_names() {
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        std::string name = dests[i].name;
        if (dests[i].instance != nullptr) name += std::string("/") + dests[i].instance;
        names.push_back(std::move(name));
    }
    cupsFreeDests(count, dests);
    return names;
}

std::unique_ptr<PdfDestination> attach_cups_printer(std::string_view name) {
    const std::size_t slash = name.find('/');
    const std::string queue(name.substr(0, slash));
    const std::string instance =
        slash == std::string_view::npos ? std::string() : std::string(name.substr(slash + 1));
    if (queue.empty()) return nullptr;
    cups_dest_t* dest =
        cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.c_str(), instance.empty() ? nullptr : instance.c_str());
    if (dest == nullptr) return nullptr;
    cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest);
    if (info == nullptr) {
        cupsFreeDests(1, dest);
        return nullptr;
    }
    return std::make_unique<CupsPrinter>(std::string(name), dest, info);
}

}  // namespace posteri
