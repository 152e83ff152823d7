// The registry functions of Registry.h over two text files, one per root, in the .reg format that
// regedit exports (RegText.h; files, format and rules in README): the files, the writers' lock,
// the last read of each file, and the handles. On Windows advapi32 is used instead.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QString>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "registry/RegText.h"
#include "registry/Registry.h"

namespace zarnetcalc::registry {
namespace {

using text::Section;

enum class Root { Machine, User, Classes };

// Rights that change a key (with create link, write DAC, write owner): they need a writable store.
constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE | 0x000C0020;

// How long a writer waits for another process's write; each write takes milliseconds, so this
// is reached only when a writer is stuck.
constexpr std::chrono::seconds kLockWait{20};

// No store this component meets comes near this (a million keys take 28 MB, read in half a
// second); a larger file is refused before it is read, so that nothing waits for it.
constexpr qint64 kMaxStoreBytes = qint64{64} << 20;

std::optional<QString> Utf8Text(const char* text) {
    const QByteArray bytes(text == nullptr ? "" : text);
    const QString decoded = QString::fromUtf8(bytes);
    return decoded.toUtf8() == bytes ? std::optional<QString>(decoded) : std::nullopt;
}

// A caller's name: UTF-8 text without line breaks (a store line cannot hold one); null is "".
std::optional<QString> NameText(const char* text) {
    std::optional<QString> name = Utf8Text(text);
    return name && !name->contains(u'\n') && !name->contains(u'\r') ? name : std::nullopt;
}

QString Join(const QString& key, const QString& sub) {
    return key.isEmpty() ? sub : sub.isEmpty() ? key : key + u'\\' + sub;
}

// ---- one store file, as read --------------------------------------------------------------

// A value found in a store: its lines [begin, end), its name as spelled there, what it holds.
struct Found {
    qsizetype begin = 0;
    qsizetype end = 0;
    QString spelling;
    text::Value value;
};

struct Store {
    QString named;  // where the environment puts it
    QString file;   // where it is written (a symlink's target)
    bool exists = false;
    QByteArray raw;  // the file's bytes
    text::Encoding encoding = text::Encoding::Utf8;
    QByteArray text;  // as UTF-8 (the same bytes for a UTF-8 file)
    text::Index index;

    // The sections of a key (folded path), in file order.
    std::vector<Section> SectionsOf(const QString& key) const {
        std::vector<Section> found;
        const std::uint64_t hash = text::KeyHash(key);
        auto it = std::lower_bound(index.sections.begin(), index.sections.end(), hash,
                                   [](const Section& s, std::uint64_t h) { return s.keyHash < h; });
        for (; it != index.sections.end() && it->keyHash == hash; ++it) {
            if (text::Fold(text::SectionPath(text, *it)) == key)
                found.push_back(*it);
        }
        return found;
    }
    // A key's spelling as the store has it: from its own section, or from the section of a
    // key below it; "" when it is not there.
    QString Spelling(const QString& key) const {
        if (const std::vector<Section> own = SectionsOf(key); !own.empty())
            return text::SectionPath(text, own.front());
        const std::uint64_t hash = text::KeyHash(key);
        const auto it =
            std::lower_bound(index.above.begin(), index.above.end(), hash,
                             [](const auto& a, std::uint64_t h) { return a.first < h; });
        if (it == index.above.end() || it->first != hash)
            return {};
        const QString below = text::SectionPath(text, Section{0, it->second, it->second});
        const QString spelled = below.section(u'\\', 0, int(key.count(u'\\')));
        return text::Fold(spelled) == key ? spelled : QString();
    }
    // A key is there with a section of its own or through a subkey's.
    bool Exists(const QString& key) const { return key.isEmpty() || !Spelling(key).isEmpty(); }

