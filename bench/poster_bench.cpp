// SPDX-License-Identifier: GPL-3.0-or-later
// posteri-batch posters side by side with img2pdf placing the same photo in the same box on an A4
// page: a 24-megapixel photo in every fit mode and as each kind a person brings (an ICC-tagged JPEG,
// an Adobe CMYK JPEG, an RGB PNG), a 50-megapixel and a 2-megapixel one, a 20000 x 20000 PNG under a
// .jpg name (decoded reduced, within 10 s and 600 MB), the floor of any run (the program started
// with every library it prints with, doing nothing), and the print step of the interactive program
// driven in tmux, from the confirmation in the parameter editor to the PDF on disk; a 12-megapixel
// WebP against libwebp's own decoder writing it as a PNG (dwebp), a 12-megapixel HEIC within 1 s and
// against libheif's own decoder writing it as a PNG (heif-convert), a 12-megapixel JPEG XL, decoded
// and made from a JPEG, against libjxl's own (djxl, to a PNG and to the JPEG), a 12-megapixel TIFF of
// LZW strips against ImageMagick writing it as a PNG through libtiff, and a small JPEG, which no
// photo reader loaded on first use may slow down. Each case runs
// in turn with its baseline, so that both meet the same machine: median wall time, peak memory of
// the child and PDF size, each against its target. The exit status is 1 when a target is missed.

#include <cstdio>
#include <filesystem>
#include <iterator>

#include "poster/bench_photos.h"
#include "poster/box_and_baseline.h"
#include "poster/child_runs.h"
#include "poster/interactive_run.h"
#include "poster/targets.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace posteri::bench;
using posteri::test::Coding;

constexpr int kRuns = 7;
constexpr const char* kPrinter = "pdfcreator A4";
constexpr int kFitsForAll = 2;  // the largest proportional fit
constexpr int kLastCompactFitMode = 2;

// Time targets, as a share of img2pdf's wall time on the same photo.
constexpr double kRgbJpegMostShare = 0.10;
constexpr double kOtherKindMostShare = 0.20;

const PhotoSpec kMainPhoto{"foto24mp.jpg", 6000, 4000};
// Every kind of photo embedded as its own bytes, against the same limits.
const PhotoSpec kOtherKinds[] = {
    {"foto24mp-icc.jpg", 6000, 4000, PhotoKind::IccJpeg},
    {"foto24mp-cmyk.jpg", 6000, 4000, PhotoKind::CmykJpeg},
    {"foto24mp.png", 6000, 4000, PhotoKind::Png},
};
// Other sizes and codings: memory and PDF size only.
const PhotoSpec kOtherPhotos[] = {
    {"foto24mp-progressiva.jpg", 6000, 4000, PhotoKind::Jpeg, Coding::Progressive},
    {"foto50mp.jpg", 8640, 5760},
    {"foto2mp.jpg", 1728, 1152},
};
const PhotoSpec kHugePng{"enorme-png.jpg", 20000, 20000, PhotoKind::FlatPng};
// Decoded photos cost little beyond their decoding: at most twice their own decoder's time.
const PhotoSpec kWebp{"foto12mp.webp", 4240, 2832, PhotoKind::Webp};
const PhotoSpec kJxl{"foto12mp.jxl", 4240, 2832, PhotoKind::Jxl};
const PhotoSpec kJpegJxl{"foto12mp-jpeg.jxl", 4240, 2832, PhotoKind::JpegJxl};
const PhotoSpec kTiff{"foto12mp.tif", 4240, 2832, PhotoKind::Tiff};
const PhotoSpec kHeic{"foto12mp.heic", 4240, 2832, PhotoKind::Heic};
constexpr double kHeicMostSeconds = 1.0;
constexpr double kDecodedMostShare = 2.0;
// A small JPEG takes what it took before the first photo reader came in a module of its own.
const PhotoSpec kSmallJpeg{"foto-piccola.jpg", 640, 480};
constexpr double kSmallJpegMostSeconds = 0.035;

std::vector<PhotoSpec> every_photo() {
    std::vector<PhotoSpec> photos{kMainPhoto, kHugePng, kWebp, kHeic, kJxl, kJpegJxl, kTiff, kSmallJpeg};
    photos.insert(photos.end(), std::begin(kOtherKinds), std::end(kOtherKinds));
    photos.insert(photos.end(), std::begin(kOtherPhotos), std::end(kOtherPhotos));
    return photos;
}

