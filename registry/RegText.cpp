// The .reg text format of the registry store: decoding a file, its lines and values, the index of
// its sections, and the lines the store writes. No files are touched here.
#include "registry/RegText.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QtEndian>

#include <algorithm>
#include <charconv>
#include <limits>

namespace zarnetcalc::registry::text {

const QByteArray kHeader = "Windows Registry Editor Version 5.00";

namespace {

const QByteArray kHeader4 = "REGEDIT4";  // the older header, read as well

// Well-formed UTF-8: no overlong forms, surrogates or code points past U+10FFFF.
bool IsUtf8(QByteArrayView text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = std::size_t(text.size());
    for (std::size_t i = 0; i < n;) {
        std::uint32_t c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        std::uint32_t least = 0;
        if ((c & 0xE0) == 0xC0) {
            length = 2, least = 0x80, c &= 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3, least = 0x800, c &= 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4, least = 0x10000, c &= 0x07;
        } else {
            return false;
        }
        if (i + length > n)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (p[i + k] & 0x3F);
        }
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

QByteArray Quoted(const QString& text) {
    QByteArray out = text.toUtf8();
    return '"' + out.replace('\\', "\\\\").replace('"', "\\\"") + '"';
}

// The quoted text at line[pos]; pos ends past its closing quote. \\ and \" are the only escapes.
std::optional<QByteArray> ReadQuoted(QByteArrayView line, qsizetype& pos) {
    QByteArray out;
    for (++pos; pos < line.size();) {
        // The run up to the next quote or escape at once.
        qsizetype stop = pos;
        while (stop < line.size() && line[stop] != '"' && line[stop] != '\\') ++stop;
        out.append(line.sliced(pos, stop - pos));
        pos = stop;
        if (pos >= line.size() || line[pos] == '"')
            break;
        if (++pos >= line.size() || (line[pos] != '\\' && line[pos] != '"'))
            return std::nullopt;
        out += line[pos++];
    }
    return pos++ < line.size() ? std::optional<QByteArray>(out) : std::nullopt;
}

std::optional<DWORD> HexNumber(QByteArrayView digits) {  // one to eight hex digits, nothing else
    DWORD n = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, n, 16);
    if (digits.isEmpty() || digits.size() > 8 || error != std::errc() || stop != end)
        return std::nullopt;
    return n;
}

bool StartsWithHex(QByteArrayView data) {
    return data.size() >= 3 && data.first(3).compare("hex", Qt::CaseInsensitive) == 0;
}

// The data after '=': "text", dword:0000002a, hex:de,ad or hex(N):de,ad (blanks allowed).
std::optional<Value> ParseData(QByteArrayView data) {
    qsizetype pos = 0;
    if (data.startsWith('"')) {
        const std::optional<QByteArray> text = ReadQuoted(data, pos);
        if (!text || !data.sliced(pos).trimmed().isEmpty())
            return std::nullopt;
        return Value{REG_SZ, *text + '\0'};
    }
    const qsizetype colon = data.indexOf(':');
    const QByteArrayView kind = data.first(std::max<qsizetype>(colon, 0));
    QByteArrayView rest = data.sliced(colon + 1).trimmed();
    const auto is = [&](QByteArrayView word) {
        return kind.compare(word, Qt::CaseInsensitive) == 0;
    };
    std::optional<DWORD> type = is("hex") ? std::optional<DWORD>(kRegBinary) : std::nullopt;
    if (kind.size() > 5 && kind.first(4).compare("hex(", Qt::CaseInsensitive) == 0 &&
        kind.endsWith(')'))
        type = HexNumber(kind.sliced(4, kind.size() - 5));
    Value v{type.value_or(REG_DWORD), {}};
    if (is("dword")) {
        const std::optional<DWORD> n = HexNumber(rest);
        v.data.resize(4);
        qToLittleEndian<quint32>(n.value_or(0), v.data.data());
        return n ? std::optional<Value>(v) : std::nullopt;
    }
    v.data.reserve(rest.size() / 3 + 1);
    while (!rest.isEmpty()) {  // pairs of hex digits between commas
        const qsizetype comma = rest.indexOf(',');
        const QByteArrayView pair = rest.first(comma < 0 ? rest.size() : comma).trimmed();
        const std::optional<DWORD> byte = pair.size() == 2 ? HexNumber(pair) : std::nullopt;
        if (!byte || (comma >= 0 && comma + 1 == rest.size()))
            return std::nullopt;
        v.data += char(*byte);
        rest = rest.sliced(comma < 0 ? rest.size() : comma + 1);
    }
    return type ? std::optional<Value>(v) : std::nullopt;
}

// FNV-1a over the UTF-16 units of a folded path: the hash of each key above it is the running
// hash where a separator starts.
constexpr std::uint64_t kFnvBasis = 14695981039346656037ULL;
constexpr std::uint64_t kFnvPrime = 1099511628211ULL;
inline std::uint64_t Mix(std::uint64_t h, char16_t unit) {
    return (h ^ unit) * kFnvPrime;
}

// A header's path folded and hashed, with the hashes of the keys above it; false when a
// component is empty.
bool HashPath(QByteArrayView path, std::uint64_t& hash, std::vector<std::uint64_t>& above) {
    above.clear();
    const bool ascii = std::all_of(path.begin(), path.end(), [](char c) { return c >= 0; });
    const QString folded = ascii ? QString() : Fold(QString::fromUtf8(path));
    const qsizetype n = ascii ? path.size() : folded.size();
    std::uint64_t h = kFnvBasis;
    qsizetype componentStart = 0;
    for (qsizetype i = 0; i < n; ++i) {
        char16_t unit = ascii ? char16_t(static_cast<unsigned char>(path[i])) : folded[i].unicode();
        if (ascii && unit >= 'A' && unit <= 'Z')
            unit = char16_t(unit - 'A' + 'a');
        if (unit == u'\\') {
            if (i == componentStart)
                return false;
            above.push_back(h);
            componentStart = i + 1;
        }
        h = Mix(h, unit);
    }
    if (n > 0 && componentStart == n)
        return false;  // a trailing separator: an empty last component
    hash = h;
    return true;
}

// The folded names of a section's values, in order; false when a line is not of the format.
bool ValueNames(QByteArrayView text, const Section& s, std::vector<QString>& names) {
    for (qsizetype at = SectionHeader(text, s).next; at < qsizetype(s.end);) {
        const Line line = LineAt(text, at);
        const QByteArrayView t = Content(text, line);
        if (t.isEmpty() || t.startsWith(';')) {
            at = line.next;
            continue;
        }
        const std::optional<ValueLine> v = ParseValueLine(text, line);
        if (!v)
            return false;
        names.push_back(Fold(QString::fromUtf8(v->name)));
        at = v->end;
    }
    return true;
}

bool HasDuplicates(std::vector<QString>& names) {
    if (names.size() < 2) {
        return false;
    }
    std::sort(names.begin(), names.end());
    return std::adjacent_find(names.begin(), names.end()) != names.end();
}

// The names of one section's values as read (UTF-8); folded only when there are two or more.
bool HasDuplicates(const std::vector<QByteArray>& raw) {
    if (raw.size() < 2) {
        return false;
    }
    std::vector<QString> names;
    names.reserve(raw.size());
    for (const QByteArray& name : raw) names.push_back(Fold(QString::fromUtf8(name)));
    return HasDuplicates(names);
}

}  // namespace

// ---- encodings --------------------------------------------------------------------------------

std::optional<QByteArray> Decode(const QByteArray& raw, Encoding& encoding) {
    const bool little = raw.startsWith("\xFF\xFE");
    if (little || raw.startsWith("\xFE\xFF")) {
        encoding = little ? Encoding::Utf16LE : Encoding::Utf16BE;
        QStringDecoder decoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                               QStringConverter::Flag::Stateless);
        const QString text = decoder(QByteArrayView(raw).sliced(2));
        if (decoder.hasError() || raw.size() % 2 != 0 || text.contains(QChar(0)))
            return std::nullopt;
        return text.toUtf8();
    }
    encoding = Encoding::Utf8;
    if (raw.contains('\0') || !IsUtf8(raw))
        return std::nullopt;
    return raw;
}

