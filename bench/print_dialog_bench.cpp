// SPDX-License-Identifier: GPL-3.0-or-later
// What the print dialog asks of the print server when it opens, on a server of ten queues: the
// list, each queue attached for its default sheet and released, and the paper sizes of one.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/pdf/linux_printers.h"
#include "support/test_print_server.h"

namespace {

constexpr int kQueues = 10;

using posteri::LinuxPrinters;
using posteri::testing::TestPrintServer;

// One server for the whole run; nothing when cupsd or cups-pdf is missing or cannot start.
TestPrintServer* server() {
    static const std::unique_ptr<TestPrintServer> started = [] {
        if (!TestPrintServer::installed()) return std::unique_ptr<TestPrintServer>();
        auto made = std::make_unique<TestPrintServer>();
        for (int i = 0; i < kQueues && made->running(); ++i) {
            made->add_queue("Coda" + std::to_string(i), TestPrintServer::kCupsPdfPpd, {});
        }
        return made->running() ? std::move(made) : std::unique_ptr<TestPrintServer>();
    }();
    return started.get();
}

bool ready(benchmark::State& state, LinuxPrinters& printers) {
    if (server() == nullptr) {
        state.SkipWithError("no print server of the benchmark's own");
        return false;
    }
    if (printers.list().size() != 5 + kQueues) {
        state.SkipWithError("the server lists other queues than its own");
        return false;
    }
    return true;
}

// Attaches every printer for its default sheet, reads its metrics and releases it.
void measure_every_printer(LinuxPrinters& printers, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        printers.attach(name, "");
        benchmark::DoNotOptimize(printers.metrics());
        printers.release();
    }
}

void BM_ListQueues(benchmark::State& state) {
    LinuxPrinters printers(false);
    if (!ready(state, printers)) return;
    for (auto _ : state) benchmark::DoNotOptimize(printers.list());
}
BENCHMARK(BM_ListQueues)->Unit(benchmark::kMillisecond);

void BM_AttachMeasureReleaseEveryPrinter(benchmark::State& state) {
    LinuxPrinters printers(false);
    if (!ready(state, printers)) return;
    const std::vector<std::string> names = printers.list();
    for (auto _ : state) measure_every_printer(printers, names);
}
BENCHMARK(BM_AttachMeasureReleaseEveryPrinter)->Unit(benchmark::kMillisecond);

void BM_PaperSizesOfOneQueue(benchmark::State& state) {
    LinuxPrinters printers(false);
    if (!ready(state, printers)) return;
    for (auto _ : state) benchmark::DoNotOptimize(printers.paper_sizes("Coda0"));
}
BENCHMARK(BM_PaperSizesOfOneQueue)->Unit(benchmark::kMillisecond);

void BM_DialogOpening(benchmark::State& state) {
    LinuxPrinters printers(false);
    if (!ready(state, printers)) return;
    for (auto _ : state) {
        measure_every_printer(printers, printers.list());
        benchmark::DoNotOptimize(printers.default_printer());
        benchmark::DoNotOptimize(printers.paper_sizes("Coda0"));
    }
}
BENCHMARK(BM_DialogOpening)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
