// SPDX-License-Identifier: MIT
#include "output_writer.h"

#include "ascii_writer.h"
#include "bruker_writer.h"
#include "cif_writer.h"
#include "platform.h"

#include <algorithm>
#include <stdexcept>

namespace scanmill {
namespace {

std::string fileNameOf(const std::string& path) {
    return platform::fromPath(platform::toPath(path).filename());
}

struct EngineFormat {
    OutputFormat format;
    FormatNames names;
    bool brukerFiles;
    void (*write)(const ScanRecord& scan, const Conversion& conversion, Anode anode,
                  std::string& bytes);
    void (*checkHeader)(const ScanRecord& header, const Conversion& conversion);
};

constexpr EngineFormat engineFormatTable[] = {
    {OutputFormat::TwoColumnAscii,
     {"ascii", ".dat", "2-column ASCII file"},
     false,
     [](const ScanRecord& scan, const Conversion&, Anode, std::string& bytes) {
         formatTwoColumnAscii(scan, bytes);
     },
     nullptr},
    {OutputFormat::BrukerRaw,
     {"bruker", "_b.raw", "Bruker-AXS Diffrac Plus file"},
     true,
     [](const ScanRecord& scan, const Conversion&, Anode anode, std::string& bytes) {
         formatBrukerRaw(scan, bytes, anode);
     },
     nullptr},
    {OutputFormat::Xye,
     {"xye", ".xye", "xye file"},
     false,
     [](const ScanRecord& scan, const Conversion& conversion, Anode anode, std::string& bytes) {
         formatXye(scan, fileNameOf(conversion.inputPath), bytes, anode);
     },
     nullptr},
    {OutputFormat::Cif,
     {"cif", ".cif", "pdCIF file"},
     false,
     [](const ScanRecord& scan, const Conversion& conversion, Anode anode, std::string& bytes) {
         formatPdCif(scan, conversion.inputPath, conversion.outputPath, bytes, anode);
     },
     [](const ScanRecord& header, const Conversion& conversion) {
         checkPdCifRange(header, static_cast<std::size_t>(header.pointCount), conversion.inputPath);
     }},
};

const EngineFormat& entryOf(OutputFormat format) {
    const auto* entry =
        std::find_if(std::begin(engineFormatTable), std::end(engineFormatTable),
                     [format](const EngineFormat& known) { return known.format == format; });
    if (entry == std::end(engineFormatTable)) {
        throw std::invalid_argument("no writer for this format");
    }
    return *entry;
}

} // namespace

FormatNames formatNames(OutputFormat format) {
    return entryOf(format).names;
}

OutputWriter engineWriter(OutputFormat format, Anode anode) {
    const EngineFormat* entry = &entryOf(format);
    OutputWriter writer{entry->names,
                        entry->brukerFiles,
                        [write = entry->write,
                         anode](const ScanRecord& scan, const Conversion& conversion,
                                std::string& bytes) { write(scan, conversion, anode, bytes); },
                        {}};
    if (entry->checkHeader != nullptr) {
        writer.checkHeader = entry->checkHeader;
    }
    return writer;
}

} // namespace scanmill
