// SPDX-License-Identifier: GPL-3.0-or-later
// posteri-batch posters side by side with img2pdf placing the same photo in the same box on an A4
// page: a 24-megapixel photo in every fit mode, a 50-megapixel and a 2-megapixel one, a 20000 x 20000
// PNG under a .jpg name (decoded reduced, within 10 s and 600 MB), the floor of
// any run (the program started with every library it prints with, doing nothing), and the print
// step of the interactive program driven in tmux, from the confirmation in the parameter editor to
// the PDF on disk. Each case runs in turn with its baseline, so that both meet the same machine:
// median wall time, peak memory of the child and PDF size, each against its target.
//
// Children start with posix_spawn, which lends them this process's memory until they exec, and
// the kernel carries that memory's high-water mark into the child's peak. So this driver never
// holds a photo itself: a forked helper makes the photo files, and the driver's own peak is shown.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "integration/test_photos.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using posteri::test::Rgb;

constexpr int kRuns = 7;
constexpr const char* kPrinter = "pdfcreator A4";
constexpr double kA4LongMm = 297, kA4ShortMm = 210;
constexpr int kSheetDpi = 600;  // the A4 PDF printer's device pixels per inch

// Targets.
constexpr double kMostTimeShare = 0.10;                   // of img2pdf's wall time, the 24-megapixel photo
constexpr std::uintmax_t kMemoryAllowance = 40u << 20;    // above the JPEG's size
constexpr std::uintmax_t kPdfAllowance = 200u << 10;      // above the JPEG's size, fit modes 0 to 2
constexpr int kLastCompactFitMode = 2;
constexpr double kHugeMostSeconds = 10;                   // the 20000 x 20000 PNG
constexpr double kHugeMostMegabytes = 600;

struct PhotoSpec {
    std::string name;
    int width = 0;
    int height = 0;
    posteri::test::Coding coding = posteri::test::Coding::Baseline;
    bool png = false;  // an opaque PNG of one colour under the .jpg name
};

const PhotoSpec kMainPhoto{"foto24mp.jpg", 6000, 4000};
const PhotoSpec kOtherPhotos[] = {
    {"foto24mp-progressiva.jpg", 6000, 4000, posteri::test::Coding::Progressive},
    {"foto50mp.jpg", 8640, 5760},
    {"foto2mp.jpg", 1728, 1152},
};
const PhotoSpec kHugePng{"enorme-png.jpg", 20000, 20000, posteri::test::Coding::Baseline, true};

// ---- the photo ----------------------------------------------------------------------------------

std::uint32_t grain_hash(int x, int y) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x9E3779B1u ^ static_cast<std::uint32_t>(y) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    return h ^ h >> 12;
}

int channel(double value) {
    return std::clamp(static_cast<int>(std::lround(value)), 0, 255);
}

// A landscape-like picture: a sky gradient over rolling ground, soft light, fine structure and
// sensor grain, so that it compresses about as a camera photo does rather than as a flat colour.
Rgb photo_pixel(int x, int y, int width, int height) {
    const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
    const double horizon = 0.45 + 0.08 * std::sin(7.0 * u) + 0.03 * std::sin(23.0 * u + 1.3);
    const double light = 0.85 + 0.15 * std::sin(5.3 * u + 3.1 * v) * std::cos(4.7 * v - 2.2 * u);
    const double structure = 14.0 * std::sin(0.11 * x + 2.0 * std::sin(0.013 * y)) * std::sin(0.07 * y + 0.5 * u);
    const double grain = static_cast<double>(grain_hash(x, y) % 25) - 12.0;
    const double detail = v < horizon ? 0.25 * structure + 0.5 * grain : structure + grain;
    if (v < horizon) {
        const double sky = v / horizon;
        return {channel((90 + 80 * sky) * light + detail), channel((140 + 60 * sky) * light + detail),
                channel((220 - 20 * sky) * light + detail)};
    }
    const double ground = (v - horizon) / (1 - horizon);
    return {channel((110 - 40 * ground) * light + detail), channel((120 + 20 * ground) * light + detail),
            channel((60 + 10 * ground) * light + detail)};
}

void write_photo(const std::string& folder, const PhotoSpec& photo) {
    if (photo.png) {
        const std::string png = posteri::test::make_png(photo.width, photo.height, [](int, int) { return Rgb{200, 40, 40}; });
        posteri::test::write_file(folder + "/" + photo.name, png);
        return;
    }
    posteri::test::JpegSpec recipe;
    recipe.width = photo.width;
    recipe.height = photo.height;
    recipe.coding = photo.coding;
    recipe.density_unit = 1;
    recipe.x_density = 300;
    recipe.y_density = 300;
    recipe.pixel = [&photo](int x, int y) { return photo_pixel(x, y, photo.width, photo.height); };
    posteri::test::write_file(folder + "/" + photo.name, posteri::test::make_jpeg(recipe));
}

