// SPDX-License-Identifier: MIT
// Google Benchmark timings of the number field, of the two writers and of
// the plot on a full-length scan.
#include "ascii_writer.h"
#include "bruker_writer.h"
#include "file_bytes.h"
#include "plot_layout.h"
#include "rigaku_reader.h"
#include "rigaku_scan_bytes.h"
#include "svg_painter.h"

#include <benchmark/benchmark.h>
#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <random>
#include <vector>

using namespace scanmill;
namespace fs = std::filesystem;

namespace {

constexpr std::int16_t fullScanPoints = 32767;

// A full-length scan as the reader makes it of the instrument's bytes.
const ScanRecord& fullScan() {
    static const ScanRecord scan = [] {
        const fs::path path = fs::temp_directory_path() / "scanmill-bench-full.raw";
        testing::writeFile(path, testing::rigakuBytes(testing::plausibleScan(fullScanPoints)));
        ScanRecord read = readRigakuRaw(path.string());
        fs::remove(path);
        return read;
    }();
    return scan;
}

// What the ASCII writer formats for real scans: angles, then intensities.
std::vector<float> scanValues() {
    const ScanRecord& scan = fullScan();
    std::vector<float> values;
    for (std::size_t i = 0; i < scan.intensities.size(); ++i) {
        values.push_back(static_cast<float>(i) * scan.stepSize + scan.startTwoTheta);
        values.push_back(scan.intensities[i]);
    }
    return values;
}

// Finite floats of every magnitude, uniform over their bit patterns.
std::vector<float> anyFiniteValues() {
    std::mt19937 random(7);
    std::vector<float> values;
    while (values.size() < 65536) {
        const float x = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
        if (std::isfinite(x))
            values.push_back(x);
    }
    return values;
}

void formatEach(benchmark::State& state, const std::vector<float>& values) {
    char field[maxPrintNumberLength];
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(formatPrintNumber(values[i], field));
        benchmark::ClobberMemory();
        i = i + 1 == values.size() ? 0 : i + 1;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_formatPrintNumber_scanValues(benchmark::State& state) {
    formatEach(state, scanValues());
}
BENCHMARK(BM_formatPrintNumber_scanValues);

void BM_formatPrintNumber_anyFinite(benchmark::State& state) {
    formatEach(state, anyFiniteValues());
}
BENCHMARK(BM_formatPrintNumber_anyFinite);

struct BenchDirectory {
    fs::path path = fs::temp_directory_path() / "scanmill-bench";
    BenchDirectory() { fs::create_directories(path); }
    ~BenchDirectory() { fs::remove_all(path); }
};

template <void (*write)(const ScanRecord&, const std::string&)>
void writeFullScan(benchmark::State& state, const char* name) {
    BenchDirectory dir;
    const ScanRecord& scan = fullScan();
    const std::string path = (dir.path / name).string();
    for (auto _ : state)
        write(scan, path);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(path)));
}

void BM_writeTwoColumnAscii_fullScan(benchmark::State& state) {
    writeFullScan<writeTwoColumnAscii>(state, "scan.dat");
}
BENCHMARK(BM_writeTwoColumnAscii_fullScan)->Unit(benchmark::kMicrosecond);

void BM_writeBrukerRaw_fullScan(benchmark::State& state) {
    writeFullScan<writeBrukerRaw>(state, "scan_b.raw");
}
BENCHMARK(BM_writeBrukerRaw_fullScan)->Unit(benchmark::kMicrosecond);

// The plot of a full-length scan in a frame the size of the SVG's.
void BM_layOutPlot_fullScan(benchmark::State& state) {
    const ScanRecord& scan = fullScan();
    for (auto _ : state)
        benchmark::DoNotOptimize(layOutPlot(scan, "scan.raw", {696, 352}));
    state.SetItemsProcessed(state.iterations() *
                            static_cast<std::int64_t>(scan.intensities.size()));
}
BENCHMARK(BM_layOutPlot_fullScan)->Unit(benchmark::kMicrosecond);

// What each step of a zoom in the preview lays out again: a full-length scan
// in a frame 1,920 columns wide, all of it (0) or a view of its middle half
// (1), on each scale (2nd argument). The preview keeps up while it takes
// at most 2 ms.
void BM_layOutPlot_zoom1920(benchmark::State& state) {
    const ScanRecord& scan = fullScan();
    PlotView view;
    view.scale = static_cast<IntensityScale>(state.range(1));
    if (state.range(0) == 1) {
        const double first = twoThetaAt(scan, 0);
        const double span = twoThetaAt(scan, scan.intensities.size() - 1) - first;
        view.twoTheta = AxisRange{first + span / 4, first + span * 3 / 4};
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(layOutPlot(scan, "scan.raw", {1920, 1000}, 1, view));
}
BENCHMARK(BM_layOutPlot_zoom1920)->ArgsProduct({{0, 1}, {0, 1, 2}})->Unit(benchmark::kMicrosecond);

// The SVG text against the two-column text of the same scan, each into a
// buffer reused as the batch reuses it.
template <void (*format)(const ScanRecord&, std::string&)>
void formatFullScan(benchmark::State& state) {
    const ScanRecord& scan = fullScan();
    std::string bytes;
    for (auto _ : state) {
        format(scan, bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

void formatSvgOfScan(const ScanRecord& scan, std::string& bytes) {
    formatSvg(scan, "scan.raw", bytes);
}

void formatAsciiOfScan(const ScanRecord& scan, std::string& bytes) {
    formatTwoColumnAscii(scan, bytes);
}

BENCHMARK(formatFullScan<formatSvgOfScan>)
    ->Name("BM_formatSvg_fullScan")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(formatFullScan<formatAsciiOfScan>)
    ->Name("BM_formatTwoColumnAscii_fullScan")
    ->Unit(benchmark::kMicrosecond);

void BM_readRigakuRaw_fullScan(benchmark::State& state) {
    BenchDirectory dir;
    const fs::path path = dir.path / "scan.raw";
    testing::writeFile(path, testing::rigakuBytes(testing::plausibleScan(fullScanPoints)));
    for (auto _ : state)
        benchmark::DoNotOptimize(readRigakuRaw(path.string()));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(path)));
}
BENCHMARK(BM_readRigakuRaw_fullScan)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