QByteArray Encode(const QByteArray& text, Encoding encoding) {
    switch (encoding) {
        case Encoding::Utf8:
            return text;
        case Encoding::Utf16LE:
        case Encoding::Utf16BE: {
            const bool little = encoding == Encoding::Utf16LE;
            QStringEncoder encoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
            return QByteArray(little ? "\xFF\xFE" : "\xFE\xFF") +
                   QByteArray(encoder(QString::fromUtf8(text)));
        }
    }
    return text;
}

// ---- lines ------------------------------------------------------------------------------------

Line LineAt(QByteArrayView text, qsizetype at) {
    const qsizetype nl = text.indexOf('\n', at);
    return nl < 0 ? Line{at, text.size(), text.size()} : Line{at, nl, nl + 1};
}

QByteArrayView Content(QByteArrayView text, const Line& line) {
    const QByteArrayView t = text.sliced(line.begin, line.end - line.begin);
    return (line.begin == 0 && t.startsWith("\xEF\xBB\xBF") ? t.sliced(3) : t).trimmed();
}

// ---- values -----------------------------------------------------------------------------------

std::optional<ValueLine> ParseValueLine(QByteArrayView text, const Line& first) {
    const QByteArrayView t = Content(text, first);
    qsizetype pos = t.startsWith('@') ? 1 : 0;
    const std::optional<QByteArray> name = pos == 1            ? QByteArray()
                                           : t.startsWith('"') ? ReadQuoted(t, pos)
                                                               : std::nullopt;
    const QByteArrayView rest = name ? t.sliced(pos).trimmed() : QByteArrayView();
    if (!rest.startsWith('='))
        return std::nullopt;
    QByteArrayView data = rest.sliced(1).trimmed();
    qsizetype end = first.next;
    QByteArray joined;  // hex data that goes on over the next lines, each ending in "\"
    if (StartsWithHex(data) && data.endsWith('\\')) {
        joined = data.chopped(1).toByteArray();
        for (bool more = true; more;) {
            if (end >= text.size())
                return std::nullopt;  // the file ends where the data should go on
            const Line next = LineAt(text, end);
            QByteArrayView piece = Content(text, next);
            more = piece.endsWith('\\');
            joined += more ? piece.chopped(1) : piece;
            end = next.next;
        }
        data = joined;
    }
    std::optional<Value> value = ParseData(data);
    if (!value)
        return std::nullopt;
    return ValueLine{*name, std::move(*value), end};
}

