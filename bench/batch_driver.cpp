// SPDX-License-Identifier: MIT
// The window's Convert, from the command line, for timing:
//   scanmill_batch make DIR COUNT POINTS [sample|counts|random]
//                                             writes COUNT Rigaku scans into DIR,
//                                             their intensities of that kind
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
