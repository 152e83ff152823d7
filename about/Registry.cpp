// The registry layer on systems without a registry: each root is an INI store kept by QSettings
// (layout, access and error rules in Registry.h). Windows uses RegistryWin32.cpp instead.
#include "about/Registry.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QStringConverter>
#include <QStringDecoder>
#include <QStringList>
#include <QVariant>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "about/SysInfoDiscovery.h"

namespace zarnetcalc::registry {
namespace {

enum class Store { Machine, User };
enum class Hive { Machine, User, Classes };

constexpr int kMaxKeyComponent = 255;
constexpr int kMaxValueName = 16383;
const QString kDefaultValueName = QStringLiteral(".");
const QString kKeyMark = QStringLiteral("..");

constexpr std::uint32_t kWriteRights =
    kKEY_SET_VALUE | kKEY_CREATE_SUB_KEY | kKEY_CREATE_LINK | kDELETE | kWRITE_DAC | kWRITE_OWNER;
constexpr std::uint32_t kKnownRights = kKEY_ALL_ACCESS | kMAXIMUM_ALLOWED | kGENERIC_ALL |
                                       kGENERIC_WRITE | kGENERIC_READ | 0x0100 | 0x0200;  // WOW64

// Where a key of a hive lives: a store and a path prefix inside it.
struct Location {
    Store store;
    QStringList prefix;
};

struct OpenKey {
    Hive hive;
    QStringList path;  // components below the hive, as the caller spelled them
    std::uint32_t access;
    bool predefined;
};

// ---- names -------------------------------------------------------------------------------

QString EncodeName(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar ch = name.at(i);
        if (ch == u'%') {
            out += QStringLiteral("%25");
        } else if (ch == u'/') {
            out += QStringLiteral("%2F");
        } else if (ch == u'\\') {
            out += QStringLiteral("%5C");
        } else if (i == 0 && ch == u'.') {
            out += QStringLiteral("%2E");  // "." and ".." are the layer's own entries
        } else {
            out += ch;
        }
    }
    return out;
}

QString EncodeValueName(const QString& name) {
    return name.isEmpty() ? kDefaultValueName : EncodeName(name);
}

int HexDigit(QChar ch) {
    const char16_t c = ch.unicode();
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Undoes EncodeName; a '%' not followed by two hex digits (hand-edited) stays as it is.
QString DecodeName(const QString& stored) {
    if (stored == kDefaultValueName) {
        return {};
    }
    QString out;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        if (stored.at(i) == u'%' && i + 2 < stored.size() && HexDigit(stored.at(i + 1)) >= 0 &&
            HexDigit(stored.at(i + 2)) >= 0) {
            out += QChar(char16_t(HexDigit(stored.at(i + 1)) * 16 + HexDigit(stored.at(i + 2))));
            i += 2;
        } else {
            out += stored.at(i);
        }
    }
    return out;
}

std::optional<QString> FromUtf8(const std::string& text) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString out = decoder(QByteArrayView(text.data(), qsizetype(text.size())));
    if (decoder.hasError() || text.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    return out;
}

// Splits "A\B\C" into its components; "" is the key itself. nullopt for a malformed path.
std::optional<QStringList> SplitKeyPath(const std::string& subKey) {
    std::optional<QString> text = FromUtf8(subKey);
    if (!text) {
        return std::nullopt;
    }
    if (text->endsWith(u'\\')) {
        text->chop(1);
    }
    if (text->isEmpty()) {
        return QStringList{};
    }
    QStringList parts = text->split(u'\\');
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > kMaxKeyComponent) {
            return std::nullopt;
        }
    }
    return parts;
}

std::optional<QString> ValueName(const std::string& name) {
    std::optional<QString> text = FromUtf8(name);
    if (!text || text->size() > kMaxValueName) {
        return std::nullopt;
    }
    return text;
}

// ---- values ------------------------------------------------------------------------------

struct Value {
    std::uint32_t type;
    QByteArray data;
};

QString HexBytes(const QByteArray& data) {
    QString out;
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (i > 0)
            out += u',';
        out += QString::asprintf("%02x", unsigned(std::uint8_t(data.at(i))));
    }
    return out;
}

