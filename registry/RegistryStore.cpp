// The registry functions of Registry.h over two text files, one per root, in the .reg format that
// regedit exports (files, format and rules in README). On Windows advapi32 is used instead.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QSaveFile>
#include <QSet>
#include <QString>
#include <QStringDecoder>
#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "registry/Registry.h"

namespace zarnetcalc::registry {
namespace {

enum class Root { Machine, User, Classes };

// Rights that change a key (with create link, write DAC, write owner): they need a writable store.
constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE | 0x000C0020;
constexpr DWORD kRegBinary = 3;  // written "hex:"; types other than text and dword "hex(N):"
const QByteArray kHeader = "Windows Registry Editor Version 5.00";

std::optional<QString> Utf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder(bytes);
    return decoder.hasError() ? std::nullopt : std::optional<QString>(std::move(text));
}

// A caller's name: UTF-8 text without line breaks (a store line cannot hold one); null is "".
std::optional<QString> NameText(const char* text) {
    std::optional<QString> name = Utf8(text == nullptr ? "" : text);
    return name && !name->contains(u'\n') && !name->contains(u'\r') ? name : std::nullopt;
}

QString Join(const QString& key, const QString& sub) {
    return key.isEmpty() ? sub : sub.isEmpty() ? key : key + u'\\' + sub;
}

// ---- one store file ----------------------------------------------------------------------

struct Value {
    DWORD type;
    QByteArray data;
};

// A key with a section of its own: its sections (line ranges, with the blank line before a
// header) and the lines of its values. Keys above it are there through it.
struct Key {
    QString spelling;
    std::vector<std::pair<int, int>> sections;  // [begin, end): header to last value line
    QHash<QString, int> values;                 // folded name -> line
};

// A store file as read: its lines as they are (views into the file or into lines added since),
// and the keys they hold. Values are decoded from their line when asked for.
struct Store {
    QString file;  // where it is written (a symlink's target)
    bool exists = false;
    QByteArray bytes;
    std::deque<QByteArray> added;
    std::vector<QByteArrayView> lines;  // without their '\n'
    bool finalNewline = true;
    QHash<QString, Key> keys;  // by folded path