    // Calls visit with each value line of a key's sections (parsed), until it returns true;
    // false when a line is no value line (not in an indexed store).
    template <class Visit>
    bool ForEachValue(const QString& key, Visit visit) const {
        for (const Section& s : SectionsOf(key)) {
            for (qsizetype at = text::SectionHeader(text, s).next; at < qsizetype(s.end);) {
                const text::Line line = text::LineAt(text, at);
                const QByteArrayView t = text::Content(text, line);
                if (t.isEmpty() || t.startsWith(';')) {
                    at = line.next;
                    continue;
                }
                std::optional<text::ValueLine> v = text::ParseValueLine(text, line);
                if (!v)
                    return false;
                at = v->end;
                if (visit(line, *v))
                    return true;
            }
        }
        return true;
    }
    // The value of that name (any spelling) in a key's sections.
    std::optional<Found> FindValue(const QString& key, const QString& name) const {
        const QString folded = text::Fold(name);
        std::optional<Found> found;
        ForEachValue(key, [&](const text::Line& line, text::ValueLine& v) {
            const QString spelling = QString::fromUtf8(v.name);
            if (text::Fold(spelling) != folded)
                return false;
            found = Found{line.begin, v.end, spelling, std::move(v.value)};
            return true;
        });
        return found;
    }
    std::size_t ValueCount(const QString& key) const {
        std::size_t count = 0;
        ForEachValue(key, [&count](const text::Line&, text::ValueLine&) {
            ++count;
            return false;
        });
        return count;
    }
    // Every section of a key and of the keys below it, and the names of its direct subkeys.
    std::vector<Section> Tree(const QString& key, QSet<QString>* subKeys = nullptr) const {
        std::vector<Section> found;
        const QString below = key.isEmpty() ? QString() : key + u'\\';
        for (const Section& s : index.sections) {
            const QString path = text::Fold(text::SectionPath(text, s));
            if (path == key) {
                found.push_back(s);
            } else if (path.size() > below.size() && path.startsWith(below)) {
                found.push_back(s);
                if (subKeys != nullptr)
                    subKeys->insert(path.mid(below.size()).section(u'\\', 0, 0));
            }
        }
        return found;
    }
};

// ---- edits: whole lines replaced, removed or added, written out in one pass ---------------

class Edits {
  public:
    explicit Edits(const Store& s) : s_(s) {}

    void Replace(qsizetype begin, qsizetype end, QByteArray lines) {
        splices_.push_back({begin, end, std::move(lines), Kind::Replace});
    }
    void Remove(qsizetype begin, qsizetype end) {
        splices_.push_back({begin, end, {}, Kind::Remove});
    }
    // Before the line that starts at `at`, or after the last line when `at` is the end.
    void Insert(qsizetype at, QByteArray lines) {
        splices_.push_back({at, at, std::move(lines), Kind::Insert});
    }
    // A new section at the end of the file, after a blank line that belongs to it; a file with
    // nothing in it yet gets the header first.
    void AppendSection(const QString& path, std::optional<QByteArray> value = std::nullopt) {
        QByteArray lines = s_.text.isEmpty() ? text::kHeader + s_.index.newline : QByteArray();
        lines += s_.index.newline + text::FormatSectionHeader(path);
        if (value)
            lines += s_.index.newline + *value;
        Insert(s_.text.size(), lines);
    }
    bool Empty() const { return splices_.empty(); }

    QByteArray Apply() const {
        const QByteArray& t = s_.text;
        const QByteArray& nl = s_.index.newline;
        std::vector<Splice> ordered = splices_;
        std::stable_sort(ordered.begin(), ordered.end(),
                         [](const Splice& a, const Splice& b) { return a.begin < b.begin; });
        QByteArray out;
        out.reserve(t.size() + 256);
        qsizetype at = 0;
        const bool endsInNewline = t.isEmpty() || t.endsWith('\n');
        for (const Splice& sp : ordered) {
            out.append(QByteArrayView(t).sliced(at, sp.begin - at));
            switch (sp.kind) {
                case Kind::Replace:
                    out += sp.lines;
                    if (sp.end > sp.begin && t[sp.end - 1] == '\n')
                        out += nl;
                    break;
                case Kind::Remove:
                    // The last lines of a file without a final line end take the line end of
                    // the line before them along.
                    if (sp.end == t.size() && !endsInNewline && out.endsWith('\n')) {
                        out.chop(out.endsWith("\r\n") ? 2 : 1);
                    }
                    break;
                case Kind::Insert:
                    if (sp.begin == t.size() && !endsInNewline)
                        out += nl + sp.lines;
                    else
                        out += sp.lines + nl;
                    break;
            }
            at = sp.end;
        }
        out.append(QByteArrayView(t).sliced(at));
        return out;
    }

