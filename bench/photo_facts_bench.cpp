// SPDX-License-Identifier: GPL-3.0-or-later
// Photo facts of a 50-megapixel JPEG come from its headers alone: well under a millisecond.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/photos/jpeg_codec.h"
#include "support/test_photos.h"

namespace {

constexpr int kWidth = 8660;  // 8660 x 5774: 50 megapixels
constexpr int kHeight = 5774;

class LargePhoto {
public:
    LargePhoto() {
        char pattern[] = "/tmp/posteri-bench-XXXXXX.jpg";
        const int fd = ::mkstemps(pattern, 4);
        if (fd >= 0) ::close(fd);
        path_ = pattern;
        const std::string exif = posteri::test::make_exif({false, 6, 300, 300, 2});
        posteri::test::JpegSpec recipe;
        recipe.width = kWidth;
        recipe.height = kHeight;
        recipe.exif = exif;
        recipe.pixel = [](int x, int y) { return posteri::test::Rgb{x & 0xFF, y & 0xFF, (x + y) & 0xFF}; };
        posteri::test::write_file(path_, posteri::test::make_jpeg(recipe));
    }
    ~LargePhoto() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

void BM_FactsOf50MegapixelJpeg(benchmark::State& state) {
    static const LargePhoto photo;
    posteri::JpegCodec codec;
    for (auto _ : state) {
        const auto facts = codec.facts(photo.path());
        if (!facts || facts->width != kHeight) state.SkipWithError("wrong facts");
        benchmark::DoNotOptimize(facts);
    }
}
BENCHMARK(BM_FactsOf50MegapixelJpeg)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