    QByteArrayView Add(QByteArray line) { return added.emplace_back(std::move(line)); }
    // A key is there with a section of its own or through a subkey's.
    bool Exists(const QString& key) const { return key.isEmpty() || !Spelling(key).isEmpty(); }
    QString Spelling(const QString& key) const {
        const auto k = keys.constFind(key);
        if (k != keys.cend())
            return k->spelling;
        const QString below = key + u'\\';
        for (auto sub = keys.cbegin(); sub != keys.cend(); ++sub) {
            if (sub.key().startsWith(below))
                return sub->spelling.section(u'\\', 0, int(key.count(u'\\')));
        }
        return {};
    }
    int Find(const QString& key, const QString& name) const {  // the value's line, or -1
        const auto k = keys.constFind(key);
        return k == keys.cend() ? -1 : k->values.value(name.toCaseFolded(), -1);
    }
};

QByteArray Quoted(const QString& text) {
    QByteArray out = text.toUtf8();
    return '"' + out.replace('\\', "\\\\").replace('"', "\\\"") + '"';
}

// The quoted text at line[pos]; pos ends past its closing quote. \\ and \" are the only escapes.
std::optional<QByteArray> ReadQuoted(QByteArrayView line, qsizetype& pos) {
    QByteArray out;
    for (++pos; pos < line.size() && line[pos] != '"'; ++pos) {
        if (line[pos] == '\\' && ++pos < line.size() && line[pos] != '\\' && line[pos] != '"')
            return std::nullopt;
        if (pos < line.size())
            out += line[pos];
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

QByteArray ValueLine(const QString& name, DWORD type, const QByteArray& data) {
    const QByteArray line = (name.isEmpty() ? QByteArray("@") : Quoted(name)) + '=';
    // Quoted when it is NUL-terminated UTF-8 with no other NUL and no line break.
    const std::optional<QString> text = type == REG_SZ && data.endsWith('\0')
                                            ? Utf8(QByteArrayView(data).chopped(1))
                                            : std::nullopt;
    if (text && !text->contains(QChar(0)) && !text->contains(u'\n') && !text->contains(u'\r'))
        return line + Quoted(*text);
    if (type == REG_DWORD && data.size() == 4) {
        return line + "dword:" +
               QByteArray::number(qFromLittleEndian<quint32>(data.constData()), 16)
                   .rightJustified(8, '0');
    }
    return line + (type == kRegBinary ? "hex:" : "hex(" + QByteArray::number(type, 16) + "):") +
           data.toHex(',');
}

// A line's content: without blanks around it, a CRLF line's '\r' or the file's byte order mark.
QByteArrayView Content(const Store& s, int i) {
    const QByteArrayView t = s.lines[std::size_t(i)];
    return (i == 0 && t.startsWith("\xEF\xBB\xBF") ? t.sliced(3) : t).trimmed();
}

// A value line: "name"=data or @=data for the default value.
std::optional<std::pair<QByteArray, Value>> ParseValueLine(QByteArrayView t) {
    qsizetype pos = t.startsWith('@') ? 1 : 0;
    const std::optional<QByteArray> name = pos == 1            ? QByteArray()
                                           : t.startsWith('"') ? ReadQuoted(t, pos)
                                                               : std::nullopt;
    const QByteArrayView rest = name ? t.sliced(pos).trimmed() : QByteArrayView();
    const std::optional<Value> value =
        rest.startsWith('=') ? ParseData(rest.sliced(1).trimmed()) : std::nullopt;
    if (!value)
        return std::nullopt;
    return std::pair{*name, *value};
}

// Reads the lines of a store file; ERROR_BADDB when any line is not of the format.
LONG Parse(Store& s) {
    if (!Utf8(s.bytes) || s.bytes.contains('\0'))
        return ERROR_BADDB;
    for (qsizetype at = 0, nl; at < s.bytes.size(); at = nl + 1) {
        nl = s.bytes.indexOf('\n', at);
        nl = nl < 0 ? s.bytes.size() : nl;
        s.lines.push_back(QByteArrayView(s.bytes).sliced(at, nl - at));
    }
    s.finalNewline = s.bytes.isEmpty() || s.bytes.endsWith('\n');
    Key* key = nullptr;  // of the last section
    for (int i = 0; i < int(s.lines.size()); ++i) {
        const QByteArrayView t = Content(s, i);
        if (t.isEmpty() || t.startsWith(';') || (i == 0 && t == kHeader))
            continue;
        if (t.startsWith('[') && t.endsWith(']')) {
            const QString path = QString::fromUtf8(t.sliced(1, t.size() - 2));
            if (!path.isEmpty() && path.split(u'\\').contains(QString()))
                return ERROR_BADDB;
            key = &s.keys[path.toCaseFolded()];
            if (key->sections.empty())
                key->spelling = path;
            const bool blankBefore = i > 0 && s.lines[std::size_t(i - 1)].trimmed().isEmpty();
            key->sections.emplace_back(blankBefore ? i - 1 : i, i + 1);
            continue;
        }
        const auto value = ParseValueLine(t);
        if (!value || key == nullptr)
            return ERROR_BADDB;
        const QString folded = QString::fromUtf8(value->first).toCaseFolded();
        if (key->values.contains(folded))
            return ERROR_BADDB;  // a value is named once in its key
        key->values.insert(folded, i);
        key->sections.back().second = i + 1;
    }
    return ERROR_SUCCESS;
}

QByteArray Serialize(const Store& s) {
    QByteArray out;
    for (const QByteArrayView line : s.lines) out.append(line).append('\n');
    if (!s.finalNewline)
        out.chop(1);
    return out;
}

// A new key's section at the end of the file, after a blank line that belongs to it.
void AppendSection(Store& s, const QString& path) {
    if (s.lines.empty())
        s.lines.push_back(kHeader);
    s.lines.push_back({});
    s.lines.push_back(s.Add('[' + path.toUtf8() + ']'));
}

// ---- the files ---------------------------------------------------------------------------

// From the environment on every call, so that a caller may move the stores at any time.
QString StorePath(Root root) {
    const QStringList dirs =
        qEnvironmentVariable("XDG_CONFIG_DIRS").split(u':', Qt::SkipEmptyParts);
    const auto machine = std::find_if(dirs.begin(), dirs.end(), QDir::isAbsolutePath);
    QString user = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(user))
        user = QDir::homePath() + QStringLiteral("/.config");
    if (root == Root::Machine)
        return (machine == dirs.end() ? QStringLiteral("/etc/xdg") : *machine) +
               QStringLiteral("/ZarnetCalc/HKEY_LOCAL_MACHINE.reg");
    return user + QStringLiteral("/ZarnetCalc/HKEY_CURRENT_USER.reg");
}

// The permission bits of the caller's class (owner, group, other) are the store's access list,
// for root too; access(2) must agree, which also sees read-only mounts.
bool Permits(const QByteArray& path, const struct stat& st, bool write) {
    std::vector<gid_t> groups(std::size_t(std::max(getgroups(0, nullptr), 0)));
    groups.resize(std::size_t(std::max(getgroups(int(groups.size()), groups.data()), 0)));
    const bool group = st.st_gid == getegid() ||
                       std::find(groups.begin(), groups.end(), st.st_gid) != groups.end();
    const mode_t bit = st.st_uid == geteuid() ? (write ? S_IWUSR : S_IRUSR)
                       : group                ? (write ? S_IWGRP : S_IRGRP)
                                              : (write ? S_IWOTH : S_IROTH);
    return (st.st_mode & bit) != 0 && ::access(path.constData(), write ? W_OK : R_OK) == 0;
}

// Writable when the file (if there is one) and its folder, or the nearest that exists, are.
bool Writable(const QString& file) {
    struct stat st {};
    QByteArray path = QFile::encodeName(file);
    if (::stat(path.constData(), &st) == 0 && !Permits(path, st, true))
        return false;
    for (QString dir = QFileInfo(file).absolutePath();; dir = QFileInfo(dir).absolutePath()) {
        path = QFile::encodeName(dir);
        if (::stat(path.constData(), &st) == 0)
            return S_ISDIR(st.st_mode) && Permits(path, st, true);
        if (dir == QFileInfo(dir).absolutePath())
            return false;
    }
}

// The last parse of each store file. Reading a key (open, query, close) reads the file each
// time but parses it once: bytes equal to the last parse's are that parse. (File times are too
// coarse to tell quick rewrites apart; the bytes are not.)
struct Parsed {
    QString path;
    Store store;
};
std::mutex parsedMutex;
std::optional<Parsed> parsed[2];

enum class Reuse { LastParse, Never };

// Reads the store of root (Machine or User): one parse, or none when the file holds what it held
// at the last parse and reuse is allowed (never for the read a write is based on). A missing file
// is an empty store.
LONG Load(Root root, Store& s, Reuse reuse = Reuse::Never) {
    s = Store{};
    s.file = StorePath(root);
    const QByteArray path = QFile::encodeName(s.file);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return ERROR_SUCCESS;
        return errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_CANTREAD;  // a symlink loop, say
    }
    if (!S_ISREG(st.st_mode))
        return ERROR_BADDB;  // a folder or a pipe is no store (and a pipe would block)
    if (!Permits(path, st, false))
        return ERROR_ACCESS_DENIED;
    QFile f(s.file);
    s.bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    if (f.error() != QFileDevice::NoError)
        return ERROR_CANTREAD;
    s.exists = true;
    const QString named = s.file;
    s.file = QFileInfo(s.file).canonicalFilePath();  // a symlink is written through
    std::optional<Parsed>& last = parsed[root == Root::Machine ? 0 : 1];
    std::lock_guard guard(parsedMutex);
    if (reuse == Reuse::LastParse && last && last->path == named && last->store.bytes == s.bytes &&
        last->store.file == s.file) {
        s = last->store;
        return ERROR_SUCCESS;
    }
    const LONG r = Parse(s);
    if (r == ERROR_SUCCESS)
        last = Parsed{named, s};
    return r;
}

// Lets edit change the lines of root's store once the key path is found there, then writes the
// whole file atomically. A failure leaves the file as it was; success is reported only once the
// file is committed.
template <typename Edit>
LONG Modify(Root root, const QString& path, const Edit& edit) {
    if (root == Root::Classes)
        return ERROR_ACCESS_DENIED;  // a read-only view
    const auto pass = [&](Store& s) {
        const LONG r = Load(root, s);
        return r != ERROR_SUCCESS ? r : s.Exists(path.toCaseFolded()) ? edit(s) : ERROR_KEY_DELETED;
    };
    static std::mutex mutex;
    std::lock_guard guard(mutex);
    // A first pass: an unusable store, a failing edit or one that changes nothing leave no trace.
    Store s;
    LONG r = Load(root, s);
    if (r == ERROR_SUCCESS && !s.exists && QFileInfo(s.file).isSymLink())
        r = ERROR_CANTWRITE;  // a symlink to nothing: never replace it
    if (r == ERROR_SUCCESS && !Writable(s.file))
        r = ERROR_ACCESS_DENIED;
    const QByteArray before = Serialize(s);
    if (r != ERROR_SUCCESS || (r = pass(s)) != ERROR_SUCCESS || Serialize(s) == before)
        return r;
    // Again under the lock, as another process may have written in between.
    QLockFile lock(s.file + QStringLiteral(".lock"));
    if (!QDir().mkpath(QFileInfo(s.file).absolutePath()) || !lock.tryLock(5000))
        return ERROR_CANTWRITE;
    if ((r = pass(s)) != ERROR_SUCCESS)
        return r;
    QSaveFile out(s.file);
    const QByteArray after = Serialize(s);
    const bool committed =
        out.open(QIODevice::WriteOnly) && out.write(after) == after.size() && out.commit();
    return committed ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

// Reads the store a key of root lies in (the classes view: the user's Software\Classes first, then
// the machine's), one parse per file at most; key gets its folded path there. FILE_NOT_FOUND when
// it is in neither.
LONG Locate(Root root, const QString& path, Store& s, QString& key) {
    const bool classes = root == Root::Classes;
    key = classes ? Join(QStringLiteral("software\\classes"), path.toCaseFolded())
                  : path.toCaseFolded();
    for (const Root store : classes ? std::vector{Root::User, Root::Machine} : std::vector{root}) {
        if (const LONG r = Load(store, s, Reuse::LastParse); r != ERROR_SUCCESS || s.Exists(key))
            return r;
    }
    return path.isEmpty() ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;  // a root is always there
}

// ---- handles: never reused; the predefined roots need no opening -------------------------

struct OpenKey {
    Root root;
    QString path;  // below the root, as the caller spelled it
    REGSAM access;
};

std::mutex handlesMutex;
std::map<std::uintptr_t, OpenKey> handles;
std::uintptr_t nextHandle = 0x1000;  // far below the predefined roots

HKEY AddHandle(OpenKey key) {
    std::lock_guard guard(handlesMutex);
    handles.emplace(nextHandle, std::move(key));
    return reinterpret_cast<HKEY>(nextHandle++);
}

// The key behind a handle, when it was opened with the rights a call needs.
LONG Opened(HKEY handle, REGSAM needs, OpenKey& key) {
    if (handle == HKEY_LOCAL_MACHINE || handle == HKEY_CURRENT_USER ||
        handle == HKEY_CLASSES_ROOT) {
        key = {handle == HKEY_LOCAL_MACHINE  ? Root::Machine
               : handle == HKEY_CURRENT_USER ? Root::User
                                             : Root::Classes,
               {},
               ~REGSAM{0}};
        return ERROR_SUCCESS;
    }
    std::lock_guard guard(handlesMutex);
    const auto it = handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == handles.end())
        return ERROR_INVALID_HANDLE;
    key = it->second;
    return (key.access & needs) == needs ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// A caller's subkey of key: components joined by '\', none empty or over 255 characters, one
// trailing '\' ignored. INVALID_PARAMETER when malformed, FILE_NOT_FOUND when it is not UTF-8
// text (no store holds such a name).
LONG SubKey(const char* text, OpenKey& key) {
    std::optional<QString> sub = NameText(text);
    if (!sub)
        return ERROR_FILE_NOT_FOUND;
    if (sub->endsWith(u'\\'))
        sub->chop(1);
    for (const QString& part : sub->isEmpty() ? QStringList() : sub->split(u'\\')) {
        if (part.isEmpty() || part.size() > 255)
            return ERROR_INVALID_PARAMETER;
    }
    key.path = Join(key.path, *sub);
    return ERROR_SUCCESS;
}

}  // namespace

// ---- the functions -----------------------------------------------------------------------

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                   PHKEY phkResult) {
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    OpenKey key;
    LONG r = Opened(hKey, 0, key);
    if (r == ERROR_SUCCESS)
        r = ulOptions != 0 ? ERROR_INVALID_PARAMETER : SubKey(lpSubKey, key);
    const bool write = (samDesired & kWriteRights) != 0;
    if (r == ERROR_SUCCESS && write && key.root == Root::Classes)
        r = ERROR_ACCESS_DENIED;
    Store s;
    QString folded;
    if (r == ERROR_SUCCESS)
        r = Locate(key.root, key.path, s, folded);
    if (r == ERROR_SUCCESS && write && !Writable(s.file))
        r = ERROR_ACCESS_DENIED;
    if (r == ERROR_SUCCESS)
        *phkResult = AddHandle({key.root, key.path, samDesired});
    return r;
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData) {
    OpenKey key;
    Store s;
    QString folded;
    LONG r = Opened(hKey, KEY_QUERY_VALUE, key);
    if (r == ERROR_SUCCESS && (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)))
        r = ERROR_INVALID_PARAMETER;
    if (r == ERROR_SUCCESS && (r = Locate(key.root, key.path, s, folded)) == ERROR_FILE_NOT_FOUND)
        r = ERROR_KEY_DELETED;
    const std::optional<QString> name = NameText(lpValueName);
    const int line = r == ERROR_SUCCESS && name ? s.Find(folded, *name) : -1;
    if (line < 0)
        return r == ERROR_SUCCESS ? ERROR_FILE_NOT_FOUND : r;
    const auto found = ParseValueLine(Content(s, line));
    const Value* v = &found->second;
    const DWORD size = DWORD(v->data.size());
    if (lpType != nullptr)
        *lpType = v->type;
    if (lpData != nullptr && *lpcbData >= size)
        std::copy(v->data.begin(), v->data.end(), lpData);
    r = lpData != nullptr && *lpcbData < size ? ERROR_MORE_DATA : ERROR_SUCCESS;
    if (lpcbData != nullptr)
        *lpcbData = size;
    return r;
}

