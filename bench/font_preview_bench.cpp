// The font preview over every installed font on a real display (DISPLAY, e.g. Xvfb): from the call to
// the first complete frame (every face measured), and the redraw after each key. Each run is a
// fresh child process, so that no font, face or display connection is left warm from an earlier
// run: the first frame costs what it costs a user. Install fonts-noto-core for a realistic catalogue.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <optional>

#include "fonts/font_list.h"
#include "fonts/font_preview.h"
#include "platform/linux/fontconfig_catalog.h"
#include "platform/linux/posix_system.h"
#include "platform/linux/sdl_windows.h"
#include "support/fake_platform.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace posteri;

constexpr int kKeys = 60;

// The display's windows, with scripted keys and the time of every frame shown.
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
        std::string key = keys.front();
        keys.pop_front();
        key_times.push_back(Clock::now());
        return key;
    }
};

class NoPause : public PosixSystem {
  public:
    void sleep_ms(int) override {}
};

struct PreviewTimes {
    double first_frame = 0;  // seconds
    double key_redraw = 0;   // seconds, mean over the keys
    int fonts = 0;
};

PreviewTimes time_preview() {
    MemoryConsole console;
    NoPause system;
    TimedWindows windows(console);
    RecordingFault fault;
    SilentSpeech speech;
    FakePrinters printers;
    FakeImages images;
    FontconfigCatalog fonts;
    Platform platform{console, system, fault, speech, printers, images, windows, fonts};
    PreviewTimes times;
    if (!windows.has_display()) return times;
    std::vector<std::string> entries;
    std::int32_t count = 0;
    LEGGIFON(platform, entries, count);
    for (int i = 0; i < kKeys; ++i) windows.keys.push_back(i % 3 == 2 ? keys::kPgDn : keys::kDown);
    std::int32_t margin_x = 10, mode_y = 0, selection = 1, rows = 32;
    const Clock::time_point called = Clock::now();
    GRAPHIC_(platform, margin_x, mode_y, entries, count, selection, rows, 24);
    // The window is raised (one frame on a console box only), then each show is one present.
    const std::size_t first = windows.frames.size() - windows.key_times.size() - 1;
    times.first_frame = std::chrono::duration<double>(windows.frames[first] - called).count();
    double keys_total = 0;
    for (std::size_t k = 0; k < windows.key_times.size(); ++k)
        keys_total += std::chrono::duration<double>(windows.frames[first + 1 + k] - windows.key_times[k]).count();
    times.key_redraw = keys_total / static_cast<double>(windows.key_times.size());
    times.fonts = count;
    return times;
}

// One preview in a child process; its times come back through a pipe.
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
    if (!read_all || times.fonts == 0) return std::nullopt;
    return times;
}

template <double PreviewTimes::*measure>
void BM_Preview(benchmark::State& state) {
    for (auto _ : state) {
        const std::optional<PreviewTimes> times = time_preview_in_child();
        if (!times) {
            state.SkipWithError("no display or no fonts: run under Xvfb with DISPLAY set");
            break;
        }
        state.SetIterationTime((*times).*measure);
        state.counters["fonts"] = times->fonts;
    }
}

void BM_PreviewFirstFrame(benchmark::State& state) {
    BM_Preview<&PreviewTimes::first_frame>(state);
}
void BM_PreviewKeyRedraw(benchmark::State& state) {
    BM_Preview<&PreviewTimes::key_redraw>(state);
}
BENCHMARK(BM_PreviewFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PreviewKeyRedraw)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