std::uint64_t LittleEndian(const QByteArray& data) {
    std::uint64_t v = 0;
    for (qsizetype i = data.size(); i-- > 0;) {
        v = (v << 8) | std::uint8_t(data.at(i));
    }
    return v;
}

QByteArray LittleEndianBytes(std::uint64_t v, int count) {
    QByteArray out;
    for (int i = 0; i < count; ++i) {
        out.append(char(v & 0xff));
        v >>= 8;
    }
    return out;
}

QString EncodeValue(std::uint32_t type, const QByteArray& data) {
    switch (type) {
        case kREG_SZ: {
            const QByteArray text = data.left(data.size() - 1);
            if (!data.isEmpty() && data.back() == '\0' && !text.contains('\0')) {
                std::optional<QString> decoded = FromUtf8(text.toStdString());
                if (decoded) {
                    return QStringLiteral("sz:") + *decoded;
                }
            }
            break;  // not a plain NUL-terminated text: keep its bytes exactly
        }
        case kREG_DWORD:
            if (data.size() == 4) {
                return QString::asprintf("dword:%08llx", (unsigned long long)LittleEndian(data));
            }
            break;
        case kREG_QWORD:
            if (data.size() == 8) {
                return QString::asprintf("qword:%016llx", (unsigned long long)LittleEndian(data));
            }
            break;
        case kREG_BINARY:
            return QStringLiteral("hex:") + HexBytes(data);
        default:
            break;
    }
    return QString::asprintf("hex(%x):", unsigned(type)) + HexBytes(data);
}

// Parses the digits of "hex:" data, ignoring commas and blanks between byte pairs.
std::optional<QByteArray> ParseHexBytes(QStringView text) {
    QByteArray out;
    int high = -1;
    for (QChar ch : text) {
        if (ch == u',' || ch.isSpace()) {
            if (high >= 0)
                return std::nullopt;  // a lone digit
            continue;
        }
        const int d = HexDigit(ch);
        if (d < 0)
            return std::nullopt;
        if (high < 0) {
            high = d;
        } else {
            out.append(char(high * 16 + d));
            high = -1;
        }
    }
    if (high >= 0)
        return std::nullopt;
    return out;
}

std::optional<std::uint64_t> ParseHexNumber(QStringView text, int maxDigits) {
    if (text.isEmpty() || text.size() > maxDigits)
        return std::nullopt;
    std::uint64_t v = 0;
    for (QChar ch : text) {
        const int d = HexDigit(ch);
        if (d < 0)
            return std::nullopt;
        v = v * 16 + std::uint64_t(d);
    }
    return v;
}

bool TakePrefix(QStringView& text, QStringView prefix) {
    if (text.startsWith(prefix, Qt::CaseInsensitive)) {
        text = text.mid(prefix.size());
        return true;
    }
    return false;
}

std::optional<Value> DecodeValue(const QVariant& stored) {
    QString whole;
    if (stored.typeId() == QMetaType::QString) {
        whole = stored.toString();
    } else if (stored.typeId() == QMetaType::QStringList) {
        whole = stored.toStringList().join(u',');  // an unquoted text with commas
    } else {
        return std::nullopt;  // e.g. "@ByteArray(...)" written by something else
    }
    QStringView text(whole);
    if (TakePrefix(text, u"sz:")) {
        return Value{kREG_SZ, text.toUtf8() + QByteArray(1, '\0')};
    }
    if (TakePrefix(text, u"dword:")) {
        const auto v = ParseHexNumber(text, 8);
        if (!v)
            return std::nullopt;
        return Value{kREG_DWORD, LittleEndianBytes(*v, 4)};
    }
    if (TakePrefix(text, u"qword:")) {
        const auto v = ParseHexNumber(text, 16);
        if (!v)
            return std::nullopt;
        return Value{kREG_QWORD, LittleEndianBytes(*v, 8)};
    }
    if (TakePrefix(text, u"hex:")) {
        const auto bytes = ParseHexBytes(text);
        if (!bytes)
            return std::nullopt;
        return Value{kREG_BINARY, *bytes};
    }
    if (TakePrefix(text, u"hex(")) {
        const qsizetype close = text.indexOf(u"):");
        if (close < 0)
            return std::nullopt;
        const auto type = ParseHexNumber(text.left(close), 8);
        const auto bytes = ParseHexBytes(text.mid(close + 2));
        if (!type || !bytes)
            return std::nullopt;
        return Value{std::uint32_t(*type), *bytes};
    }
    return Value{kREG_SZ, whole.toUtf8() + QByteArray(1, '\0')};  // written by hand
}

