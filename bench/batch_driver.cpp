// SPDX-License-Identifier: MIT
// The window's Convert, from the command line, for timing:
//   scanmill_batch make DIR COUNT POINTS [sample|counts|random]
//                                             writes COUNT Rigaku scans into DIR,
//                                             their intensities of that kind
//   scanmill_batch examples DIR               writes the three example scans of
//                                             examples/ into DIR
//   scanmill_batch ascii|bruker IN OUT [N]    converts the first N (default all,
//                                             at most 101) .raw files of IN into OUT
// After converting it prints the process's peak resident memory in KiB.
#include "file_bytes.h"
#include "rigaku_scan_bytes.h"
#include "window_core.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace scanmill;
namespace fs = std::filesystem;

namespace {

int usage() {
    std::fprintf(stderr, "usage: scanmill_batch make DIR COUNT POINTS [sample|counts|random]\n"
                         "       scanmill_batch examples DIR\n"
                         "       scanmill_batch ascii|bruker IN OUT [N]\n");
    return 2;
}

// A plausible scan whose intensities are as given: "sample" (quarter counts),
// "counts" (whole counts, as the instrument records them) or "random" (any
// value up to 10^6, mostly needing all seven digits).
testing::RigakuFields scanOf(std::int16_t points, const std::string& kind) {
    testing::RigakuFields fields = testing::plausibleScan(points);
    std::mt19937 random(static_cast<unsigned>(points));
    std::uniform_real_distribution<float> anyIntensity(0.0F, 1e6F);
    for (float& intensity : fields.intensities) {
        if (kind == "counts") {
            intensity = std::floor(intensity);
        } else if (kind == "random") {
            intensity = anyIntensity(random);
        }
    }
    return fields;
}

void makeScans(const fs::path& dir, int count, int points, const std::string& kind) {
    fs::create_directories(dir);
    const std::string bytes = testing::rigakuBytes(scanOf(static_cast<std::int16_t>(points), kind));
    for (int i = 1; i <= count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "scan%03d.raw", i);
        testing::writeFile(dir / name, bytes);
    }
}

// Counts as a counter gives them: the expected count and a scatter of about
// its square root, the same on every system (mt19937's numbers are).
float counted(double expected, std::mt19937& random) {
    const double scatter = (static_cast<double>(random()) + static_cast<double>(random())) /
                               4294967296.0 -
                           1.0;
    return static_cast<float>(
        std::max(0.0, std::round(expected + 1.7 * scatter * std::sqrt(expected))));
}

// The example scans: quartz with its Ka1/Ka2 doublets on a sloping
// background, an amorphous hump, and a scan cut short, named to sort last.
void makeExamples(const fs::path& dir) {
    fs::create_directories(dir);
    std::mt19937 random(2005);
    testing::RigakuFields quartz;
    quartz.date = "14-FEB-05";
    quartz.time = "10:32:07";
    quartz.title = "Quartz SiO2, Cu tube 40 kV 30 mA";
    quartz.start = 15.0F;
    quartz.step = 0.02F;
    const double peaks[][2] = {{20.86, 2200}, {26.64, 10000}, {36.54, 800}, {39.46, 750},
                               {40.29, 400},  {42.45, 600},   {45.79, 450}, {50.14, 1400},
                               {54.87, 400},  {59.96, 900},   {64.04, 250}, {67.74, 700},
                               {68.14, 900},  {68.31, 600}};
    const double pi = std::acos(-1.0);
    const double ratio = 1.54442 / 1.5406; // Ka2 / Ka1
    quartz.intensities.resize(3001);
    for (std::size_t i = 0; i < quartz.intensities.size(); ++i) {
        const double angle = 15.0 + 0.02 * static_cast<double>(i);
        double expected = 260.0 - 2.0 * (angle - 15.0);
        for (const auto& [at, height] : peaks) {
            const double alpha2 =
                2 * std::asin(std::min(1.0, ratio * std::sin(at / 2 * pi / 180))) * 180 / pi;
            for (const auto& [centre, share] : {std::pair{at, 1.0}, std::pair{alpha2, 0.5}}) {
                const double x = (angle - centre) / 0.05;
                expected += share * height / (1.0 + x * x);
            }
        }
        quartz.intensities[i] = counted(expected, random);
    }
    testing::writeFile(dir / "quartz.raw", testing::rigakuBytes(quartz));

    testing::RigakuFields glass;
    glass.date = "15-FEB-05";
    glass.time = "09:05:41";
    glass.title = "Silica glass, amorphous";
    glass.start = 5.0F;
    glass.step = 0.05F;
    glass.intensities.resize(1101);
    for (std::size_t i = 0; i < glass.intensities.size(); ++i) {
        const double angle = 5.0 + 0.05 * static_cast<double>(i);
        const double x = (angle - 22.0) / 6.0;
        glass.intensities[i] =
            counted(120.0 + 900.0 * std::exp(-x * x / 2) + 400.0 / angle, random);
    }
    testing::writeFile(dir / "silica_glass.raw", testing::rigakuBytes(glass));

    // Its header announces 3001 points; the file ends after 1000 of them.
    testing::RigakuFields cut = quartz;
    cut.title = "Quartz, transfer cut short";
    cut.count = 3001;
    cut.intensities.resize(1000);
    testing::writeFile(dir / "zz_damaged.raw", testing::rigakuBytes(cut));
}

int convert(OutputFormat format, const fs::path& in, const fs::path& out, std::size_t limit) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(in))
        if (entry.path().extension() == ".raw")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    names.resize(std::min({names.size(), limit, maxSelectedFiles}));

    // As the window's Convert runs it: through its core, question and all.
    WindowCore core;
    core.filesChosen({in.string() + pathSeparator, names});
    core.outputDirectoryChosen(out.string());
    const WindowUpdate update = core.convert(format);
    if (update.message) {
        std::fprintf(stderr, "%s\n", update.message->c_str());
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("converted %zu files, peak memory %ld KiB\n", core.statusLineCount(),
                usage.ru_maxrss);
    return core.statusLineCount() == names.size() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if ((args.size() == 4 || args.size() == 5) && args[0] == "make") {
            const std::string kind = args.size() == 5 ? args[4] : "sample";
            makeScans(args[1], std::stoi(args[2]), std::stoi(args[3]), kind);
            return 0;
        }
        if (args.size() == 2 && args[0] == "examples") {
            makeExamples(args[1]);
            return 0;
        }
        if ((args.size() == 3 || args.size() == 4) && (args[0] == "ascii" || args[0] == "bruker")) {
            const auto format =
                args[0] == "ascii" ? OutputFormat::TwoColumnAscii : OutputFormat::BrukerRaw;
            const std::size_t limit = args.size() == 4 ? std::stoul(args[3]) : maxSelectedFiles;
            return convert(format, args[1], args[2], limit);
        }
    } catch (const FileError& error) {
        std::fprintf(stderr, "Error %d converting files.\n%s\n", error.number(), error.what());
        return 1;
    }
    return usage();
}
