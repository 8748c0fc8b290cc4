// SPDX-License-Identifier: GPL-3.0-or-later
// The font window over 200, 1000 and 1600 font families on a real display (DISPLAY, e.g. Xvfb): from
// asking for the font list to the window's first complete frame, the first time in a run with no
// kept measurements, a second time in the same run, and the first time in a later run that finds
// them on disk; and the redraw after each key, the keys coming at a person's pace (kKeyPace after
// each frame, the window polling and sleeping as it does for a user meanwhile). The families are made from the installed font files:
// each gets a link of its own, renamed by a scan rule of a private font configuration. Each run is a
// fresh child process, so that nothing is left warm from an earlier one. Exits with status 1 when a
// median passes its limit.
#include <benchmark/benchmark.h>
#include <fontconfig/fontconfig.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "fonts/font_list.h"
#include "fonts/font_preview.h"
#include "platform/system/posix_system.h"
#include "platform/type/fontconfig_catalog.h"
#include "platform/windows/sdl_windows.h"
#include "support/fake_platform.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace posteri;
namespace fs = std::filesystem;

constexpr int kKeys = 30;
constexpr double kFirstLimit1000 = 1.0;  // seconds, up to 1000 families
constexpr double kFirstLimit1600 = 3.0;
constexpr double kLaterLimit = 0.3;
constexpr double kKeyLimit = 0.016;
// Four keys a second: a person paging through the list and reading the names as they go by.
constexpr auto kKeyPace = std::chrono::milliseconds(250);

// The display's windows, with scripted keys, each given kKeyPace after the last frame, and the time
// of every frame shown.
class TimedWindows : public SdlWindows {
  public:
    explicit TimedWindows(Console& console) : SdlWindows(console) {}
    std::deque<std::string> keys;
    std::vector<Clock::time_point> frames;
    std::vector<Clock::time_point> key_times;

    void present(WindowHandle window) override {
        SdlWindows::present(window);
        frames.push_back(Clock::now());
    }
    std::string poll_key(WindowHandle window) override {
        SdlWindows::poll_key(window);
        if (keys.empty()) return keys::kEsc;
        if (!frames.empty() && Clock::now() - frames.back() < kKeyPace) return {};
        std::string key = keys.front();
        keys.pop_front();
        key_times.push_back(Clock::now());
        return key;
    }
};

struct PreviewTimes {
    double first = 0;  // seconds
    double second = 0;
    double key_redraw = 0;  // seconds, the median over the keys
    double slowest_key = 0;
    int fonts = 0;
};

// From asking for the list to the first frame; with keys, the median and the longest time from a key
// to its frame.
double open_preview(Platform& platform, TimedWindows& windows, int keys, double* key_redraw) {
    windows.frames.clear();
    windows.key_times.clear();
    for (int i = 0; i < keys; ++i) windows.keys.push_back(i % 3 == 2 ? keys::kPgDn : keys::kDown);
    const Clock::time_point called = Clock::now();
    std::vector<std::string> entries;
    std::int32_t count = 0;
    LEGGIFON(platform, entries, count);
    std::int32_t margin_x = 10, mode_y = 0, selection = 1, rows = 32;
    GRAPHIC_(platform, margin_x, mode_y, entries, count, selection, rows, 24);
    const std::size_t first = windows.frames.size() - windows.key_times.size() - 1;
    if (key_redraw != nullptr) {
        std::vector<double> each;
        for (std::size_t k = 0; k < windows.key_times.size(); ++k)
            each.push_back(std::chrono::duration<double>(windows.frames[first + 1 + k] - windows.key_times[k]).count());
        std::sort(each.begin(), each.end());
        key_redraw[0] = each.empty() ? 0 : each[each.size() / 2];
        key_redraw[1] = each.empty() ? 0 : each.back();
    }
    return std::chrono::duration<double>(windows.frames[first] - called).count();
}

PreviewTimes time_preview() {
    MemoryConsole console;
    PosixSystem system;
    TimedWindows windows(console);
    RecordingFault fault;
    SilentSpeech speech;
    FakePrinters printers;
    FakeImages images;
    FontconfigCatalog fonts;
    Platform platform{console, system, fault, speech, printers, images, windows, fonts};
    PreviewTimes times;
    if (!windows.has_display()) return times;
    times.first = open_preview(platform, windows, 0, nullptr);
    double key_redraw[2] = {0, 0};
    times.second = open_preview(platform, windows, kKeys, key_redraw);
    times.key_redraw = key_redraw[0];
    times.slowest_key = key_redraw[1];
    std::vector<std::string> entries;
    LEGGIFON(platform, entries, times.fonts);
    return times;
}

// One run in a child process; its times come back through a pipe.
std::optional<PreviewTimes> time_preview_in_child() {
    int pipe_ends[2];
    if (::pipe(pipe_ends) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe_ends[0]);
        const PreviewTimes times = time_preview();
        const bool sent = ::write(pipe_ends[1], &times, sizeof times) == sizeof times;
        ::_exit(sent ? 0 : 1);
    }
    ::close(pipe_ends[1]);
    PreviewTimes times;
    const bool read_all = ::read(pipe_ends[0], &times, sizeof times) == sizeof times;
    ::close(pipe_ends[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) std::fprintf(stderr, "the run ended by signal %d\n", WTERMSIG(status));
    if (!read_all || times.fonts == 0) return std::nullopt;
    return times;
}