// ---- stores ------------------------------------------------------------------------------

std::unique_ptr<QSettings> OpenStore(Store store) {
    auto settings = std::make_unique<QSettings>(
        QSettings::IniFormat,
        store == Store::Machine ? QSettings::SystemScope : QSettings::UserScope,
        QStringLiteral("ZarnetCalc"),
        store == Store::Machine ? QStringLiteral("HKEY_LOCAL_MACHINE")
                                : QStringLiteral("HKEY_CURRENT_USER"));
    settings->setFallbacksEnabled(false);
    return settings;
}

bool CallerInGroup(gid_t gid) {
    if (getegid() == gid)
        return true;
    const int count = getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) {
        if (groups[std::size_t(i)] == gid)
            return true;
    }
    return false;
}

// The permission bits of path, read as its access list for the caller (root included), and
// access(2) as well, which also sees read-only mounts.
bool BitsPermit(const QString& path, bool write) {
    struct stat st {};
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &st) != 0)
        return false;
    mode_t bit;
    if (st.st_uid == geteuid()) {
        bit = write ? S_IWUSR : S_IRUSR;
    } else if (CallerInGroup(st.st_gid)) {
        bit = write ? S_IWGRP : S_IRGRP;
    } else {
        bit = write ? S_IWOTH : S_IROTH;
    }
    return (st.st_mode & bit) != 0 && ::access(native.constData(), write ? W_OK : R_OK) == 0;
}

bool StoreWritable(const QSettings& settings) {
    QFileInfo info(settings.fileName());
    if (info.exists()) {
        return info.isFile() && BitsPermit(info.absoluteFilePath(), true);
    }
    // Not made yet: QSettings will create it, and any missing folders, in the nearest folder
    // that exists.
    QString dir = info.absolutePath();
    while (!QFileInfo::exists(dir)) {
        const QString parent = QFileInfo(dir).absolutePath();
        if (parent == dir)
            return false;
        dir = parent;
    }
    return QFileInfo(dir).isDir() && BitsPermit(dir, true);
}

// Whether the store can be read and is sound; kERROR_SUCCESS when it can be used.
RegResult CheckStore(const QSettings& settings) {
    const QString file = settings.fileName();
    QFileInfo info(file);
    if (info.exists()) {
        if (!info.isFile())
            return kERROR_BADDB;
        if (!BitsPermit(file, false))
            return kERROR_ACCESS_DENIED;
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return kERROR_ACCESS_DENIED;
        const QByteArray bytes = f.readAll();
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString decoded = decoder(bytes);  // the decoding is lazy: take the text
        if (bytes.contains('\0') || decoder.hasError())
            return kERROR_BADDB;
    }
    switch (settings.status()) {
        case QSettings::NoError:
            return kERROR_SUCCESS;
        case QSettings::AccessError:
            return kERROR_ACCESS_DENIED;
        case QSettings::FormatError:
            return kERROR_BADDB;
    }
    return kERROR_BADDB;
}

RegResult Flush(QSettings& settings) {
    settings.sync();
    return settings.status() == QSettings::NoError ? kERROR_SUCCESS : kERROR_ACCESS_DENIED;
}

QString Join(const QString& group, const QString& child) {
    return group.isEmpty() ? child : group + u'/' + child;
}

QStringList ChildGroups(QSettings& s, const QString& group) {
    if (!group.isEmpty())
        s.beginGroup(group);
    QStringList out = s.childGroups();
    if (!group.isEmpty())
        s.endGroup();
    return out;
}