  private:
    enum class Kind { Replace, Remove, Insert };
    struct Splice {
        qsizetype begin;
        qsizetype end;
        QByteArray lines;
        Kind kind;
    };
    const Store& s_;
    std::vector<Splice> splices_;
};

// Nothing but the header and blank lines: a store that holds nothing (written as an empty file,
// so that a store that was empty before it was written to is empty again once emptied).
bool HoldsNothing(const QByteArray& t) {
    for (qsizetype at = 0; at < t.size();) {
        const text::Line line = text::LineAt(t, at);
        const QByteArrayView c = text::Content(t, line);
        if (!c.isEmpty() && !(line.begin == 0 && (c == text::kHeader || c == "REGEDIT4")))
            return false;
        at = line.next;
    }
    return true;
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

// Whether the file holds exactly these bytes, read a block at a time (no second copy).
bool FileHolds(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly) || f.size() != bytes.size())
        return false;
    QByteArray block(qsizetype(1) << 20, Qt::Uninitialized);
    for (qsizetype at = 0;;) {
        const qint64 n = f.read(block.data(), block.size());
        if (n < 0)
            return false;
        if (n == 0)
            return at == bytes.size();
        if (at + n > bytes.size() ||
            QByteArrayView(block).first(n) != QByteArrayView(bytes).sliced(at, n))
            return false;
        at += n;
    }
}

// The last read of each store file. Reading a key (open, query, close) reads the file each time
// but indexes it once: bytes equal to the last read's are that read. (File times are too coarse
// to tell quick rewrites apart; the bytes are not.)
std::mutex lastMutex;
std::shared_ptr<const Store> last[2];

std::shared_ptr<const Store>& LastRead(Root root) {
    return last[root == Root::Machine ? 0 : 1];
}

class FileLock;

// A batch of this thread's writes to one store (StoreBatch): the store as the batch has changed
// it so far, held under the writers' locks until the batch ends. Batches of one thread nest.
struct Batch {
    Root root = Root::Classes;
    std::unique_lock<std::recursive_mutex> writer;
    std::unique_ptr<FileLock> lock;  // the store file's, once taken
    std::shared_ptr<const Store> store;
    LONG status = ERROR_SUCCESS;  // why the store cannot be written, if so
    bool changed = false;
    Batch* outer = nullptr;
};
thread_local Batch* tBatch = nullptr;

// This thread's batch on root's store, when it has one that may write.
Batch* BatchOf(Root root) {
    for (Batch* b = tBatch; b != nullptr; b = b->outer) {
        if (b->root == root)
            return b->status == ERROR_SUCCESS ? b : nullptr;
    }
    return nullptr;
}

LONG Index(Store& s) {
    const std::optional<QByteArray> decoded = text::Decode(s.raw, s.encoding);
    if (!decoded)
        return ERROR_BADDB;
    s.text = *decoded;
    return text::BuildIndex(s.text, s.index);
}

// Reads the store of root (Machine or User), indexed; a missing file is an empty store. In a batch
// on that store, the store as the batch has changed it.
LONG Load(Root root, std::shared_ptr<const Store>& out) {
    if (const Batch* b = BatchOf(root); b != nullptr && b->store) {
        out = b->store;
        return ERROR_SUCCESS;
    }
    auto s = std::make_shared<Store>();
    s->named = StorePath(root);
    s->file = s->named;
    const QByteArray path = QFile::encodeName(s->file);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        out = std::move(s);
        if (errno == ENOENT || errno == ENOTDIR)
            return ERROR_SUCCESS;
        return errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_CANTREAD;  // a symlink loop, say
    }
    if (!S_ISREG(st.st_mode))
        return ERROR_BADDB;  // a folder or a pipe is no store (and a pipe would block)
    if (st.st_size > kMaxStoreBytes)
        return ERROR_FILE_TOO_LARGE;
    if (!Permits(path, st, false))
        return ERROR_ACCESS_DENIED;
    s->file = QFileInfo(s->file).canonicalFilePath();  // a symlink is written through
    std::shared_ptr<const Store>& slot = LastRead(root);
    {
        std::shared_ptr<const Store> previous;
        {
            std::lock_guard guard(lastMutex);
            previous = slot;
        }
        if (previous && previous->named == s->named && previous->file == s->file &&
            FileHolds(s->file, previous->raw)) {
            out = std::move(previous);
            return ERROR_SUCCESS;
        }
        // Gone before the new read, so that the two are never held at once.
        std::lock_guard guard(lastMutex);
        if (slot == previous)
            slot.reset();
    }
    QFile f(s->file);
    s->raw = f.open(QIODevice::ReadOnly) ? f.read(kMaxStoreBytes + 1) : QByteArray();
    if (f.error() != QFileDevice::NoError)
        return ERROR_CANTREAD;
    if (s->raw.size() > kMaxStoreBytes)
        return ERROR_FILE_TOO_LARGE;  // it grew since it was looked at
    s->exists = true;
    if (const LONG r = Index(*s); r != ERROR_SUCCESS)
        return r;
    std::lock_guard guard(lastMutex);
    slot = s;
    out = std::move(s);
    return ERROR_SUCCESS;
}

