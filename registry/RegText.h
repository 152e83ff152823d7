// The registry store's text format: the .reg files regedit exports (UTF-8, or UTF-16 with a byte
// order mark; "Windows Registry Editor Version 5.00" or "REGEDIT4"; hex data continued over lines
// ending in "\"), read into a compact index of sections, and the lines the store writes. Files,
// locks and the registry functions themselves are RegistryStore.cpp's.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "registry/Registry.h"

namespace zarnetcalc::registry::text {

// ---- the file's encoding ----------------------------------------------------------------------

enum class Encoding { Utf8, Utf16LE, Utf16BE };  // UTF-16 always with its byte order mark

// The file's bytes as UTF-8 text (a UTF-16 file converted, its byte order mark dropped; a UTF-8
// byte order mark stays); nothing when they are not text in that encoding, or hold a NUL.
std::optional<QByteArray> Decode(const QByteArray& raw, Encoding& encoding);
// UTF-8 text back in the file's own encoding.
QByteArray Encode(const QByteArray& text, Encoding encoding);

// ---- lines ------------------------------------------------------------------------------------

// A physical line: [begin, end) without its '\n' (a CRLF line keeps its '\r'), and where the
// next one starts (text.size() after the last).
struct Line {
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype next = 0;
};
Line LineAt(QByteArrayView text, qsizetype at);
// A line without blanks around it, a CRLF line's '\r', or the file's byte order mark.
QByteArrayView Content(QByteArrayView text, const Line& line);

// ---- values -----------------------------------------------------------------------------------

inline constexpr DWORD kRegBinary = 3;  // written "hex:"; types other than text and dword "hex(N):"

struct Value {
    DWORD type = 0;
    QByteArray data;
};

// A value line that starts at first: "name"=data, or @=data for the default value; hex data may
// go on over the following lines while a line ends in "\". end is where the line after its last
// physical line starts. Nothing when it is not of the format.
struct ValueLine {
    QByteArray name;  // UTF-8, "" for the default value
    Value value;
    qsizetype end = 0;
};
std::optional<ValueLine> ParseValueLine(QByteArrayView text, const Line& first);

// The line the store writes for a value: a text as "text" when it is NUL-terminated UTF-8 with no
// other NUL and no line break, a 32-bit number as dword:, anything else as hex: or hex(N):.
QByteArray FormatValueLine(const QString& name, DWORD type, const QByteArray& data);
QByteArray FormatSectionHeader(const QString& path);

// The header line the store writes at the top of a file it starts.
extern const QByteArray kHeader;

// ---- the index --------------------------------------------------------------------------------

// A section: the lines from its header (with the blank line before it, which belongs to it) to
// its last value line, as [begin, end) in the text. keyHash is KeyHash of its folded path.
struct Section {
    std::uint64_t keyHash = 0;
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
};

// The sections of a store's text, sorted by key hash and place, and for every key above a
// section the place of one section below it: some ten bytes a section, whatever the file holds.
struct Index {
    std::vector<Section> sections;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> above;  // key hash, place in sections
    QByteArray newline = "\n";                                   // the file's own line end
};

// Reads the whole text into index; ERROR_BADDB when any line is not of the format, a key path
// has an empty component, a value is named twice in its key, or the text is 4 GiB or more.
LONG BuildIndex(QByteArrayView text, Index& index);

// A key path folded for comparison (Unicode case folding), and its hash.
QString Fold(QStringView path);
std::uint64_t KeyHash(QStringView folded);

// The path a section's header names, as spelled there.
QString SectionPath(QByteArrayView text, const Section& section);
// Where a section's header line is (after the blank line that belongs to the section, if any).
Line SectionHeader(QByteArrayView text, const Section& section);

}  // namespace zarnetcalc::registry::text