QStringList ChildKeys(QSettings& s, const QString& group) {
    if (!group.isEmpty())
        s.beginGroup(group);
    QStringList out = s.childKeys();
    if (!group.isEmpty())
        s.endGroup();
    return out;
}

// The stored spelling among candidates of name (exact first, then ignoring case).
std::optional<QString> Match(const QStringList& stored, const QString& encoded,
                             const QString& name) {
    if (stored.contains(encoded))
        return encoded;
    for (const QString& s : stored) {
        if (s != kKeyMark && DecodeName(s).compare(name, Qt::CaseInsensitive) == 0)
            return s;
    }
    return std::nullopt;
}

// The settings group of a key, or nullopt when it does not exist.
std::optional<QString> FindKey(QSettings& s, const QStringList& path) {
    QString group;
    for (const QString& part : path) {
        const auto kid = Match(ChildGroups(s, group), EncodeName(part), part);
        if (!kid)
            return std::nullopt;
        group = Join(group, *kid);
    }
    return group;
}

std::optional<QString> FindValue(QSettings& s, const QString& group, const QString& name) {
    return Match(ChildKeys(s, group), EncodeValueName(name), name);
}

// Whether a group still holds anything (a value, a mark or a subkey).
bool GroupHoldsAnything(QSettings& s, const QString& group) {
    return !ChildKeys(s, group).isEmpty() || !ChildGroups(s, group).isEmpty();
}

// ---- hives and handles -------------------------------------------------------------------

std::vector<Location> ReadOrder(Hive hive) {
    const QStringList classes{QStringLiteral("Software"), QStringLiteral("Classes")};
    switch (hive) {
        case Hive::Machine:
            return {{Store::Machine, {}}};
        case Hive::User:
            return {{Store::User, {}}};
        case Hive::Classes:
            return {{Store::User, classes}, {Store::Machine, classes}};
    }
    return {};
}

bool IsSysInfoKey(Hive hive, const QStringList& path) {
    static const QStringList key{QStringLiteral("SOFTWARE"), QStringLiteral("Microsoft"),
                                 QStringLiteral("Shared Tools"), QStringLiteral("MSINFO")};
    if (hive != Hive::Machine || path.size() != key.size())
        return false;
    for (qsizetype i = 0; i < key.size(); ++i) {
        if (path[i].compare(key[i], Qt::CaseInsensitive) != 0)
            return false;
    }
    return true;
}

std::uint32_t NormaliseAccess(std::uint32_t access) {
    if (access & kGENERIC_ALL)
        access |= kKEY_ALL_ACCESS;
    if (access & kGENERIC_READ)
        access |= kKEY_READ;
    if (access & kGENERIC_WRITE)
        access |= kKEY_WRITE;
    return access & ~(kGENERIC_ALL | kGENERIC_READ | kGENERIC_WRITE);
}

class HandleTable {
  public:
    RegKey Add(OpenKey key) {
        std::lock_guard lock(mutex_);
        const RegKey handle = next_++;
        keys_.emplace(handle, std::move(key));
        return handle;
    }
    std::optional<OpenKey> Get(RegKey handle) {
        switch (handle) {
            case kHKEY_CLASSES_ROOT:
                return OpenKey{Hive::Classes, {}, kKEY_ALL_ACCESS, true};
            case kHKEY_CURRENT_USER:
                return OpenKey{Hive::User, {}, kKEY_ALL_ACCESS, true};
            case kHKEY_LOCAL_MACHINE:
                return OpenKey{Hive::Machine, {}, kKEY_ALL_ACCESS, true};
            default:
                break;
        }
        std::lock_guard lock(mutex_);
        const auto it = keys_.find(handle);
        if (it == keys_.end())
            return std::nullopt;
        return it->second;
    }
    bool Remove(RegKey handle) {
        std::lock_guard lock(mutex_);
        return keys_.erase(handle) == 1;
    }