// Everything happens in `scratch`: the photos, the settings folder and the PDFs.
int run_bench(const std::string& scratch) {
    const std::string workdir = scratch + "/lavoro";
    const std::string settings = workdir + "/impostazioni.log", img2pdf_pdf = scratch + "/img2pdf.pdf";
    if (!fs::create_directory(workdir) || !make_photos(scratch, every_photo())) {
        std::fprintf(stderr, "poster bench: cannot make the photos\n");
        return 1;
    }
    const auto photo_path = [&](const PhotoSpec& photo) { return scratch + "/" + photo.name; };
    const auto child = [&](std::vector<std::string> args) { return [args, &scratch] { return run_child(args, scratch); }; };
    const auto posteri_pdf = [](const ChildRun& run) { return reported_pdf(run.out); };
    const auto img2pdf_output = [&](const ChildRun&) { return std::optional<std::string>(img2pdf_pdf); };
    const auto poster = [&](const std::string& name, const PhotoSpec& photo) {
        return Case{name, child({POSTERI_BATCH, photo_path(photo), kPrinter, workdir}), posteri_pdf};
    };

    // A first run writes the default settings file and warms the caches.
    const std::vector<Measured> warm_up = measure_in_turn({poster("warm-up", kMainPhoto)}, 1);
    const std::optional<BoxMm> box = warm_up[0].ok() ? photo_box(settings) : std::nullopt;
    if (!box) {
        std::fprintf(stderr, "poster bench: posteri-batch gave no settings or PDF: %s\n", warm_up[0].failure.c_str());
        return 1;
    }
    const auto img2pdf = [&](int fit, const PhotoSpec& photo) {
        return Case{"img2pdf (as fits=" + std::to_string(fit) + ")", child(img2pdf_args(fit, *box, photo_path(photo), img2pdf_pdf)),
                    img2pdf_output};
    };
    const auto size_of = [&](const PhotoSpec& photo) { return fs::file_size(photo_path(photo)); };
    std::printf("Posters on \"%s\", box %.1f x %.1f mm; median of %d runs taken in turn with their baseline;\n"
                "peak RSS of the child (wait4), of the program itself in the interactive run\n\n",
                kPrinter, box->width, box->height, kRuns);

    std::vector<Row> rows;
    const auto side_by_side = [&](const Case& ours, const Case& baseline, std::uintmax_t photo_bytes,
                                  Limits limits) {
        std::vector<Measured> measured = measure_in_turn({ours, baseline}, kRuns);
        rows.push_back(Row{measured[0], measured[1], photo_bytes, limits});
    };
    for (int fit = 0; fit <= 3; ++fit) {
        const std::string mode = std::to_string(fit);
        if (!set_setting(settings, "a.fits", mode)) {
            std::fprintf(stderr, "poster bench: no a.fits in %s\n", settings.c_str());
            return 1;
        }
        side_by_side(poster(kMainPhoto.label() + " fits=" + mode, kMainPhoto), img2pdf(fit, kMainPhoto),
                     size_of(kMainPhoto), {kRgbJpegMostShare, true, fit <= kLastCompactFitMode});
    }
    set_setting(settings, "a.fits", std::to_string(kFitsForAll));  // it was there a moment ago
    const std::string fits = " fits=" + std::to_string(kFitsForAll);
    for (const PhotoSpec& photo : kOtherKinds) {
        side_by_side(poster(photo.label() + fits, photo), img2pdf(kFitsForAll, photo), size_of(photo),
                     {kOtherKindMostShare, false, true});
    }
    for (const PhotoSpec& photo : kOtherPhotos) {
        side_by_side(poster(photo.label() + fits, photo), img2pdf(kFitsForAll, photo), size_of(photo),
                     {0, true, true});
    }
    const Case dwebp{
        "dwebp (to PNG)", child({"dwebp", "-quiet", photo_path(kWebp), "-o", scratch + "/dwebp.png"}), {}};
    side_by_side(poster(kWebp.label() + fits, kWebp), dwebp, size_of(kWebp),
                 {.time_share = kDecodedMostShare});
    const Case heif_convert{"heif-convert (to PNG)",
                            child({"heif-convert", photo_path(kHeic), scratch + "/heif-convert.png"}),
                            {}};
    side_by_side(poster(kHeic.label() + fits, kHeic), heif_convert, size_of(kHeic),
                 {.time_share = kDecodedMostShare, .most_seconds = kHeicMostSeconds});
    for (const auto& [photo, decoded] : {std::pair{kJxl, "png"}, std::pair{kJpegJxl, "jpg"}}) {
        const Case djxl{std::string("djxl (to ") + decoded + ")",
                        child({"djxl", photo_path(photo), scratch + "/djxl." + decoded, "--quiet"}), {}};
        side_by_side(poster(photo.label() + fits, photo), djxl, size_of(photo),
                     {.time_share = kDecodedMostShare});
    }
    // tiffcp writes no PNG: ImageMagick decodes through libtiff to one.
    const Case to_png{"convert (to PNG)", child({"convert", photo_path(kTiff), scratch + "/convert.png"}), {}};
    side_by_side(poster(kTiff.label() + fits, kTiff), to_png, size_of(kTiff), {.time_share = kDecodedMostShare});
    side_by_side(poster(kSmallJpeg.label() + fits, kSmallJpeg), img2pdf(kFitsForAll, kSmallJpeg),
                 size_of(kSmallJpeg), {.most_seconds = kSmallJpegMostSeconds});
    side_by_side(poster("PNG 20000x20000" + fits, kHugePng), img2pdf(kFitsForAll, kHugePng), 0,
                 {0, false, false, true});
    // The floor: the program loads every library it prints with, then only prints its version.
    const Case floor{"floor: posteri-batch --version", child({POSTERI_BATCH, "--version"}), {}};
    side_by_side(floor, img2pdf(kFitsForAll, kMainPhoto), 0, {});

    fs::copy_file(photo_path(kMainPhoto), workdir + "/" + kMainPhoto.name);
    InteractiveRun interactive(POSTERI_PROGRAM, workdir,
                               kMainPhoto.name.substr(0, kMainPhoto.name.rfind('.')), kPrinter);
    const Case print_step{"interactive print step, 24 MP" + fits, std::ref(interactive),
                          [&](const ChildRun&) { return std::optional<std::string>(interactive.pdf()); }};
    side_by_side(print_step, img2pdf(kFitsForAll, kMainPhoto), size_of(kMainPhoto), {0, true, true});

    print_table(rows);
    const int missed = check_targets(rows);
    std::printf("\n%d target(s) missed\n", missed);
    return missed == 0 ? 0 : 1;
}

}  // namespace

int main() {
    const posteri::TempFolder scratch("posteri-poster-bench");
    return run_bench(scratch.path().string());
}