// The lock every writer of a store file takes, across processes: flock(2) on a file beside the
// store, which the system lets go when its holder ends however it ends, so a lock is never
// stale. The lock file stays.
class FileLock {
  public:
    explicit FileLock(const QString& store) {
        const QByteArray path = QFile::encodeName(store + QStringLiteral(".lock"));
        fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd_ < 0)
            return;
        // Waiting in short steps: every writer gets its turn between the others' writes.
        const auto deadline = std::chrono::steady_clock::now() + kLockWait;
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) ||
                std::chrono::steady_clock::now() > deadline) {
                ::close(fd_);
                fd_ = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    }
    ~FileLock() {
        if (fd_ >= 0)
            ::close(fd_);  // lets go of the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

// Gives the new file the store's owner and group again. Only root may give a file away: anyone
// else keeps the group, as a member may. A writer that cannot keep even the group would take the
// group's access away from its members, so that fails the write, unless the group's permission
// bits give it nothing beyond everyone's (then whose group it is changes no one's access).
bool KeepOwner(int fd, const struct stat& st) {
    if (st.st_uid == geteuid() && st.st_gid == getegid())
        return true;
    if (::fchown(fd, st.st_uid, st.st_gid) == 0 || ::fchown(fd, uid_t(-1), st.st_gid) == 0)
        return true;
    return ((st.st_mode >> 3) & 07) == (st.st_mode & 07);
}

// Writes bytes as the store file at once: a copy beside it (named "<store>.tmp", so that the
// next writer replaces what a writer killed on the way left), flushed, given the file's owner and
// permissions, then renamed over it. False, with the store as it was, when any step fails.
bool WriteWhole(const QString& file, const QByteArray& bytes) {
    const QByteArray path = QFile::encodeName(file);
    const QByteArray temporary = path + ".tmp";
    struct stat st {};
    const bool had = ::stat(path.constData(), &st) == 0;
    ::unlink(temporary.constData());
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          had ? (st.st_mode & 07777) : 0644);
    if (fd < 0)
        return false;
    bool ok = true;
    for (qsizetype at = 0; ok && at < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + at, std::size_t(bytes.size() - at));
        ok = n > 0 || (n < 0 && errno == EINTR);
        at += n > 0 ? n : 0;
    }
    if (ok && had) {
        ok = ::fchmod(fd, st.st_mode & 07777) == 0 && KeepOwner(fd, st);
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temporary.constData(), path.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    const QByteArray folder = QFile::encodeName(QFileInfo(file).absolutePath());
    if (const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);  // the rename itself on disk
        ::close(dir);
    }
    return true;
}

// One writer at a time in this process, whichever function writes; a batch holds it throughout.
std::recursive_mutex writers;

// Writes text as root's store file, with the encoding s was read in. False, with the file as it
// was, when it cannot be written.
bool WriteStore(Root root, const Store& s, QByteArray text) {
    if (HoldsNothing(text))
        text.clear();
    auto written = std::make_shared<Store>();
    written->named = s.named;
    written->file = s.file;
    written->exists = true;
    written->encoding = s.encoding;
    written->raw = text::Encode(text, s.encoding);
    if (!WriteWhole(s.file, written->raw))
        return false;
    if (Index(*written) == ERROR_SUCCESS) {  // the next read finds it read already
        std::lock_guard lastGuard(lastMutex);
        LastRead(root) = std::move(written);
    }
    return true;
}

