// SPDX-License-Identifier: MIT
// scanmill-convert: the command line is parsed here and run by convert_command.
#include "convert_command.h"
#include "file_error.h"
#include "interrupt.h"
#include "platform.h"
#include "program.h"
#include "shown_text.h"
#include "svg_painter.h"
#include "terminal.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using scanmill::cli::programName;
constexpr char seeHelp[] = "Run with --help for more information.";

// Help and version text that did not all reach standard output (a full
// device) is a failure, said on standard error.
int showHelp(const std::string& text) {
    errno = 0;
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(
            stderr, "%s: %s\n", programName,
            scanmill::describeError("standard output", scanmill::lastErrorNumber()).c_str());
        return scanmill::cli::exitFailed;
    }
    return scanmill::cli::exitConverted;
}

// "scanmill-convert: " and the text, on standard error.
void usageError(const std::string& text) {
    scanmill::cli::writeText(stderr, std::string(programName) + ": " + text + "\n");
}

// CLI11 takes "--output-dir=" for the option without its value, and then the
// next argument as the value, and "-o=DIR" for the value "=DIR": a script's
// unset variable would choose another directory than meant. Every empty value
// and every short option joined to its value by "=" is refused here, before
// CLI11 reads them. Returns the usage error, or "" when there is none.
// The known long option nearest to an unknown one as typed (its value, after
// "=", left out): within two edits (a letter left out, added, changed or two
// swapped), so that a typo is named but a stranger word is not. "" when none.
std::string nearestOption(const CLI::App& app, const std::string& typed) {
    if (!typed.starts_with("--")) {
        return {};
    }
    const std::string name = typed.substr(2, typed.find('=') - 2);
    const auto distance = [](const std::string& a, const std::string& b) {
        // Optimal string alignment: Levenshtein with adjacent swaps.
        std::vector<std::vector<std::size_t>> d(a.size() + 1,
                                                std::vector<std::size_t>(b.size() + 1));
        for (std::size_t i = 0; i <= a.size(); ++i) {
            for (std::size_t j = 0; j <= b.size(); ++j) {
                if (i == 0 || j == 0) {
                    d[i][j] = i + j;
                    continue;
                }
                d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                    d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
                if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                    d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
                }
            }
        }
        return d[a.size()][b.size()];
    };
    std::string nearest;
    std::size_t best = 3;
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& known : option->get_lnames()) {
            if (const std::size_t edits = distance(name, known); edits < best) {
                best = edits;
                nearest = "--" + known;
            }
        }
    }
    return nearest;
}

std::string misspelledValue(const CLI::App& app, const std::vector<std::string>& arguments) {
    for (std::size_t at = 1; at < arguments.size() && arguments[at] != "--"; ++at) {
        const std::string& argument = arguments[at];
        for (const CLI::Option* option : app.get_options()) {
            if (option->get_positional() || option->get_items_expected_min() == 0) {
                continue;
            }
            const std::string empty =
                option->get_option_text() + " is empty" +
                (option->check_lname("output-dir") ? " (use . for the current directory)" : "");
            for (const std::string& name : option->get_lnames()) {
                const std::string spelled = "--" + name;
                if (argument == spelled + "=" ||
                    (argument == spelled && at + 1 < arguments.size() &&
                     arguments[at + 1].empty())) {
                    return spelled + ": " + empty;
                }
            }
            for (const std::string& name : option->get_snames()) {
                const std::string spelled = "-" + name;
                if (argument.starts_with(spelled + "=")) {
                    return argument + ": a short option takes its value after a blank (" + spelled +
                           " " + option->get_option_text() + ")";
                }
                if (argument == spelled && at + 1 < arguments.size() && arguments[at + 1].empty()) {
                    return "--" + option->get_lnames().front() + ": " + empty;
                }
            }
        }
    }
    return {};
}

// Every writer -f chooses from, for this tube: the engine's data formats,
// then the plot.
std::vector<scanmill::OutputWriter> writersFor(scanmill::Anode anode,
                                               const scanmill::SvgOptions& plot = {}) {
    std::vector<scanmill::OutputWriter> writers;
    for (const scanmill::OutputFormat format : scanmill::engineFormats) {
        writers.push_back(scanmill::engineWriter(format, anode));
    }
    writers.push_back(scanmill::svgWriter(plot));
    return writers;
}

