// The sample hosts' command line, messages and Result line, the same on both platforms.
#include "demo/SampleHost.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace zarnetcalc::demo {

std::optional<HostOptions> ParseHostOptions(const std::vector<std::string>& args,
                                            const char* synopsis, const char* note, int& status) {
    HostOptions options;
    bool help = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // "--name VALUE" or "--name=VALUE"; an empty value when VALUE is missing.
        auto value = [&](std::string_view name) -> std::optional<std::string> {
            if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 &&
                arg[name.size()] == '=') {
                return arg.substr(name.size() + 1);
            }
            if (arg != name) {
                return std::nullopt;
            }
            return i + 1 < args.size() ? args[++i] : std::string();
        };
        if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--keys" && i + 1 >= args.size()) {
            status = Fail(2, "--keys needs a SCRIPT");
            return std::nullopt;
        } else if (auto keys = value("--keys")) {
            options.keys = *keys;
        } else if (arg == "--clipboard" && i + 1 >= args.size()) {
            status = Fail(2, "--clipboard needs a TEXT");
            return std::nullopt;
        } else if (auto text = value("--clipboard")) {
            options.clipboard = *text;
        } else if (auto number = value("--start")) {
            // A number in the C locale's form, as from_chars reads it: "12.5", "-3", "1E+16";
            // "inf" and "nan" too, which the component refuses, as a host may see it do.
            double start = 0;
            const char* end = number->data() + number->size();
            const auto read = std::from_chars(number->data(), end, start);
            if (number->empty() || read.ec != std::errc() || read.ptr != end) {
                status = Fail(2, "--start needs a NUMBER, not: ", *number);
                return std::nullopt;
            }
            options.start = start;
        } else if (auto file = value("--screenshot")) {
            if (file->empty()) {
                status = Fail(2, "--screenshot needs a FILE.png");
                return std::nullopt;
            }
            options.screenshot = *file;
        } else {
            options.others.push_back(i);
        }
    }
    if (help) {
        std::fputs(synopsis, stdout);
        std::fputs(kScriptUsage, stdout);
        std::fputs(note, stdout);
        status = 0;
        return std::nullopt;
    }
    if (!options.screenshot.empty() && !options.keys) {
        status = Fail(2, "--screenshot needs --keys");
        return std::nullopt;
    }
    if (options.keys) {
        options.script = ParseKeyScript(*options.keys);
        if (!options.script.ok()) {
            status = Fail(2, "unknown token in --keys: ", options.script.unknownToken);
            return std::nullopt;
        }
    }
    return options;
}

int Fail(int status, std::string_view message, std::string_view detail) {
    std::string line = "zarnetcalc-demo: ";
    line.append(message).append(detail).append("\n");
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    return status;
}

void PrintLine(std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string ResultText(double result) {
    // %.15G in the C locale, whatever the host's: plain from 1E-04 up to 1E+15, else 1E+16 form.
    char number[64];
    const auto end = std::to_chars(number, number + sizeof number, result == 0 ? 0.0 : result,
                                   std::chars_format::general, 15)
                         .ptr;
    std::string text(number, end);
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string ClipboardLine(const std::string& text) {
    return "Clipboard=" + text;
}

std::string ResultLine(double result, bool cancelled, bool errorOccurred) {
    return "Result=" + ResultText(result) + " Cancelled=" + (cancelled ? "True" : "False") +
           " ErrorOccurred=" + (errorOccurred ? "True" : "False");
}

}  // namespace zarnetcalc::demo