// The photos are made in a forked helper so that their buffers never raise this process's peak.
bool make_photos(const std::string& folder) {
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        write_photo(folder, kMainPhoto);
        for (const PhotoSpec& photo : kOtherPhotos) write_photo(folder, photo);
        write_photo(folder, kHugePng);
        _exit(0);
    }
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// ---- running a child ----------------------------------------------------------------------------

struct ChildRun {
    bool succeeded = false;
    double seconds = 0;
    long peak_kb = 0;
    std::string out;
    std::string err;
};

std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs argv[0] (looked up in PATH) with its output collected in files of `scratch`.
ChildRun run_child(const std::vector<std::string>& args, const std::string& scratch) {
    const std::string out_path = scratch + "/child.out", err_path = scratch + "/child.err";
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&files, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0) {
        run.err = "cannot start " + args[0];
        return run;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peak_kb = usage.ru_maxrss;
    run.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.out = file_text(out_path);
    run.err = file_text(err_path);
    return run;
}

// ---- one measured case --------------------------------------------------------------------------

struct Sample {
    double seconds = 0;
    long peak_kb = 0;
    std::uintmax_t pdf_bytes = 0;
};

struct Measured {
    std::string name;
    std::vector<Sample> samples;
    std::string failure;

    bool ok() const { return failure.empty() && !samples.empty(); }
    double median_seconds() const {
        std::vector<double> times;
        for (const Sample& sample : samples) times.push_back(sample.seconds);
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    }
    long peak_kb() const {
        long peak = 0;
        for (const Sample& sample : samples) peak = std::max(peak, sample.peak_kb);
        return peak;
    }
    std::uintmax_t pdf_bytes() const { return samples.back().pdf_bytes; }
};

// The PDF a posteri-batch run names on its "PDF: " line.
std::optional<std::string> reported_pdf(const std::string& out) {
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("PDF: ", 0) == 0) return line.substr(5);
    }
    return std::nullopt;
}

// One case: how a run is made, and the PDF it wrote (measured and removed after each run); a case
// without `pdf_of` writes none.
struct Case {
    std::string name;
    std::function<ChildRun()> run;
    std::function<std::optional<std::string>(const ChildRun&)> pdf_of;
};

void run_once(const Case& one, Measured& measured) {
    if (!measured.failure.empty()) return;
    const ChildRun run = one.run();
    if (!one.pdf_of && run.succeeded) {
        measured.samples.push_back({run.seconds, run.peak_kb, 0});
        return;
    }
    const std::optional<std::string> pdf = run.succeeded && one.pdf_of ? one.pdf_of(run) : std::nullopt;
    std::error_code error;
    const std::uintmax_t size = pdf ? fs::file_size(*pdf, error) : 0;
    if (!run.succeeded || !pdf || error) {
        measured.failure = run.err.empty() ? "no PDF" : run.err;
        return;
    }
    measured.samples.push_back({run.seconds, run.peak_kb, size});
    fs::remove(*pdf, error);
}

// Every case once, then again, `runs` times: cases measured together meet the same machine.
std::vector<Measured> measure_in_turn(const std::vector<Case>& cases, int runs) {
    std::vector<Measured> measured;
    for (const Case& one : cases) measured.push_back(Measured{one.name, {}, {}});
    for (int i = 0; i < runs; ++i) {
        for (std::size_t c = 0; c < cases.size(); ++c) run_once(cases[c], measured[c]);
    }
    return measured;
}

// ---- the interactive program in tmux ------------------------------------------------------------

// A person's run of posteri in a tmux server of its own: the photo and the printer typed into their
// pickers, the "ok" row chosen in the parameter editor; the time runs from the Enter that confirms
// it (sent through tmux, a few milliseconds of it) to the poster's PDF on disk. The peak memory is
// the program's own high-water mark, read while its summary window shows.
class InteractiveRun {
  public:
    InteractiveRun(std::string workdir, std::string photo_stem)
        : workdir_(std::move(workdir)), stem_(std::move(photo_stem)),
          socket_("posteri-bench-" + std::to_string(getpid())) {}
    ~InteractiveRun() { tmux({"kill-server"}); }