// Takes a batch's lock on its store file, and reads the store again under it.
LONG TakeBatchLock(Batch& b) {
    if (!QDir().mkpath(QFileInfo(b.store->file).absolutePath()))
        return ERROR_CANTWRITE;
    b.lock = std::make_unique<FileLock>(b.store->file);
    if (!b.lock->Held())
        return ERROR_CANTWRITE;
    std::shared_ptr<const Store> again;
    const std::shared_ptr<const Store> before = std::exchange(b.store, nullptr);  // Load reads
    const LONG r = Load(b.root, again);
    b.store = r == ERROR_SUCCESS ? std::move(again) : before;
    return r;
}

// In a batch the edit changes the batch's store; the file is written once, by Commit.
template <typename Pass>
LONG ModifyInBatch(Batch& b, const Pass& pass) {
    if (!b.lock && (b.status = TakeBatchLock(b)) != ERROR_SUCCESS)
        return b.status;
    Edits edits(*b.store);
    if (const LONG r = pass(*b.store, edits); r != ERROR_SUCCESS || edits.Empty())
        return r;
    auto next = std::make_shared<Store>();
    next->named = b.store->named;
    next->file = b.store->file;
    next->exists = b.store->exists;
    next->encoding = b.store->encoding;
    next->text = edits.Apply();
    if (next->text == b.store->text)
        return ERROR_SUCCESS;
    if (const LONG r = text::BuildIndex(next->text, next->index); r != ERROR_SUCCESS)
        return r;
    b.store = std::move(next);
    b.changed = true;
    return ERROR_SUCCESS;
}

