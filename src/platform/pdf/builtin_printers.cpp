// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/pdf/builtin_printers.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <thread>
#include <utility>

#include "format/codepage.h"
#include "platform/pdf/cairo_pdf_page.h"
#include "platform/pdf/cairo_poster_tiles.h"

extern char** environ;

namespace posteri {

namespace {

constexpr int kDpi = 600;
// Room left in a file name (255 bytes) for a number and ".pdf".
constexpr std::size_t kLongestStem = 200;
constexpr int kMostNumberedNames = 10000;
constexpr int kFileAlreadyExists = 58;

struct IsoSheet {
    const char* name;
    int width_mm;
    int height_mm;
    // The smaller sheet that carries it in parts; 0 × 0 when it is printed whole.
    int part_sheet_width_mm = 0;
    int part_sheet_height_mm = 0;
};

constexpr IsoSheet kSheets[] = {
    {"pdfcreator A4", 210, 297},
    {"pdfcreator A3", 297, 420},
    {"pdfcreator A2", 420, 594},
    {"pdfcreator A1", 594, 841},
    {"pdfcreator A0", 841, 1189},
    {"pdfcreator A0 su A4", 841, 1189, 210, 297},
    {"pdfcreator A1 su A4", 594, 841, 210, 297},
    {"pdfcreator A2 su A4", 420, 594, 210, 297},
    {"pdfcreator A0 su A3", 841, 1189, 297, 420},
    {"pdfcreator A1 su A3", 594, 841, 297, 420},
};

// Millimetres to device pixels, to the nearest pixel with ties to even.
int to_pixels(int millimetres) {
    return static_cast<int>(std::nearbyint(millimetres / 25.4 * kDpi));
}

double millimetre_points(int millimetres) {
    return millimetres * 72 / 25.4;
}

// The document name's last part as a UTF-8 file name, cut at a character so that a number and
// ".pdf" still fit.
std::string pdf_stem(std::string_view document) {
    const std::size_t slash = document.rfind('/');
    std::string stem =
        cp1252_to_utf8(slash == std::string_view::npos ? document : document.substr(slash + 1));
    if (stem.empty()) stem = "documento";
    if (stem.size() > kLongestStem) {
        std::size_t cut = kLongestStem;
        while ((static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) --cut;  // back to a character's start
        stem.resize(cut);
    }
    return stem;
}

std::string numbered_name(const std::string& stem, int number) {
    return number == 0 ? stem + ".pdf" : stem + " (" + std::to_string(number) + ").pdf";
}

// Starts the desktop's viewer without a shell and without waiting; a thread collects its exit.
void open_in_viewer(const std::string& path) {
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    for (int fd = 0; fd <= 2; ++fd) {
        posix_spawn_file_actions_addopen(&quiet, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    }
    std::string program = "xdg-open";
    std::string argument = path;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &quiet, nullptr, argv, environ) == 0) {
        std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
    }
    posix_spawn_file_actions_destroy(&quiet);
}

std::string working_directory() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::string(".") : folder.string();
}

class BuiltinPrinter : public PdfDestination {
  public:
    BuiltinPrinter(const IsoSheet& sheet, bool open_viewer)
        : name_(sheet.name),
          width_(to_pixels(sheet.width_mm)),
          height_(to_pixels(sheet.height_mm)),
          folder_(working_directory()),
          open_viewer_(open_viewer) {}

    const std::string& name() const override { return name_; }

    SheetMetrics metrics(PageOrientation orientation) const override {
        int width = width_;
        int height = height_;
        if (orientation == PageOrientation::Landscape) std::swap(width, height);
        return SheetMetrics{width, height, 0, 0, width, height, kDpi, kDpi};
    }

    std::string render_folder() const override { return folder_; }