  private:
    std::mutex mutex_;
    std::map<RegKey, OpenKey> keys_;
    RegKey next_ = 0x1000;  // far below the predefined roots; never reused
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

// The QSettings lock: stores are opened afresh per call (so a changed setPath is seen), and
// one call at a time keeps read-modify-write sequences whole.
std::recursive_mutex& StoreMutex() {
    static std::recursive_mutex m;
    return m;
}

// A key found in one of its hive's stores.
struct Found {
    std::unique_ptr<QSettings> settings;
    QString group;
};

// Looks the key up in its hive's stores, in read order. error is set when a store is unusable.
std::optional<Found> Locate(Hive hive, const QStringList& path, RegResult* error) {
    *error = kERROR_SUCCESS;
    for (const Location& loc : ReadOrder(hive)) {
        auto settings = OpenStore(loc.store);
        if (const RegResult check = CheckStore(*settings); check != kERROR_SUCCESS) {
            *error = check;
            return std::nullopt;
        }
        const auto group = FindKey(*settings, loc.prefix + path);
        if (group)
            return Found{std::move(settings), *group};
    }
    return std::nullopt;
}

// The store a new key of the hive goes to: the user's copy of a classes key when it exists,
// else the machine's when writable, else the user's.
std::unique_ptr<QSettings> CreateTarget(Hive hive, const QStringList& path, QStringList* prefix) {
    const std::vector<Location> order = ReadOrder(hive);
    *prefix = order.front().prefix;
    if (order.size() == 1)
        return OpenStore(order.front().store);
    auto user = OpenStore(Store::User);
    if (CheckStore(*user) == kERROR_SUCCESS && FindKey(*user, order.front().prefix + path)) {
        return user;
    }
    auto machine = OpenStore(Store::Machine);
    if (StoreWritable(*machine)) {
        *prefix = order.back().prefix;
        return machine;
    }
    return user;
}

RegResult Resolve(RegKey key, OpenKey* out) {
    const auto open = Handles().Get(key);
    if (!open)
        return kERROR_INVALID_HANDLE;
    *out = *open;
    return kERROR_SUCCESS;
}

}  // namespace

// ---- operations --------------------------------------------------------------------------

RegResult RegOpenKeyEx(RegKey root, const std::string& subKey, std::uint32_t options,
                       std::uint32_t access, RegKey* result) {
    if (result == nullptr)
        return kERROR_INVALID_PARAMETER;
    *result = 0;
    OpenKey parent{};
    if (const RegResult r = Resolve(root, &parent); r != kERROR_SUCCESS)
        return r;
    const auto parts = SplitKeyPath(subKey);
    if (!parts || (options & ~kREG_OPTION_OPEN_LINK) != 0 || (access & ~kKnownRights) != 0) {
        return kERROR_INVALID_PARAMETER;
    }
    const QStringList path = parent.path + *parts;
    access = NormaliseAccess(access);

    std::lock_guard lock(StoreMutex());
    RegResult error = kERROR_SUCCESS;
    auto found = Locate(parent.hive, path, &error);
    if (error != kERROR_SUCCESS)
        return error;
    if (!found) {
        // Only the system-information key may exist without a store entry, and only to read.
        const bool readOnly = (access & (kWriteRights | kMAXIMUM_ALLOWED)) == 0;
        if (!(readOnly && IsSysInfoKey(parent.hive, path) && !FindSystemInfoProgram().empty())) {
            return kERROR_FILE_NOT_FOUND;
        }
    } else {
        const bool writable = StoreWritable(*found->settings);
        if (access & kMAXIMUM_ALLOWED) {
            access = (access & ~kMAXIMUM_ALLOWED) | (writable ? kKEY_ALL_ACCESS : kKEY_READ);
        } else if ((access & kWriteRights) != 0 && !writable) {
            return kERROR_ACCESS_DENIED;
        }
    }
    *result = Handles().Add(OpenKey{parent.hive, path, access, false});
    return kERROR_SUCCESS;
}