    std::string pdf() const { return workdir_ + "/" + stem_ + kPrinter + ".pdf"; }

    ChildRun operator()() {
        ChildRun run;
        tmux({"kill-server"});
        const std::string command = "cd '" + workdir_ + "' && exec env -u DISPLAY -u WAYLAND_DISPLAY LANG=C.UTF-8 "
                                    "TERM=tmux-256color '" POSTERI_PROGRAM "'";
        if (!tmux({"-f", "/dev/null", "new-session", "-d", "-x", "120", "-y", "40", "-s", "bench", command}) ||
            !wait_for("Scegli il file") || !type(stem_) || !press("Enter") || !wait_for("Scelta della stampante") ||
            !type(kPrinter) || !press("Enter") || !wait_for("ok, vai con questi parametri.") || !press("Up")) {
            run.err = "the run did not reach the parameter editor";
            return run;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the highlight on the "ok" row
        const auto start = std::chrono::steady_clock::now();
        press("Enter");
        while (!fs::exists(pdf())) {
            if (std::chrono::steady_clock::now() - start > std::chrono::seconds(20)) {
                run.err = "no PDF after the confirmation";
                return run;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        run.succeeded = wait_for("Riassunto poster");
        run.peak_kb = program_peak_kb();
        press("Escape");
        return run;
    }

  private:
    bool tmux(std::vector<std::string> args, std::string* out = nullptr) const {
        args.insert(args.begin(), {"tmux", "-L", socket_});
        const ChildRun run = run_child(args, workdir_ + "/..");
        if (out != nullptr) *out = run.out;
        return run.succeeded;
    }
    bool type(const std::string& text) const { return tmux({"send-keys", "-t", "bench", "-l", text}); }
    bool press(const std::string& key) const { return tmux({"send-keys", "-t", "bench", key}); }
    bool wait_for(const std::string& text) const {
        for (int tries = 0; tries < 2000; ++tries) {
            std::string screen;
            if (tmux({"capture-pane", "-p", "-t", "bench"}, &screen) && screen.find(text) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    long program_peak_kb() const {
        std::string pid;
        if (!tmux({"display-message", "-p", "-t", "bench", "#{pane_pid}"}, &pid)) return 0;
        std::ifstream status("/proc/" + std::to_string(std::atoi(pid.c_str())) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
        }
        return 0;
    }

    std::string workdir_;
    std::string stem_;
    std::string socket_;
};

// ---- settings and the photo box -----------------------------------------------------------------

struct ValueSpan {
    std::size_t start = 0, end = 0;  // the bytes between "=" and the line's CR LF
};

// Where the value of `key` lies in a settings file's text.
std::optional<ValueSpan> value_span(const std::string& text, const std::string& key) {
    const std::size_t line = text.find(key + " ");
    const std::size_t equals = line == std::string::npos ? line : text.find('=', line);
    const std::size_t end = equals == std::string::npos ? equals : text.find("\r\n", equals);
    if (end == std::string::npos) return std::nullopt;
    return ValueSpan{equals + 1, end};
}

// Replaces the value of `key` in a settings file, keeping the file's other bytes.
bool set_setting(const std::string& settings_path, const std::string& key, const std::string& value) {
    std::string text = file_text(settings_path);
    const std::optional<ValueSpan> span = value_span(text, key);
    if (!span) return false;
    text.replace(span->start, span->end - span->start, " " + value + " ");
    std::ofstream file(settings_path, std::ios::binary | std::ios::trunc);
    return static_cast<bool>(file << text);
}

std::optional<double> setting_number(const std::string& settings_path, const std::string& key) {
    const std::string text = file_text(settings_path);
    const std::optional<ValueSpan> span = value_span(text, key);
    if (!span) return std::nullopt;
    return std::strtod(text.substr(span->start, span->end - span->start).c_str(), nullptr);
}

struct BoxMm {
    double width = 0, height = 0;
};

// One side of the photo box: a negative entry is a margin counted from the printable edge, 0 the
// whole sheet. Centimetres go through the printer's own single-precision dots per centimetre.
double box_side_cm(double entered, double position, int sheet_pixels) {
    const float dots_per_cm = static_cast<float>(kSheetDpi) / 2.54f;
    const double sheet_cm = sheet_pixels / static_cast<double>(dots_per_cm);
    const double side = entered < 0 ? entered + sheet_cm - position : entered;
    return side == 0 ? sheet_cm : side;
}

int sheet_pixels(double millimetres) {
    return static_cast<int>(std::nearbyint(millimetres / 25.4 * kSheetDpi));
}

// The box on a landscape A4 sheet (the photo is wider than tall), from the saved settings.
std::optional<BoxMm> photo_box(const std::string& settings_path) {
    const auto px = setting_number(settings_path, "a.px_cm");
    const auto py = setting_number(settings_path, "a.py_cm");
    const auto width = setting_number(settings_path, "a.larghezza_cm");
    const auto height = setting_number(settings_path, "a.altezza_cm");
    if (!px || !py || !width || !height) return std::nullopt;
    return BoxMm{10 * box_side_cm(*width, *px, sheet_pixels(kA4LongMm)),
                 10 * box_side_cm(*height, *py, sheet_pixels(kA4ShortMm))};
}

// img2pdf as near as it comes to each fit mode; it always centres the image on the page.
std::vector<std::string> img2pdf_args(int fit_mode, const BoxMm& box, const std::string& photo,
                                      const std::string& pdf) {
    char size[64];
    std::vector<std::string> args = {"img2pdf", "--pagesize", "A4^T", "--imgsize"};
    if (fit_mode == 0) {  // the box's height, the width following the photo's proportions
        std::snprintf(size, sizeof size, "x%.2fmm", box.height);
        args.push_back(size);
    } else {
        static const char* const kFits[] = {"", "exact", "into", "fill"};
        std::snprintf(size, sizeof size, "%.2fmmx%.2fmm", box.width, box.height);
        args.insert(args.end(), {size, "--fit", kFits[fit_mode]});
    }
    args.insert(args.end(), {"-o", pdf, photo});
    return args;
}

// ---- report -------------------------------------------------------------------------------------

double megabytes(std::uintmax_t bytes) {
    return static_cast<double>(bytes) / (1 << 20);
}

// A case beside its baseline: the time share is the case's median over the baseline's.
struct Row {
    Measured ours;
    std::optional<Measured> baseline;
    std::uintmax_t jpeg_bytes = 0;
    bool time_target = false;   // the 24-megapixel photo's cases answer to the time target
    bool compact_pdf = false;   // the PDF is the JPEG and a little more
    bool huge = false;          // the 20000 x 20000 PNG: its own time and memory bounds
};

void print_measured(const Measured& m, const std::optional<Measured>& baseline) {
    if (!m.ok()) {
        std::printf("  %-40s FAILED: %s\n", m.name.c_str(), m.failure.c_str());
        return;
    }
    char share[32] = "";
    if (baseline && baseline->ok()) std::snprintf(share, sizeof share, "%.3f", m.median_seconds() / baseline->median_seconds());
    std::printf("  %-40s %9.1f %9s %9.1f %9.2f\n", m.name.c_str(), 1000 * m.median_seconds(), share,
                m.peak_kb() / 1024.0, megabytes(m.pdf_bytes()));
}

void print_table(const std::vector<Row>& rows) {
    std::printf("  %-40s %9s %9s %9s %9s\n", "case", "wall ms", "x base", "peak MB", "PDF MB");
    for (const Row& row : rows) {
        print_measured(row.ours, row.baseline);
        if (row.baseline) print_measured(*row.baseline, std::nullopt);
    }
    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    std::printf("  (this driver's own peak RSS, a floor for every child: %.1f MB)\n\n", self.ru_maxrss / 1024.0);
}

const char* verdict(bool met) {
    return met ? "PASS" : "MISS";
}

struct Tally {
    int missed = 0;
    void check(bool met, const char* what, const std::string& detail) {
        std::printf("  %s  %-30s %s\n", verdict(met), what, detail.c_str());
        if (!met) ++missed;
    }
};

std::string format(const char* pattern, double a, double b) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, a, b);
    return text;
}

void check_targets(Tally& tally, const Row& row) {
    std::printf("%s\n", row.ours.name.c_str());
    if (!row.ours.ok()) {
        tally.check(false, "run", row.ours.failure);
        return;
    }
    if (row.time_target && row.baseline && row.baseline->ok()) {
        const double share = row.ours.median_seconds() / row.baseline->median_seconds();
        tally.check(share <= kMostTimeShare, "time <= 0.10 x img2pdf",
                    format("%.3f x img2pdf (%.0f ms)", share, 1000 * row.ours.median_seconds()));
    }
    if (row.huge) {
        tally.check(row.ours.median_seconds() <= kHugeMostSeconds, "time <= 10 s",
                    format("%.2f s of at most %.0f s", row.ours.median_seconds(), kHugeMostSeconds));
        tally.check(row.ours.peak_kb() / 1024.0 <= kHugeMostMegabytes, "peak RSS <= 600 MB",
                    format("%.1f MB of at most %.0f MB", row.ours.peak_kb() / 1024.0, kHugeMostMegabytes));
    }
    if (row.jpeg_bytes == 0) return;
    const double peak_mb = row.ours.peak_kb() / 1024.0;
    const double memory_limit_mb = megabytes(row.jpeg_bytes + kMemoryAllowance);
    tally.check(peak_mb <= memory_limit_mb, "peak RSS <= JPEG + 40 MB",
                format("%.1f MB of at most %.1f MB", peak_mb, memory_limit_mb));
    if (row.compact_pdf) {
        const double pdf_mb = megabytes(row.ours.pdf_bytes());
        const double pdf_limit_mb = megabytes(row.jpeg_bytes + kPdfAllowance);
        tally.check(pdf_mb <= pdf_limit_mb, "PDF <= JPEG + 200 KB",
                    format("%.3f MB of at most %.3f MB", pdf_mb, pdf_limit_mb));
    }
}

std::string scratch_folder() {
    char pattern[] = "/tmp/posteri-poster-bench-XXXXXX";
    const char* made = mkdtemp(pattern);
    return made != nullptr ? made : "";
}

// Everything happens in `scratch`: the photos, the settings folder and the PDFs.
int run_bench(const std::string& scratch) {
    const std::string workdir = scratch + "/lavoro";
    const std::string settings = workdir + "/impostazioni.log", img2pdf_pdf = scratch + "/img2pdf.pdf";
    if (!fs::create_directory(workdir) || !make_photos(scratch)) {
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
    const auto side_by_side = [&](const Case& ours, const Case& baseline, std::uintmax_t jpeg_bytes, bool time_target,
                                  bool compact_pdf) {
        std::vector<Measured> measured = measure_in_turn({ours, baseline}, kRuns);
        rows.push_back(Row{measured[0], measured[1], jpeg_bytes, time_target, compact_pdf});
    };
    const std::string main_size = std::to_string(kMainPhoto.width) + "x" + std::to_string(kMainPhoto.height);
    for (int fit = 0; fit <= 3; ++fit) {
        const std::string mode = std::to_string(fit);
        if (!set_setting(settings, "a.fits", mode)) {
            std::fprintf(stderr, "poster bench: no a.fits in %s\n", settings.c_str());
            return 1;
        }
        side_by_side(poster("24 MP " + main_size + " fits=" + mode, kMainPhoto), img2pdf(fit, kMainPhoto),
                     size_of(kMainPhoto), true, fit <= kLastCompactFitMode);
    }
    set_setting(settings, "a.fits", "2");  // it was there a moment ago
    for (const PhotoSpec& photo : kOtherPhotos) {
        const std::string label = photo.name.substr(0, photo.name.size() - 4) + " " + std::to_string(photo.width) + "x" +
                                  std::to_string(photo.height) + " fits=2";
        side_by_side(poster(label, photo), img2pdf(2, photo), size_of(photo), false, true);
    }
    {
        std::vector<Measured> measured = measure_in_turn({poster("PNG 20000x20000 fits=2", kHugePng), img2pdf(2, kHugePng)}, kRuns);
        rows.push_back(Row{measured[0], measured[1], 0, false, false, true});
    }
    // The floor: the program loads every library it prints with, then only prints its version.
    const Case floor{"floor: posteri-batch --version", child({POSTERI_BATCH, "--version"}), {}};
    side_by_side(floor, img2pdf(2, kMainPhoto), 0, false, false);

    fs::copy_file(photo_path(kMainPhoto), workdir + "/" + kMainPhoto.name);
    InteractiveRun interactive(workdir, kMainPhoto.name.substr(0, kMainPhoto.name.size() - 4));
    const Case print_step{"interactive print step, 24 MP fits=2", std::ref(interactive),
                          [&](const ChildRun&) { return std::optional<std::string>(interactive.pdf()); }};
    side_by_side(print_step, img2pdf(2, kMainPhoto), size_of(kMainPhoto), false, true);

    print_table(rows);
    Tally tally;
    for (const Row& row : rows) check_targets(tally, row);
    std::printf("\n%d target(s) missed\n", tally.missed);
    return 0;  // a missed target is reported, not a failed benchmark
}

}  // namespace

int main() {
    const std::string scratch = scratch_folder();
    if (scratch.empty()) {
        std::perror("poster bench: mkdtemp");
        return 1;
    }
    const int result = run_bench(scratch);
    std::error_code error;
    fs::remove_all(scratch, error);
    return result;
}