    // The rendered file is linked under the first free name: a taken one is never replaced.
    int deliver(RenderFile& rendered, std::string_view document, PageOrientation,
                JobOutcome& outcome) override {
        const std::string stem = folder_ + "/" + pdf_stem(document);
        for (int number = 0; number < kMostNumberedNames; ++number) {
            const std::string path = numbered_name(stem, number);
            const int error = rendered.link_as(path);
            if (error == EEXIST) continue;
            if (error != 0) return file_failure_number(error);
            outcome.pdf_path = native_to_cp1252(path);
            if (open_viewer_) open_in_viewer(path);
            return 0;
        }
        return kFileAlreadyExists;
    }

  private:
    std::string name_;
    int width_;
    int height_;
    std::string folder_;
    bool open_viewer_;
};

// A printer whose big sheet goes 1:1 onto smaller sheets: the page is recorded as it is drawn, and
// the PDF holds the small sheets that carry it, so the run and the layout are those of the big sheet.
class TilingPrinter : public BuiltinPrinter, public PageComposer {
  public:
    TilingPrinter(const IsoSheet& sheet, bool open_viewer)
        : BuiltinPrinter(sheet, open_viewer),
          part_sheet_width_(millimetre_points(sheet.part_sheet_width_mm)),
          part_sheet_height_(millimetre_points(sheet.part_sheet_height_mm)) {}
    ~TilingPrinter() override { forget_recording(); }
    TilingPrinter(const TilingPrinter&) = delete;
    TilingPrinter& operator=(const TilingPrinter&) = delete;

    PageComposer* composer() override { return this; }

    // The recording's unit is the point; unbounded, it takes either orientation of the sheet.
    std::unique_ptr<PdfPage> start_page(const SheetMetrics& sheet) override {
        forget_recording();
        recording_ = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, nullptr);
        return std::make_unique<PdfPage>(recording_, sheet, 1);
    }

    // The drawer is let go, not finished: finishing would empty the recording.
    bool compose(std::unique_ptr<PdfPage> page, const SheetMetrics& sheet, std::string_view document,
                 RenderFile& rendered) override {
        const std::vector<std::shared_ptr<const PdfImage>> photos = page->photo_images();
        page.reset();
        const bool recorded = cairo_surface_status(recording_) == CAIRO_STATUS_SUCCESS;
        const TilePlan plan =
            plan_tiles(sheet.physical_width * 72.0 / sheet.dpi_x, sheet.physical_height * 72.0 / sheet.dpi_y,
                       part_sheet_width_, part_sheet_height_);
        const bool written = recorded && write_tiles(recording_, photos, plan, document, rendered);
        forget_recording();
        return written;
    }

  private:
    // Finished first: cairo 1.16 keeps a reference to a recording replayed into a PDF, and finishing
    // it lets go of what it recorded (the photo and its file) even so.
    void forget_recording() {
        if (recording_ == nullptr) return;
        cairo_surface_finish(recording_);
        cairo_surface_destroy(recording_);
        recording_ = nullptr;
    }

    double part_sheet_width_;
    double part_sheet_height_;
    cairo_surface_t* recording_ = nullptr;
};

const IsoSheet* builtin_sheet(std::string_view name) {
    for (const IsoSheet& sheet : kSheets) {
        if (name == sheet.name) return &sheet;
    }
    return nullptr;
}

}  // namespace

std::vector<std::string> builtin_printer_names() {
    std::vector<std::string> names;
    for (const IsoSheet& sheet : kSheets) names.emplace_back(sheet.name);
    return names;
}

bool is_builtin_printer(std::string_view name) {
    return builtin_sheet(name) != nullptr;
}

std::unique_ptr<PdfDestination> attach_builtin_printer(std::string_view name, bool open_viewer) {
    const IsoSheet* sheet = builtin_sheet(name);
    if (sheet == nullptr) return nullptr;
    if (sheet->part_sheet_width_mm > 0) return std::make_unique<TilingPrinter>(*sheet, open_viewer);
    return std::make_unique<BuiltinPrinter>(*sheet, open_viewer);
}

}  // namespace posteri