QByteArray FormatValueLine(const QString& name, DWORD type, const QByteArray& data) {
    const QByteArray line = (name.isEmpty() ? QByteArray("@") : Quoted(name)) + '=';
    // Quoted when it is NUL-terminated UTF-8 with no other NUL and no line break.
    const QByteArrayView text = QByteArrayView(data).chopped(data.isEmpty() ? 0 : 1);
    if (type == REG_SZ && data.endsWith('\0') && IsUtf8(text) && !text.contains('\0') &&
        !text.contains('\n') && !text.contains('\r'))
        return line + Quoted(QString::fromUtf8(text));
    if (type == REG_DWORD && data.size() == 4) {
        return line + "dword:" +
               QByteArray::number(qFromLittleEndian<quint32>(data.constData()), 16)
                   .rightJustified(8, '0');
    }
    return line + (type == kRegBinary ? "hex:" : "hex(" + QByteArray::number(type, 16) + "):") +
           data.toHex(',');
}

QByteArray FormatSectionHeader(const QString& path) {
    return '[' + path.toUtf8() + ']';
}

// ---- the index --------------------------------------------------------------------------------

QString Fold(QStringView path) {
    return path.toString().toCaseFolded();
}

std::uint64_t KeyHash(QStringView folded) {
    std::uint64_t h = kFnvBasis;
    for (const QChar c : folded) h = Mix(h, c.unicode());
    return h;
}

Line SectionHeader(QByteArrayView text, const Section& section) {
    const Line line = LineAt(text, section.begin);
    const bool blank = text.sliced(line.begin, line.end - line.begin).trimmed().isEmpty();
    return blank ? LineAt(text, line.next) : line;
}

