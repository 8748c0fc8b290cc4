// SPDX-License-Identifier: GPL-3.0-or-later
// The poster preview's redraw after a change in the parameter editor, for a 2-megapixel and a
// 24-megapixel photo on the A4 PDF printer: the page laid out with the printer's text measurer and
// drawn onto the preview's picture (702 pixels high, as on a 1080-line screen), the photo decoded
// once beforehand as the preview keeps it. The first frame, decode included, is timed apart. The
// target is 100 ms a redraw. The first frame of a 20000 x 20000 PNG is timed with its peak memory
// (the process's high-water mark, reset before each frame): a few seconds and under 300 MB.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "main/run_operations.h"
#include "platform/pdf/linux_printers.h"
#include "platform/photos/jpeg_codec.h"
#include "platform/windows/cairo_preview_drawing.h"
#include "platform/windows/preview_photo.h"
#include "print/layout.h"
#include "print/preview_page.h"
#include "settings/settings_files.h"
#include "support/fake_platform.h"
#include "support/temp_folder.h"
#include "support/test_photos.h"

namespace {

namespace fs = std::filesystem;
using namespace posteri;

constexpr int kPreviewHeight = 702;
constexpr int kPreviewWidth = 496;

// A JPEG of the given size (a PNG of four quadrants when asked) in a folder of its own, the A4 PDF
// printer attached, the defaults loaded.
class PreviewBench {
  public:
    PreviewBench(int width, int height, bool png = false) {
        photo_ = (folder_.path() / "foto.jpg").string();
        test::JpegSpec recipe;
        recipe.width = width;
        recipe.height = height;
        recipe.pixel = [width, height](int x, int y) {
            return test::Rgb{x * 255 / width, y * 255 / height, (x + y) % 256};
        };
        test::PngSpec quadrants;  // in a palette of four colours, two bits a pixel: quick to write
        quadrants.width = width;
        quadrants.height = height;
        quadrants.colour_type = 3;
        quadrants.bit_depth = 2;
        test::write_file(photo_, png ? test::make_png(quadrants) : test::make_jpeg(recipe));
        fake_.system.files[photo_] = "jpeg";
        printers_.attach("pdfcreator A4", "anteprima");
        SCP_DEFA(platform_, settings_);
        settings_.nomefile = photo_;
        settings_.foto_larghezza_px = width;
        settings_.foto_altezza_px = height;
        settings_.punti_cm = dots_per_cm(printers_.metrics());
        DIMENSIO(platform_, settings_.foglio_larghezza_cm, settings_.foglio_altezza_cm);
        picture_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kPreviewWidth, kPreviewHeight);
    }
    ~PreviewBench() {
        cairo_surface_destroy(picture_);
        printers_.release();
    }

    std::unique_ptr<MemoryBitmap> decode() const { return preview_photo(photo_, kPreviewHeight); }
    // One change, as the editor applies it, and the page drawn again.
    void redraw(const MemoryBitmap* photo) {
        settings_.fits = (settings_.fits + 1) % 4;
        draw_preview_page(picture_, preview_page(platform_, settings_), photo);
    }

  private:
    posteri::TempFolder folder_{"posteri-preview-bench"};
    std::string photo_;
    FakePlatform fake_;
    LinuxPrinters printers_{false};
    JpegCodec images_;
    Platform platform_{fake_.console, fake_.system, fake_.fault,   fake_.speech,
                       printers_,     images_,      fake_.windows, fake_.fonts};
    PosterSettings settings_{};
    cairo_surface_t* picture_ = nullptr;
};

void BM_RedrawAfterAChange(benchmark::State& state) {
    PreviewBench bench(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const std::unique_ptr<MemoryBitmap> photo = bench.decode();
    for (auto _ : state) bench.redraw(photo.get());
    state.SetLabel(std::to_string(state.range(0) * state.range(1) / 1000000) + " MP, target 100 ms");
}

void BM_FirstFrameWithDecode(benchmark::State& state) {
    PreviewBench bench(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        const std::unique_ptr<MemoryBitmap> photo = bench.decode();
        bench.redraw(photo.get());
    }
    state.SetLabel(std::to_string(state.range(0) * state.range(1) / 1000000) + " MP");
}

// Writing 5 to clear_refs resets the process's high-water mark (VmHWM) to what it holds now.
void reset_peak_memory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

double peak_megabytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024;
    }
    return 0;
}

void BM_FirstFrameOfAHugePng(benchmark::State& state) {
    PreviewBench bench(20000, 20000, true);
    double peak = 0;
    for (auto _ : state) {
        reset_peak_memory();
        const std::unique_ptr<MemoryBitmap> photo = bench.decode();
        bench.redraw(photo.get());
        peak = std::max(peak, peak_megabytes());
    }
    state.counters["peak_MB"] = peak;
    state.SetLabel("20000 x 20000 PNG, target a few seconds and 300 MB");
}

BENCHMARK(BM_RedrawAfterAChange)->Args({1732, 1155})->Args({6000, 4000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstFrameWithDecode)->Args({1732, 1155})->Args({6000, 4000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstFrameOfAHugePng)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