// Lets edit say which lines of root's store change once the key path is found there, then
// writes the whole file at once. A failure leaves the file as it was; success is reported only
// once the file is in place.
template <typename Edit>
LONG Modify(Root root, const QString& path, const Edit& edit) {
    if (root == Root::Classes)
        return ERROR_ACCESS_DENIED;  // a read-only view
    const auto pass = [&](const Store& s, Edits& edits) {
        return s.Exists(path.toCaseFolded()) ? edit(s, edits) : ERROR_KEY_DELETED;
    };
    for (Batch* b = tBatch; b != nullptr; b = b->outer) {
        if (b->root == root)
            return b->status != ERROR_SUCCESS ? b->status : ModifyInBatch(*b, pass);
    }
    std::lock_guard guard(writers);
    // A first pass: an unusable store, a failing edit or one that changes nothing leave no trace.
    std::shared_ptr<const Store> s;
    LONG r = Load(root, s);
    if (r == ERROR_SUCCESS && !s->exists && QFileInfo(s->file).isSymLink())
        r = ERROR_CANTWRITE;  // a symlink to nothing: never replace it
    if (r == ERROR_SUCCESS && !Writable(s->file))
        r = ERROR_ACCESS_DENIED;
    if (r != ERROR_SUCCESS)
        return r;
    {
        Edits edits(*s);
        if ((r = pass(*s, edits)) != ERROR_SUCCESS || edits.Empty())
            return r;
    }
    // Again under the lock, as another process may have written in between.
    if (!QDir().mkpath(QFileInfo(s->file).absolutePath()))
        return ERROR_CANTWRITE;
    const FileLock lock(s->file);
    if (!lock.Held())
        return ERROR_CANTWRITE;
    if ((r = Load(root, s)) != ERROR_SUCCESS)
        return r;
    Edits edits(*s);
    if ((r = pass(*s, edits)) != ERROR_SUCCESS)
        return r;
    QByteArray after = edits.Apply();
    if (after == s->text)
        return ERROR_SUCCESS;
    return WriteStore(root, *s, std::move(after)) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

// Reads the store a key of root lies in (the classes view: the user's Software\Classes first, then
// the machine's); key gets its folded path there. FILE_NOT_FOUND when it is in neither.
LONG Locate(Root root, const QString& path, std::shared_ptr<const Store>& s, QString& key) {
    const bool classes = root == Root::Classes;
    key = classes ? Join(QStringLiteral("software\\classes"), path.toCaseFolded())
                  : path.toCaseFolded();
    for (const Root store : classes ? std::vector{Root::User, Root::Machine} : std::vector{root}) {
        if (const LONG r = Load(store, s); r != ERROR_SUCCESS || s->Exists(key))
            return r;
    }
    return path.isEmpty() ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;  // a root is always there
}

// ---- handles: the predefined roots need no opening; numbers of closed handles come back ------

struct OpenKey {
    Root root;
    QString path;  // below the root, as the caller spelled it
    REGSAM access;
};

std::mutex handlesMutex;
std::map<std::uintptr_t, OpenKey> handles;
std::vector<std::uintptr_t> freeHandles;  // closed, for reuse
constexpr std::uintptr_t kFirstHandle = 0x1000;
// The predefined roots are 0x80000000 to 0x80000002; handle numbers stay far below them.
constexpr std::uintptr_t kHandleLimit = 0x40000000;

HKEY AddHandle(OpenKey key) {
    std::lock_guard guard(handlesMutex);
    std::uintptr_t number = kFirstHandle + handles.size();
    if (!freeHandles.empty()) {
        number = freeHandles.back();
        freeHandles.pop_back();
    }
    if (number >= kHandleLimit)
        return nullptr;  // a billion keys open at once
    handles.emplace(number, std::move(key));
    return reinterpret_cast<HKEY>(number);
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

// ---- batches ------------------------------------------------------------------------------

struct StoreBatch::State : Batch {};

// The lock on the store file is taken at once when the store's folder is there, so that what the
// batch reads is what it writes over; a store that has no folder yet gets it with the first write.
StoreBatch::StoreBatch(HKEY root) : state_(new State) {
    Batch& b = *state_;
    b.root = root == HKEY_LOCAL_MACHINE  ? Root::Machine
             : root == HKEY_CURRENT_USER ? Root::User
                                         : Root::Classes;
    b.writer = std::unique_lock(writers);
    b.status = b.root == Root::Classes ? ERROR_ACCESS_DENIED : Load(b.root, b.store);
    if (b.status == ERROR_SUCCESS && !b.store->exists && QFileInfo(b.store->file).isSymLink())
        b.status = ERROR_CANTWRITE;  // a symlink to nothing: never replace it
    if (b.status == ERROR_SUCCESS && !Writable(b.store->file))
        b.status = ERROR_ACCESS_DENIED;
    if (b.status == ERROR_SUCCESS && QFileInfo(QFileInfo(b.store->file).absolutePath()).isDir())
        b.status = TakeBatchLock(b);
    b.outer = std::exchange(tBatch, &b);
}

StoreBatch::~StoreBatch() {
    if (state_ != nullptr) {
        tBatch = state_->outer;
        delete state_;  // lets go of the locks
    }
}

LONG StoreBatch::Commit() {
    if (state_ == nullptr)
        return ERROR_INVALID_HANDLE;  // committed already
    Batch& b = *state_;
    // A store the batch could not write was reported by the write that tried.
    const LONG r =
        b.status == ERROR_SUCCESS && b.changed && !WriteStore(b.root, *b.store, b.store->text)
            ? ERROR_CANTWRITE
            : ERROR_SUCCESS;
    tBatch = b.outer;
    delete state_;
    state_ = nullptr;
    return r;
}

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
    std::shared_ptr<const Store> s;
    QString folded;
    if (r == ERROR_SUCCESS)
        r = Locate(key.root, key.path, s, folded);
    if (r == ERROR_SUCCESS && write && !Writable(s->file))
        r = ERROR_ACCESS_DENIED;
    if (r == ERROR_SUCCESS && (*phkResult = AddHandle({key.root, key.path, samDesired})) == nullptr)
        r = ERROR_OUTOFMEMORY;
    return r;
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData) {
    OpenKey key;
    std::shared_ptr<const Store> s;
    QString folded;
    LONG r = Opened(hKey, KEY_QUERY_VALUE, key);
    if (r == ERROR_SUCCESS && (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)))
        r = ERROR_INVALID_PARAMETER;
    if (r == ERROR_SUCCESS && (r = Locate(key.root, key.path, s, folded)) == ERROR_FILE_NOT_FOUND)
        r = ERROR_KEY_DELETED;
    const std::optional<QString> name = NameText(lpValueName);
    const std::optional<Found> found =
        r == ERROR_SUCCESS && name ? s->FindValue(folded, *name) : std::nullopt;
    if (!found)
        return r == ERROR_SUCCESS ? ERROR_FILE_NOT_FOUND : r;
    const text::Value& v = found->value;
    const DWORD size = DWORD(v.data.size());
    if (lpType != nullptr)
        *lpType = v.type;
    if (lpData != nullptr && *lpcbData >= size)
        std::copy(v.data.begin(), v.data.end(), lpData);
    r = lpData != nullptr && *lpcbData < size ? ERROR_MORE_DATA : ERROR_SUCCESS;
    if (lpcbData != nullptr)
        *lpcbData = size;
    return r;
}

