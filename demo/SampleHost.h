// What both sample hosts share beyond the script language: their command line, their messages on
// standard error, and the Result line. Plain C++; windows and typing are each platform's.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "demo/KeyScript.h"

namespace zarnetcalc::demo {

struct HostOptions {
    std::optional<std::string> keys;       // --keys SCRIPT (UTF-8)
    std::string screenshot;                // --screenshot FILE.png, "" for none
    std::optional<std::string> clipboard;  // --clipboard TEXT
    std::optional<double> start;           // --start NUMBER: the calculator opens on it
    ParsedScript script;                   // the --keys script, read before anything is shown
    std::vector<std::size_t> others;       // places in args of arguments that are no option of ours
};

// Reads the command line (args[0] is the program). Nothing, with status the exit status, after
// --help (the usage between the platform's synopsis and note is printed) or a mistake in our own
// options (said on standard error).
std::optional<HostOptions> ParseHostOptions(const std::vector<std::string>& args,
                                            const char* synopsis, const char* note, int& status);

// Prints "zarnetcalc-demo: MESSAGEDETAIL" on standard error and returns status.
int Fail(int status, std::string_view message, std::string_view detail = {});

// Prints a line on standard output at once.
void PrintLine(std::string_view line);

// A number as the calculator writes it: up to 15 significant digits, "." as separator, exponent
// form such as 1E+16 for extreme magnitudes.
std::string ResultText(double result);

// "Clipboard=TEXT", printed before the Result line when the script copied.
std::string ClipboardLine(const std::string& text);

// "Result=R Cancelled=C ErrorOccurred=E", R as ResultText gives it.
std::string ResultLine(double result, bool cancelled, bool errorOccurred);

}  // namespace zarnetcalc::demo