LONG RegCloseKey(HKEY hKey) {
    if (hKey == HKEY_LOCAL_MACHINE || hKey == HKEY_CURRENT_USER || hKey == HKEY_CLASSES_ROOT)
        return ERROR_SUCCESS;
    std::lock_guard guard(handlesMutex);
    return handles.erase(reinterpret_cast<std::uintptr_t>(hKey)) == 1 ? ERROR_SUCCESS
                                                                      : ERROR_INVALID_HANDLE;
}

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD /*Reserved*/, LPSTR /*lpClass*/,
                     DWORD dwOptions, REGSAM samDesired, LPSECURITY_ATTRIBUTES /*security*/,
                     PHKEY phkResult, LPDWORD lpdwDisposition) {
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    OpenKey parent;
    if (const LONG r = Opened(hKey, 0, parent); r != ERROR_SUCCESS)
        return r;
    OpenKey key = parent;
    if (lpSubKey == nullptr || dwOptions != REG_OPTION_NON_VOLATILE ||
        SubKey(lpSubKey, key) != ERROR_SUCCESS)
        return ERROR_INVALID_PARAMETER;
    if ((parent.access & KEY_CREATE_SUB_KEY) == 0)
        return ERROR_ACCESS_DENIED;
    DWORD disposition = REG_OPENED_EXISTING_KEY;
    const LONG r = Modify(parent.root, parent.path, [&](Store& s) {
        const bool exists = s.Exists(key.path.toCaseFolded());
        disposition = exists ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
        if (!exists)
            AppendSection(s, key.path);
        return ERROR_SUCCESS;
    });
    if (r == ERROR_SUCCESS)
        *phkResult = AddHandle({key.root, key.path, samDesired});
    if (r == ERROR_SUCCESS && lpdwDisposition != nullptr)
        *lpdwDisposition = disposition;
    return r;
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD /*Reserved*/, DWORD dwType,
                    const BYTE* lpData, DWORD cbData) {
    OpenKey key;
    const std::optional<QString> name = NameText(lpValueName);
    LONG r = Opened(hKey, KEY_SET_VALUE, key);
    if (r == ERROR_SUCCESS && (!name || (lpData == nullptr && cbData != 0)))
        r = ERROR_INVALID_PARAMETER;
    if (r != ERROR_SUCCESS)
        return r;
    const QByteArray data(reinterpret_cast<const char*>(lpData), qsizetype(cbData));
    return Modify(key.root, key.path, [&](Store& s) {
        const QString folded = key.path.toCaseFolded();
        const int line = s.Find(folded, *name);
        if (line >= 0) {  // in place, spelled as it was
            const QString spelled = QString::fromUtf8(ParseValueLine(Content(s, line))->first);
            s.lines[std::size_t(line)] = s.Add(ValueLine(spelled, dwType, data));
        } else if (s.keys.contains(folded)) {
            const int end = s.keys[folded].sections.back().second;
            s.lines.insert(s.lines.begin() + end, s.Add(ValueLine(*name, dwType, data)));
        } else {
            AppendSection(s, s.Spelling(folded));  // a key so far there through its subkeys
            s.lines.push_back(s.Add(ValueLine(*name, dwType, data)));
        }
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    OpenKey key;
    if (const LONG r = Opened(hKey, KEY_SET_VALUE, key); r != ERROR_SUCCESS)
        return r;
    const std::optional<QString> name = NameText(lpValueName);
    return Modify(key.root, key.path, [&](Store& s) {
        const int line = name ? s.Find(key.path.toCaseFolded(), *name) : -1;
        if (line < 0)
            return ERROR_FILE_NOT_FOUND;
        s.lines.erase(s.lines.begin() + line);
        return ERROR_SUCCESS;
    });
}

LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                      LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                      LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                      LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
    OpenKey key;
    Store s;
    QString folded;
    LONG r = Opened(hKey, KEY_QUERY_VALUE, key);
    if (r == ERROR_SUCCESS &&
        (lpClass || lpcchClass || lpReserved || lpcbMaxSubKeyLen || lpcbMaxClassLen ||
         lpcbMaxValueNameLen || lpcbMaxValueLen || lpcbSecurityDescriptor || lpftLastWriteTime))
        r = ERROR_INVALID_PARAMETER;
    if (r == ERROR_SUCCESS && (r = Locate(key.root, key.path, s, folded)) == ERROR_FILE_NOT_FOUND)
        r = ERROR_KEY_DELETED;
    if (r != ERROR_SUCCESS)
        return r;
    QSet<QString> subKeys;  // the next component of every key below this one
    const QString below = folded.isEmpty() ? QString() : folded + u'\\';
    for (auto k = s.keys.cbegin(); k != s.keys.cend(); ++k) {
        if (k.key().size() > below.size() && k.key().startsWith(below))
            subKeys.insert(k.key().mid(below.size()).section(u'\\', 0, 0));
    }
    if (lpcSubKeys != nullptr)
        *lpcSubKeys = DWORD(subKeys.size());
    if (lpcValues != nullptr)
        *lpcValues = DWORD(s.keys.value(folded).values.size());
    return ERROR_SUCCESS;
}

// A subkey must be named: the key itself is never emptied (no caller asks for that).
LONG RegDeleteTreeA(HKEY hKey, LPCSTR lpSubKey) {
    OpenKey parent;
    LONG r = Opened(hKey, DELETE, parent);
    OpenKey key = parent;
    if (r == ERROR_SUCCESS && (r = SubKey(lpSubKey, key)) == ERROR_SUCCESS &&
        key.path == parent.path)
        r = ERROR_INVALID_PARAMETER;
    if (r != ERROR_SUCCESS)
        return r;
    return Modify(key.root, parent.path, [&](Store& s) {
        const QString folded = key.path.toCaseFolded();
        if (!s.Exists(folded))
            return ERROR_FILE_NOT_FOUND;
        std::vector<std::pair<int, int>> ranges;  // the key's sections and its subkeys'
        for (auto k = s.keys.cbegin(); k != s.keys.cend(); ++k) {
            if (k.key() == folded || k.key().startsWith(folded + u'\\'))
                ranges.insert(ranges.end(), k->sections.begin(), k->sections.end());
        }
        std::sort(ranges.rbegin(), ranges.rend());
        for (const auto& [begin, end] : ranges)
            s.lines.erase(s.lines.begin() + begin, s.lines.begin() + end);
        return ERROR_SUCCESS;
    });
}

}  // namespace zarnetcalc::registry