// A font configuration of `families` families only: links to the installed font files in turn, each
// renamed "Prova NNNN" as fontconfig scans it. Its font cache is built here, before any timing, as a
// user's would have been long before. Returns the folder, which holds fonts.conf.
fs::path synthetic_fonts(int families) {
    const fs::path folder = fs::temp_directory_path() / ("posteri-bench-fonts-" + std::to_string(families));
    std::vector<std::string> files;
    {
        // A configuration of its own: this process's current one stays unmade for the children.
        FcConfig* system = FcInitLoadConfigAndFonts();
        FcPattern* all = FcPatternCreate();
        FcObjectSet* wanted = FcObjectSetBuild(FC_FILE, nullptr);
        FcFontSet* set = FcFontList(system, all, wanted);
        for (int f = 0; set != nullptr && f < set->nfont; ++f) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(set->fonts[f], FC_FILE, 0, &file) == FcResultMatch)
                files.emplace_back(reinterpret_cast<const char*>(file));
        }
        if (set != nullptr) FcFontSetDestroy(set);
        FcObjectSetDestroy(wanted);
        FcPatternDestroy(all);
        FcConfigDestroy(system);
    }
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    if (fs::exists(folder / "fonts.conf") || files.empty()) return folder;
    fs::create_directories(folder / "fonts");
    std::ofstream conf(folder / "fonts.conf.new");
    conf << "<?xml version=\"1.0\"?><fontconfig><dir>" << (folder / "fonts").string() << "</dir><cachedir>"
         << (folder / "cache").string() << "</cachedir><include ignore_missing=\"yes\">/etc/fonts/conf.d</include>\n";
    for (int i = 0; i < families; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%04d", i);
        const fs::path link = folder / "fonts" / (std::string("f") + name);
        fs::create_symlink(files[static_cast<std::size_t>(i) % files.size()], link);
        conf << "<match target=\"scan\"><test name=\"file\"><string>" << link.string()
             << "</string></test><edit name=\"family\" mode=\"assign_replace\"><string>Prova " << name
             << "</string></edit><edit name=\"familylang\" mode=\"assign_replace\"><string>en</string></edit>"
                "</match>\n";
    }
    conf << "</fontconfig>\n";
    conf.close();
    const std::string build = "FONTCONFIG_FILE=" + (folder / "fonts.conf.new").string() + " fc-cache -f " +
                              (folder / "fonts").string() + " >/dev/null 2>&1";
    if (std::system(build.c_str()) == 0) fs::rename(folder / "fonts.conf.new", folder / "fonts.conf");
    return folder;
}

std::map<std::string, std::vector<double>> g_results;

void record(benchmark::State& state, const std::string& name, double seconds) {
    state.SetIterationTime(seconds);
    g_results[name].push_back(seconds);
}

void BM_FontWindow(benchmark::State& state) {
    const int families = static_cast<int>(state.range(0));
    const fs::path folder = synthetic_fonts(families);
    ::setenv("FONTCONFIG_FILE", (folder / "fonts.conf").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (folder / "xdg").c_str(), 1);
    for (auto _ : state) {
        fs::remove_all(folder / "xdg");
        const std::optional<PreviewTimes> times = time_preview_in_child();
        const std::optional<PreviewTimes> next_run = time_preview_in_child();
        if (!times || !next_run) {
            state.SkipWithError("no display or no fonts: run under Xvfb with DISPLAY set");
            break;
        }
        const std::string at = "/" + std::to_string(families);
        record(state, "first opening" + at, times->first);
        g_results["second opening" + at].push_back(times->second);
        g_results["key redraw" + at].push_back(times->key_redraw);
        g_results["slowest key redraw" + at].push_back(times->slowest_key);
        g_results["first opening of a later run" + at].push_back(next_run->first);
        state.counters["fonts"] = times->fonts;
        state.counters["second_ms"] = times->second * 1e3;
        state.counters["key_ms"] = times->key_redraw * 1e3;
        state.counters["later_run_ms"] = next_run->first * 1e3;
    }
    ::unsetenv("FONTCONFIG_FILE");
    ::unsetenv("XDG_CACHE_HOME");
}
BENCHMARK(BM_FontWindow)->Arg(200)->Arg(1000)->Arg(1600)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// The limits: a run's first opening by the number of families, every later one, and every key.
int check_limits() {
    int failures = 0;
    for (const auto& [name, values] : g_results) {
        const int families = std::stoi(name.substr(name.rfind('/') + 1));
        double limit = kLaterLimit;
        if (name.starts_with("first opening/")) limit = families <= 1000 ? kFirstLimit1000 : kFirstLimit1600;
        if (name.starts_with("first opening of a later run"))
            limit = families <= 1000 ? kFirstLimit1000 : kFirstLimit1600;
        if (name.find("key redraw") != std::string::npos) limit = kKeyLimit;
        const double value = median(values);
        const bool over = value > limit;
        std::printf("%-40s median %8.1f ms  limit %6.1f ms%s\n", name.c_str(), value * 1e3, limit * 1e3,
                    over ? "  OVER" : "");
        failures += over ? 1 : 0;
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return check_limits();
}