QString SectionPath(QByteArrayView text, const Section& section) {
    const QByteArrayView t = Content(text, SectionHeader(text, section));
    return QString::fromUtf8(t.sliced(1, t.size() - 2));
}

LONG BuildIndex(QByteArrayView text, Index& index) {
    index = Index{};
    if (text.size() >= qsizetype(std::numeric_limits<std::uint32_t>::max()))
        return ERROR_BADDB;
    std::vector<std::uint64_t> above;
    std::vector<std::uint64_t> previousAbove;  // of the section before: shared keys added once
    std::vector<QByteArray> names;             // of the current section's values
    Section* current = nullptr;
    bool newlineKnown = false;
    qsizetype previousBegin = 0;
    bool previousBlank = false;
    for (qsizetype at = 0; at < text.size();) {
        const Line line = LineAt(text, at);
        if (!newlineKnown && line.end < text.size()) {
            newlineKnown = true;
            if (line.end > line.begin && text[line.end - 1] == '\r')
                index.newline = "\r\n";
        }
        const QByteArrayView t = Content(text, line);
        qsizetype next = line.next;
        if (t.isEmpty() || t.startsWith(';') ||
            (line.begin == 0 && (t == kHeader || t == kHeader4))) {
            // a blank line, a comment or the header
        } else if (t.startsWith('[') && t.endsWith(']') && t.size() >= 2) {
            if (HasDuplicates(names))
                return ERROR_BADDB;  // a value is named once in its key
            std::uint64_t hash = 0;
            if (!HashPath(t.sliced(1, t.size() - 2), hash, above))
                return ERROR_BADDB;
            const auto begin = std::uint32_t(previousBlank ? previousBegin : line.begin);
            current = &index.sections.emplace_back(Section{hash, begin, std::uint32_t(next)});
            for (std::size_t depth = 0; depth < above.size(); ++depth) {
                if (depth >= previousAbove.size() || previousAbove[depth] != above[depth])
                    index.above.emplace_back(above[depth], begin);
            }
            std::swap(previousAbove, above);
            names.clear();
        } else {
            const std::optional<ValueLine> v = ParseValueLine(text, line);
            if (!v || current == nullptr)
                return ERROR_BADDB;
            names.push_back(std::move(v->name));
            next = v->end;
            current->end = std::uint32_t(next);
        }
        // The blank line before a header belongs to its section (removed with it).
        previousBlank = text.sliced(line.begin, line.end - line.begin).trimmed().isEmpty();
        previousBegin = line.begin;
        at = next;
    }
    if (HasDuplicates(names))
        return ERROR_BADDB;

    const auto byKey = [](const Section& a, const Section& b) {
        return a.keyHash != b.keyHash ? a.keyHash < b.keyHash : a.begin < b.begin;
    };
    std::sort(index.sections.begin(), index.sections.end(), byKey);
    std::sort(index.above.begin(), index.above.end());
    index.above.erase(std::unique(index.above.begin(), index.above.end(),
                                  [](const auto& a, const auto& b) { return a.first == b.first; }),
                      index.above.end());

    // Sections that share a hash: a key in several sections (or, rarely, keys whose hashes
    // meet). The values of one key are named once across all of its sections.
    for (auto run = index.sections.begin(); run != index.sections.end();) {
        const auto end = std::find_if(run, index.sections.end(),
                                      [&](const Section& s) { return s.keyHash != run->keyHash; });
        if (end - run > 1) {
            std::vector<std::pair<QString, std::vector<QString>>> keys;  // folded path, names
            for (auto s = run; s != end; ++s) {
                const QString path = Fold(SectionPath(text, *s));
                auto key = std::find_if(keys.begin(), keys.end(),
                                        [&](const auto& k) { return k.first == path; });
                if (key == keys.end())
                    key = keys.insert(keys.end(), {path, {}});
                if (!ValueNames(text, *s, key->second))
                    return ERROR_BADDB;
            }
            for (auto& key : keys) {
                if (HasDuplicates(key.second))
                    return ERROR_BADDB;
            }
        }
        run = end;
    }
    return ERROR_SUCCESS;
}

}  // namespace zarnetcalc::registry::text