// "640x400": a plot's size in pixels at 96 dpi, from 100 x 100 to 10,000 x
// 10,000; nothing when it is not one.
std::optional<scanmill::PixelSize> plotSizeOf(const std::string& text) {
    const std::size_t x = text.find_first_of("xX");
    int width = 0;
    int height = 0;
    if (x == std::string::npos ||
        std::from_chars(text.data(), text.data() + x, width).ptr != text.data() + x ||
        std::from_chars(text.data() + x + 1, text.data() + text.size(), height).ptr !=
            text.data() + text.size() ||
        width < 100 || height < 100 || width > 10000 || height > 10000) {
        return std::nullopt;
    }
    return scanmill::PixelSize{width, height};
}

// "a (the default), b or c".
std::string choicesText(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0                  ? ""
                 : i + 1 == names.size() ? " or "
                                         : ", ") +
                names[i] + (i == 0 ? " (the default)" : "");
    }
    return text;
}

int run(int argc, const char* const* argv) {
    using namespace scanmill;
    cli::ConvertCommand command;
    std::vector<std::string> formatNames;
    for (const OutputWriter& writer : writersFor(Anode::Cu)) {
        formatNames.emplace_back(writer.names.option);
    }
    std::vector<std::string> anodeNames;
    for (const Anode each : anodes) {
        anodeNames.emplace_back(anodeName(each));
    }
    std::string format = formatNames.front();
    std::string anode = anodeNames.front();
    const std::vector<std::string> scaleNames = {"lin", "sqrt", "log"};
    std::string scale = scaleNames.front();
    std::string plotSize = "800x500";
    CLI::App app("Converts Rigaku D/Max-B scans (.raw) to two-column ASCII (.dat),\n"
                 "Bruker RAW1.01 (_b.raw), .xye or pdCIF (.cif) files, or plots\n"
                 "them (.svg).",
                 programName);
    // Paths begin with "/" on every system, also on Windows, where CLI11
    // would otherwise take them for options.
    app.allow_windows_style_options(false);
    app.add_option("-f,--format", format, choicesText(formatNames) + ", in any\ncase")
        ->transform(CLI::IsMember(formatNames, CLI::ignore_case))
        ->option_text("FORMAT");
    app.add_option("--anode", anode,
                   "The tube: " + choicesText(anodeNames) +
                       ", whose\nwavelengths Bruker, .xye and .cif files record")
        ->transform(CLI::IsMember(anodeNames, CLI::ignore_case))
        ->option_text("ANODE");
    CLI::Option* scaleOption =
        app.add_option("--scale", scale,
                       "The plot's intensity scale: " + choicesText(scaleNames) + "\n(-f svg)")
            ->transform(CLI::IsMember(scaleNames, CLI::ignore_case))
            ->option_text("SCALE");
    CLI::Option* sizeOption =
        app.add_option("--plot-size", plotSize,
                       "The plot's size in pixels at 96 dpi (default:\n800x500; -f svg); its "
                       "text keeps its size")
            ->check(CLI::Validator(
                [](const std::string& text) {
                    return plotSizeOf(text) ? std::string()
                                            : "WxH from 100x100 to 10000x10000: " + text;
                },
                "WxH"))
            ->option_text("WxH");
    // An empty variable in a script must not mean "beside the inputs":
    // misspelledValue refuses every empty value.
    app.add_option("-o,--output-dir", command.outputDirectory,
                   "Write outputs into DIR, made when a file goes\ninto it "
                   "(default: beside each input)")
        ->option_text("DIR");
    app.add_flag("-r,--recursive", command.recursive,
                 "Convert subdirectories too, mirrored under DIR");
    app.add_flag("--keep-dots", command.keepDots,
                 "Name outputs after the input up to its last dot,\nnot its first");
    app.add_flag("-u,--update", command.update,
                 "Convert only files whose output is missing or\nolder than the input");
    app.add_flag("--index", command.index,
                 "Also write DIR/index.html, a page of the run's scans:\nplots, "
                 "headers and links to the outputs");
    app.add_flag("-n,--dry-run", command.dryRun, "Show what would be converted; write nothing");
    app.add_flag("--sync", command.sync,
                 "Put each output on its disk before reporting it, so\nthat it survives a "
                 "power cut");
    app.add_option("-j,--jobs", command.jobs, "Work on N files at once (default: one per core)")
        ->check(CLI::Range(1u, 1024u))
        ->option_text("N");
    app.add_flag("-q,--quiet", command.quiet, "Print no status lines and no summary");
    app.add_flag("-v,--verbose", command.verbose, "Name each Bruker file skipped in a directory");
    app.add_flag("--fail-fast", command.failFast,
                 "Stop at the first failure (default: convert the rest)");
    app.add_option("PATH", command.paths,
                   "A file, converted whatever its name, or a\ndirectory, whose .raw files are "
                   "converted")
        ->required()
        ->type_name("");
    app.set_version_flag("--version", std::string(programName) + " " SCANMILL_VERSION);
    // Where more is said: Windows has no manual pages.
#ifdef _WIN32
    app.footer("Exit status: 0 when every file converted, 1 when any failed, 2 for a\n"
               "usage error. See README.txt beside scanmill-convert.exe.");
#else
    app.footer("Exit status: 0 when every file converted, 1 when any failed, 2 for a\n"
               "usage error. See scanmill-convert(1).");
#endif
    app.failure_message([](const CLI::App*, const CLI::Error& error) {
        return std::string(programName) + ": " + error.what() + "\n" + seeHelp + "\n";
    });

    if (const std::string error = misspelledValue(app, std::vector<std::string>(argv, argv + argc));
        !error.empty()) {
        usageError(escapeControls(error) + "\n" + seeHelp);
        return cli::exitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // An unknown option is named first, also where it is all there is and
        // PATH is therefore missing too.
        const std::vector<std::string> extras = app.remaining();
        if (!extras.empty() && (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr ||
                                dynamic_cast<const CLI::RequiredError*>(&error) != nullptr)) {
            const char* what =
                extras[0].starts_with('-') ? "unknown option" : "unexpected argument";
            const std::string nearest = nearestOption(app, extras[0]);
            usageError(what + (" " + escapeControls(extras[0])) +
                       (nearest.empty() ? "" : ": did you mean " + nearest + "?") + "\n" + seeHelp);
            return cli::exitUsage;
        }
        // Through strings, so that an argument a usage error repeats is
        // printed escaped, as every other line.
        std::ostringstream help;
        std::ostringstream errorText;
        if (app.exit(error, help, errorText) == 0) {
            return showHelp(help.str());
        }
        cli::writeText(stderr, escapeControlsByLine(errorText.str()));
        return cli::exitUsage;
    }
    try {
        cli::ExpandedPaths expanded = cli::expandWildcards(command.paths);
        command.paths = std::move(expanded.paths);
        command.leftOut = std::move(expanded.leftOut);
    } catch (const cli::ArgumentError& error) {
        usageError(escapeControlsByLine(error.what()));
        return cli::exitUsage;
    }
    if (command.index && command.outputDirectory.empty()) {
        usageError(std::string("--index needs --output-dir, where the page goes\n") + seeHelp);
        return cli::exitUsage;
    }
    if ((scaleOption->count() > 0 || sizeOption->count() > 0) && format != "svg") {
        usageError(std::string(scaleOption->count() > 0 ? "--scale" : "--plot-size") +
                   " is for plots (-f svg)\n" + seeHelp);
        return cli::exitUsage;
    }
    command.anode = anodeNamed(anode).value_or(anodes[0]);
    SvgOptions plot;
    plot.scale = scale == "sqrt"  ? IntensityScale::SquareRoot
                 : scale == "log" ? IntensityScale::Log
                                  : IntensityScale::Linear;
    plot.size = plotSizeOf(plotSize).value_or(plot.size);
    plot.tube = command.anode;
    for (OutputWriter& writer : writersFor(command.anode, plot)) {
        if (writer.names.option == format) {
            command.writer = std::move(writer);
        }
    }
    cli::handleInterrupts(stdout, stderr);
    return cli::runConvertCommand(command, stdout, stderr);
}

} // namespace

int main(int argc, char** argv) {
    scanmill::cli::openClosedStandardStreams();
    scanmill::platform::markProgramRunning();
    if (argc == 1 && scanmill::cli::explainedOutsideAConsole()) {
        return scanmill::cli::exitUsage;
    }
    std::vector<std::string> arguments;
    try {
        arguments = scanmill::cli::programArguments(argc, argv);
    } catch (const scanmill::cli::ArgumentError& error) {
        usageError(scanmill::escapeControlsByLine(error.what()));
        return scanmill::cli::exitUsage;
    }
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) {
        pointers.push_back(argument.c_str());
    }
    return run(static_cast<int>(pointers.size()), pointers.data());
}