RegResult RegQueryValueEx(RegKey key, const std::string& valueName, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* size) {
    OpenKey open{};
    if (const RegResult r = Resolve(key, &open); r != kERROR_SUCCESS)
        return r;
    if ((open.access & kKEY_QUERY_VALUE) == 0)
        return kERROR_ACCESS_DENIED;
    const auto name = ValueName(valueName);
    if (!name || (data != nullptr && size == nullptr))
        return kERROR_INVALID_PARAMETER;

    std::optional<Value> value;
    {
        std::lock_guard lock(StoreMutex());
        RegResult error = kERROR_SUCCESS;
        auto found = Locate(open.hive, open.path, &error);
        if (error != kERROR_SUCCESS)
            return error;
        if (found) {
            if (const auto stored = FindValue(*found->settings, found->group, *name)) {
                value = DecodeValue(found->settings->value(Join(found->group, *stored)));
                if (!value)
                    return kERROR_INVALID_DATA;
            }
        } else if (!IsSysInfoKey(open.hive, open.path)) {
            return kERROR_KEY_DELETED;
        }
    }
    if (!value && IsSysInfoKey(open.hive, open.path) &&
        name->compare(QStringLiteral("PATH"), Qt::CaseInsensitive) == 0) {
        const std::string program = FindSystemInfoProgram();
        if (!program.empty()) {
            value = Value{kREG_SZ, QByteArray::fromStdString(program) + QByteArray(1, '\0')};
        }
    }
    if (!value)
        return kERROR_FILE_NOT_FOUND;

    if (type != nullptr)
        *type = value->type;
    if (size == nullptr)
        return kERROR_SUCCESS;
    const auto needed = static_cast<std::uint32_t>(value->data.size());
    if (data != nullptr) {
        if (*size < needed) {
            *size = needed;
            return kERROR_MORE_DATA;
        }
        std::memcpy(data, value->data.constData(), needed);
    }
    *size = needed;
    return kERROR_SUCCESS;
}

RegResult RegCloseKey(RegKey key) {
    if (key == kHKEY_CLASSES_ROOT || key == kHKEY_CURRENT_USER || key == kHKEY_LOCAL_MACHINE) {
        return kERROR_SUCCESS;
    }
    return Handles().Remove(key) ? kERROR_SUCCESS : kERROR_INVALID_HANDLE;
}

RegResult RegCreateKeyEx(RegKey root, const std::string& subKey, std::uint32_t access,
                         RegKey* result) {
    if (result == nullptr)
        return kERROR_INVALID_PARAMETER;
    *result = 0;
    OpenKey parent{};
    if (const RegResult r = Resolve(root, &parent); r != kERROR_SUCCESS)
        return r;
    const auto parts = SplitKeyPath(subKey);
    if (!parts || (access & ~kKnownRights) != 0)
        return kERROR_INVALID_PARAMETER;
    if (!parent.predefined && (parent.access & kKEY_CREATE_SUB_KEY) == 0 && !parts->isEmpty()) {
        return kERROR_ACCESS_DENIED;
    }
    const QStringList path = parent.path + *parts;
    access = NormaliseAccess(access);

    std::lock_guard lock(StoreMutex());
    QStringList prefix;
    auto settings = CreateTarget(parent.hive, path, &prefix);
    if (const RegResult check = CheckStore(*settings); check != kERROR_SUCCESS)
        return check;
    if (!StoreWritable(*settings))
        return kERROR_ACCESS_DENIED;
    if (!parent.predefined && !FindKey(*settings, prefix + parent.path)) {
        RegResult error = kERROR_SUCCESS;
        if (!Locate(parent.hive, parent.path, &error))
            return kERROR_KEY_DELETED;
    }
    QString group;
    bool created = false;
    for (const QString& part : prefix + path) {
        const auto kid =
            created ? std::nullopt : Match(ChildGroups(*settings, group), EncodeName(part), part);
        created = created || !kid;
        group = Join(group, kid ? *kid : EncodeName(part));
    }
    if (created) {
        settings->setValue(Join(group, kKeyMark), QString());
        if (const RegResult r = Flush(*settings); r != kERROR_SUCCESS)
            return r;
    }
    if (access & kMAXIMUM_ALLOWED)
        access = (access & ~kMAXIMUM_ALLOWED) | kKEY_ALL_ACCESS;
    *result = Handles().Add(OpenKey{parent.hive, path, access, false});
    return kERROR_SUCCESS;
}