LONG RegCloseKey(HKEY hKey) {
    if (hKey == HKEY_LOCAL_MACHINE || hKey == HKEY_CURRENT_USER || hKey == HKEY_CLASSES_ROOT)
        return ERROR_SUCCESS;
    std::lock_guard guard(handlesMutex);
    const auto number = reinterpret_cast<std::uintptr_t>(hKey);
    if (handles.erase(number) != 1)
        return ERROR_INVALID_HANDLE;
    freeHandles.push_back(number);
    return ERROR_SUCCESS;
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
    LONG r = Modify(parent.root, parent.path, [&](const Store& s, Edits& edits) {
        const bool exists = s.Exists(key.path.toCaseFolded());
        disposition = exists ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
        if (!exists)
            edits.AppendSection(key.path);
        return ERROR_SUCCESS;
    });
    if (r == ERROR_SUCCESS && (*phkResult = AddHandle({key.root, key.path, samDesired})) == nullptr)
        r = ERROR_OUTOFMEMORY;
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
    return Modify(key.root, key.path, [&](const Store& s, Edits& edits) {
        const QString folded = key.path.toCaseFolded();
        if (const std::optional<Found> found = s.FindValue(folded, *name)) {
            // In place, spelled as it was.
            edits.Replace(found->begin, found->end,
                          text::FormatValueLine(found->spelling, dwType, data));
        } else if (const std::vector<Section> own = s.SectionsOf(folded); !own.empty()) {
            // After the last value of its key.
            edits.Insert(own.back().end, text::FormatValueLine(*name, dwType, data));
        } else {
            // A key so far there through its subkeys gets a section of its own.
            edits.AppendSection(s.Spelling(folded), text::FormatValueLine(*name, dwType, data));
        }
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    OpenKey key;
    if (const LONG r = Opened(hKey, KEY_SET_VALUE, key); r != ERROR_SUCCESS)
        return r;
    const std::optional<QString> name = NameText(lpValueName);
    return Modify(key.root, key.path, [&](const Store& s, Edits& edits) {
        const std::optional<Found> found =
            name ? s.FindValue(key.path.toCaseFolded(), *name) : std::nullopt;
        if (!found)
            return ERROR_FILE_NOT_FOUND;
        edits.Remove(found->begin, found->end);
        return ERROR_SUCCESS;
    });
}

LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                      LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                      LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                      LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
    OpenKey key;
    std::shared_ptr<const Store> s;
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
    if (lpcSubKeys != nullptr) {
        QSet<QString> subKeys;  // the next component of every key below this one
        s->Tree(folded, &subKeys);
        *lpcSubKeys = DWORD(subKeys.size());
    }
    if (lpcValues != nullptr)
        *lpcValues = DWORD(s->ValueCount(folded));
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
    return Modify(key.root, parent.path, [&](const Store& s, Edits& edits) {
        const QString folded = key.path.toCaseFolded();
        if (!s.Exists(folded))
            return ERROR_FILE_NOT_FOUND;
        for (const Section& section : s.Tree(folded)) edits.Remove(section.begin, section.end);
        return ERROR_SUCCESS;
    });
}

}  // namespace zarnetcalc::registry
