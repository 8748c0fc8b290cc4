// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a 24-megapixel JPEG for printing: a whole file is only read and walked (a few
// milliseconds once it is cached), one without its EOI is rewritten whole from its coefficients
// first (about half a second, and some 100 MB at the peak where a whole file needs 25 MB).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/photos/cairo_bitmap.h"
#include "platform/photos/jpeg_codec.h"
#include "support/test_photos.h"

namespace {

constexpr int kWidth = 6000;  // 6000 x 4000: 24 megapixels
constexpr int kHeight = 4000;

class PhotoFile {
public:
    explicit PhotoFile(const std::string& bytes) {
        char pattern[] = "/tmp/posteri-bench-XXXXXX.jpg";
        const int fd = ::mkstemps(pattern, 4);
        if (fd >= 0) ::close(fd);
        path_ = pattern;
        posteri::test::write_file(path_, bytes);
    }
    ~PhotoFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

const std::string& camera_photo() {
    static const std::string bytes = [] {
        posteri::test::JpegSpec recipe;
        recipe.width = kWidth;
        recipe.height = kHeight;
        // Bands with a fine grain: a file of about 4.6 MB.
        recipe.pixel = [](int x, int y) {
            const int grain = static_cast<int>((static_cast<unsigned>(x) * 73856093u ^ static_cast<unsigned>(y) * 19349663u) >> 27);
            return posteri::test::Rgb{(x / 24) % 200 + grain, (y / 16) % 200 + grain, ((x ^ y) & 0xFF) / 2 + grain};
        };
        return posteri::test::make_jpeg(recipe);
    }();
    return bytes;
}

void load_for_printing(benchmark::State& state, const PhotoFile& photo) {
    posteri::JpegCodec codec;
    for (auto _ : state) {
        const auto bitmap = codec.load_photo(photo.path());
        const auto* cairo = dynamic_cast<const posteri::CairoBitmap*>(bitmap.get());
        if (cairo == nullptr || cairo->embedded() == nullptr) state.SkipWithError("no embeddable photo");
        benchmark::DoNotOptimize(bitmap);
    }
    state.counters["file_MB"] = static_cast<double>(camera_photo().size()) / 1e6;
}

void BM_LoadWhole24MegapixelJpeg(benchmark::State& state) {
    static const PhotoFile photo(camera_photo());
    load_for_printing(state, photo);
}
BENCHMARK(BM_LoadWhole24MegapixelJpeg)->Unit(benchmark::kMillisecond);

void BM_LoadAndRepair24MegapixelJpegWithoutEoi(benchmark::State& state) {
    static const PhotoFile photo(camera_photo().substr(0, camera_photo().size() - 2));
    load_for_printing(state, photo);
}
BENCHMARK(BM_LoadAndRepair24MegapixelJpegWithoutEoi)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