RegResult RegSetValueEx(RegKey key, const std::string& valueName, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t size) {
    OpenKey open{};
    if (const RegResult r = Resolve(key, &open); r != kERROR_SUCCESS)
        return r;
    if ((open.access & kKEY_SET_VALUE) == 0)
        return kERROR_ACCESS_DENIED;
    const auto name = ValueName(valueName);
    if (!name || (data == nullptr && size != 0))
        return kERROR_INVALID_PARAMETER;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    std::lock_guard lock(StoreMutex());
    RegResult error = kERROR_SUCCESS;
    auto found = Locate(open.hive, open.path, &error);
    if (error != kERROR_SUCCESS)
        return error;
    if (!found)
        return open.predefined ? kERROR_ACCESS_DENIED : kERROR_KEY_DELETED;
    QSettings& s = *found->settings;
    if (!StoreWritable(s))
        return kERROR_ACCESS_DENIED;
    const QString stored = FindValue(s, found->group, *name).value_or(EncodeValueName(*name));
    s.setValue(Join(found->group, stored), EncodeValue(type, bytes));
    s.remove(Join(found->group, kKeyMark));  // the key now holds a value
    return Flush(s);
}

RegResult RegSetStringValue(RegKey key, const std::string& valueName, const std::string& text) {
    const std::string data = text + '\0';
    return RegSetValueEx(key, valueName, kREG_SZ,
                         reinterpret_cast<const std::uint8_t*>(data.data()),
                         static_cast<std::uint32_t>(data.size()));
}

RegResult RegDeleteValue(RegKey key, const std::string& valueName) {
    OpenKey open{};
    if (const RegResult r = Resolve(key, &open); r != kERROR_SUCCESS)
        return r;
    if ((open.access & kKEY_SET_VALUE) == 0)
        return kERROR_ACCESS_DENIED;
    const auto name = ValueName(valueName);
    if (!name)
        return kERROR_INVALID_PARAMETER;

    std::lock_guard lock(StoreMutex());
    RegResult error = kERROR_SUCCESS;
    auto found = Locate(open.hive, open.path, &error);
    if (error != kERROR_SUCCESS)
        return error;
    if (!found)
        return open.predefined ? kERROR_FILE_NOT_FOUND : kERROR_KEY_DELETED;
    QSettings& s = *found->settings;
    const auto stored = FindValue(s, found->group, *name);
    if (!stored)
        return kERROR_FILE_NOT_FOUND;
    if (!StoreWritable(s))
        return kERROR_ACCESS_DENIED;
    s.remove(Join(found->group, *stored));
    if (!found->group.isEmpty() && !GroupHoldsAnything(s, found->group)) {
        s.setValue(Join(found->group, kKeyMark), QString());  // the key outlives its last value
    }
    return Flush(s);
}

RegResult RegDeleteTree(RegKey root, const std::string& subKey) {
    OpenKey open{};
    if (const RegResult r = Resolve(root, &open); r != kERROR_SUCCESS)
        return r;
    const auto parts = SplitKeyPath(subKey);
    if (!parts)
        return kERROR_INVALID_PARAMETER;
    if (!open.predefined && (open.access & (kDELETE | kKEY_SET_VALUE)) == 0) {
        return kERROR_ACCESS_DENIED;
    }
    const QStringList path = open.path + *parts;
    if (path.isEmpty())
        return kERROR_ACCESS_DENIED;  // a whole store

    std::lock_guard lock(StoreMutex());
    RegResult error = kERROR_SUCCESS;
    auto found = Locate(open.hive, path, &error);
    if (error != kERROR_SUCCESS)
        return error;
    if (!found)
        return kERROR_FILE_NOT_FOUND;
    QSettings& s = *found->settings;
    if (!StoreWritable(s))
        return kERROR_ACCESS_DENIED;
    s.remove(found->group);
    if (parts->isEmpty()) {
        s.setValue(Join(found->group, kKeyMark), QString());  // emptied, but still there
    }
    return Flush(s);
}

}  // namespace zarnetcalc::registry
