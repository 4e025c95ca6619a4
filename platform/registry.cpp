#include "platform/registry.h"

#include "platform/file_utils.h"
#include "platform/ini_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QStandardPaths>
#include <QStringDecoder>
#include <algorithm>
#include <atomic>
#include <map>
#include <sys/stat.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr qint64 kMaxHiveBytes = 64 * 1024 * 1024;
const char kHeader[] = "Windows Registry Editor Version 5.00";

QString fold(const QString& s) { return s.toCaseFolded(); }

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    return -1;
}

// Reads a quoted text with \\ and \" escapes starting at s[pos] == '"'. pos ends after the closing quote.
bool readQuoted(QStringView s, qsizetype& pos, QString& out)
{
    if (pos >= s.size() || s[pos] != QLatin1Char('"')) return false;
    ++pos;
    out.clear();
    while (pos < s.size()) {
        const QChar c = s[pos++];
        if (c == QLatin1Char('"')) return true;
        if (c == QLatin1Char('\\') && pos < s.size() && (s[pos] == QLatin1Char('\\') || s[pos] == QLatin1Char('"'))) {
            out += s[pos++];
            continue;
        }
        out += c;
    }
    return false;
}

void skipBlanks(QStringView s, qsizetype& pos)
{
    while (pos < s.size() && (s[pos] == QLatin1Char(' ') || s[pos] == QLatin1Char('\t'))) ++pos;
}

// "01,02, ff" (blanks allowed, empty list allowed).
bool readHexBytes(QStringView s, QByteArray& out)
{
    out.clear();
    qsizetype pos = 0;
    skipBlanks(s, pos);
    if (pos == s.size()) return true;
    while (true) {
        skipBlanks(s, pos);
        if (pos + 2 > s.size()) return false;
        const int hi = hexDigit(s[pos]), lo = hexDigit(s[pos + 1]);
        if (hi < 0 || lo < 0) return false;
        out.append(char(hi << 4 | lo));
        pos += 2;
        skipBlanks(s, pos);
        if (pos == s.size()) return true;
        if (s[pos] != QLatin1Char(',')) return false;
        ++pos;
    }
}

bool readHexNumber(QStringView s, int maxDigits, uint32_t& v)
{
    if (s.isEmpty() || s.size() > maxDigits) return false;
    v = 0;
    for (QChar c : s) {
        const int d = hexDigit(c);
        if (d < 0) return false;
        v = v << 4 | uint32_t(d);
    }
    return true;
}

QString utf16Text(const QByteArray& b)
{
    QString s(reinterpret_cast<const QChar*>(b.constData()), b.size() / 2);
    const qsizetype nul = s.indexOf(QChar(0));
    if (nul >= 0) s.truncate(nul);
    return s;
}

// Parses the text after '=' of a value line.
bool parseData(QStringView data, RegValue& v)
{
    qsizetype pos = 0;
    skipBlanks(data, pos);
    if (pos < data.size() && data[pos] == QLatin1Char('"')) {
        if (!readQuoted(data, pos, v.text)) return false;
        skipBlanks(data, pos);
        if (pos != data.size()) return false;
        // A registry string ends at its first NUL, whichever form it was written in.
        const qsizetype nul = v.text.indexOf(QChar(0));
        if (nul >= 0) v.text.truncate(nul);
        v.kind = RegValue::String;
        return true;
    }
    QStringView rest = data.mid(pos).trimmed();
    if (rest.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        v.kind = RegValue::DWord;
        return readHexNumber(rest.mid(6).trimmed(), 8, v.dword);
    }
    if (rest.startsWith(QLatin1String("hex:"), Qt::CaseInsensitive)) {
        v.kind = RegValue::Binary;
        v.rawType = 3;
        return readHexBytes(rest.mid(4), v.bytes);
    }
    if (rest.startsWith(QLatin1String("hex("), Qt::CaseInsensitive)) {
        const qsizetype close = rest.indexOf(QLatin1String("):"));
        uint32_t type;
        if (close < 0 || !readHexNumber(rest.mid(4, close - 4), 8, type)) return false;
        QByteArray bytes;
        if (!readHexBytes(rest.mid(close + 2), bytes)) return false;
        if (type == 1 || type == 2) {
            v.kind = RegValue::String;
            v.text = utf16Text(bytes);
            v.rawType = type;
        } else if (type == 4 && bytes.size() == 4) {
            v.kind = RegValue::DWord;
            const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
            v.dword = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        } else {
            v.kind = RegValue::Binary;
            v.rawType = type;
            v.bytes = bytes;
        }
        return true;
    }
    return false;
}

QString escapeQuoted(const QString& s)
{
    QString r;
    r.reserve(s.size() + 2);
    r += QLatin1Char('"');
    for (QChar c : s) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"')) r += QLatin1Char('\\');
        r += c;
    }
    r += QLatin1Char('"');
    return r;
}

// A text the quoted form cannot carry (line breaks, control characters, broken UTF-16).
bool needsHexForm(const QString& s)
{
    for (QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return true;
    return !s.isValidUtf16();
}

QString hexList(const QByteArray& b)
{
    static const char digits[] = "0123456789abcdef";
    QString r;
    r.reserve(b.size() * 3);
    for (qsizetype i = 0; i < b.size(); ++i) {
        if (i) r += QLatin1Char(',');
        const auto u = static_cast<unsigned char>(b[i]);
        r += QLatin1Char(digits[u >> 4]);
        r += QLatin1Char(digits[u & 15]);
    }
    return r;
}

bool validKeyPath(const QString& path)
{
    for (QChar c : path)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) return false;
    return true;
}

} // namespace

QString RegNormalizePath(const QString& path)
{
    QString p = path;
    p.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return p.split(QLatin1Char('\\'), Qt::SkipEmptyParts).join(QLatin1Char('\\'));
}

QString RegRootName(RootKey root)
{
    return root == RootKey::LocalMachine ? QStringLiteral("HKEY_LOCAL_MACHINE") : QStringLiteral("HKEY_CURRENT_USER");
}

QString RegHiveFile(RootKey root)
{
    QString dir = QString::fromLocal8Bit(qgetenv("KORVANE_REGISTRY_DIR"));
    if (dir.isEmpty()) {
        QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        if (config.isEmpty()) config = QDir::homePath() + QStringLiteral("/.config");
        dir = config + QStringLiteral("/korvane");
    }
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/'))) dir.chop(1);
    return dir + QLatin1Char('/') + RegRootName(root) + QStringLiteral(".reg");
}

// ---- RegKey

RegValue* RegKey::findValue(const QString& name)
{
    if (m_index.size() != static_cast<qsizetype>(values.size())) {
        m_index.clear();
        for (size_t i = 0; i < values.size(); ++i) m_index.insert(fold(values[i].name), i);
    }
    auto it = m_index.constFind(fold(name));
    if (it == m_index.cend() || *it >= values.size()) return nullptr;
    RegValue& v = values[*it];
    return v.name.compare(name, Qt::CaseInsensitive) == 0 ? &v : nullptr;
}

const RegValue* RegKey::findValue(const QString& name) const
{
    return const_cast<RegKey*>(this)->findValue(name);
}

// ---- RegHive

void RegHive::reindex()
{
    m_index.clear();
    for (size_t i = 0; i < keys.size(); ++i) m_index.insert(fold(keys[i].path), i);
}

RegKey* RegHive::findKey(const QString& path)
{
    if (m_index.size() != static_cast<qsizetype>(keys.size())) reindex();
    auto it = m_index.constFind(fold(RegNormalizePath(path)));
    return it == m_index.cend() ? nullptr : &keys[*it];
}

const RegKey* RegHive::findKey(const QString& path) const
{
    return const_cast<RegHive*>(this)->findKey(path);
}

RegKey& RegHive::createKey(const QString& path)
{
    const QString norm = RegNormalizePath(path);
    if (RegKey* k = findKey(norm)) return *k;
    // Parents first, so every key's parent chain exists; shortest first, without recursion.
    qsizetype from = 0;
    for (;;) {
        const qsizetype slash = norm.indexOf(QLatin1Char('\\'), from);
        const QString prefix = slash < 0 ? norm : norm.left(slash);
        if (!findKey(prefix)) {
            RegKey key;
            key.path = prefix;
            keys.push_back(std::move(key));
            m_index.insert(fold(prefix), keys.size() - 1);
        }
        if (slash < 0) break;
        from = slash + 1;
    }
    return *findKey(norm);
}

bool RegHive::eraseKey(const QString& path)
{
    const QString norm = RegNormalizePath(path);
    const QString prefix = norm + QLatin1Char('\\');
    const auto before = keys.size();
    std::erase_if(keys, [&](const RegKey& k) {
        return norm.isEmpty() || k.path.compare(norm, Qt::CaseInsensitive) == 0 ||
               k.path.startsWith(prefix, Qt::CaseInsensitive);
    });
    reindex();
    return keys.size() != before;
}

QStringList RegHive::subKeys(const QString& path) const
{
    const QString norm = RegNormalizePath(path);
    const QString prefix = norm.isEmpty() ? QString() : norm + QLatin1Char('\\');
    QStringList out;
    for (const RegKey& k : keys) {
        if (k.path.isEmpty()) continue;
        if (!k.path.startsWith(prefix, Qt::CaseInsensitive)) continue;
        const QString rest = k.path.mid(prefix.size());
        if (!rest.isEmpty() && !rest.contains(QLatin1Char('\\'))) out << rest;
    }
    return out;
}

RegHive RegHive::parse(const QByteArray& raw, bool* whole)
{
    if (whole) *whole = true;
    QString text;
    if (raw.startsWith("\xFF\xFE")) {
        QStringDecoder dec(QStringDecoder::Utf16LE);
        text = dec(QByteArrayView(raw).sliced(2));
    } else {
        const qsizetype skip = raw.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        text = QString::fromUtf8(raw.constData() + skip, raw.size() - skip);
    }
    RegHive hive;
    qsizetype current = -1;                 // index of the key whose values follow, -1 = none
    QHash<QString, size_t> valueIndex;      // folded value names of the current key
    qsizetype pos = 0;
    const qsizetype n = text.size();
    auto nextLine = [&](QString& line) {
        qsizetype end = pos;
        while (end < n && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r')) ++end;
        line = QStringView(text).mid(pos, end - pos).trimmed().toString();
        pos = end;
        if (pos < n && text[pos] == QLatin1Char('\r')) ++pos;
        if (pos < n && text[pos] == QLatin1Char('\n')) ++pos;
    };
    QString line, more;
    while (pos < n) {
        nextLine(line);
        // Long hex lists run on over lines ending in a backslash.
        while (!line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char('\\')) && pos < n) {
            line.chop(1);
            nextLine(more);
            line += more;
        }
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
        if (line.startsWith(QLatin1Char('['))) {
            current = -1;
            valueIndex.clear();
            if (!line.endsWith(QLatin1Char(']')) || line.size() < 2 || line.at(1) == QLatin1Char('-')) continue;
            const QString full = line.mid(1, line.size() - 2);
            const qsizetype slash = full.indexOf(QLatin1Char('\\'));
            const QString path = RegNormalizePath(slash < 0 ? QString() : full.mid(slash + 1));
            if (path.count(QLatin1Char('\\')) >= RegMaxKeyDepth) {
                // Its values are skipped with it; the file cannot be written back whole.
                if (whole) *whole = false;
                continue;
            }
            RegKey& k = hive.createKey(path);
            current = &k - hive.keys.data();
            for (size_t i = 0; i < k.values.size(); ++i) valueIndex.insert(fold(k.values[i].name), i);
            continue;
        }
        if (current < 0) continue;
        RegValue v;
        qsizetype p = 0;
        if (line.startsWith(QLatin1Char('@'))) {
            p = 1;
        } else if (!readQuoted(line, p, v.name)) {
            continue;
        }
        skipBlanks(line, p);
        if (p >= line.size() || line[p] != QLatin1Char('=')) continue;
        ++p;
        if (QStringView(line).mid(p).trimmed() == QLatin1String("-")) continue; // deletion marks hold no value
        if (!parseData(QStringView(line).mid(p), v)) continue;
        RegKey& k = hive.keys[static_cast<size_t>(current)];
        const QString f = fold(v.name);
        auto it = valueIndex.constFind(f);
        if (it != valueIndex.cend()) {
            // A repeated name keeps its place and takes the later data, as an import would.
            k.values[*it] = std::move(v);
        } else {
            valueIndex.insert(f, k.values.size());
            k.values.push_back(std::move(v));
        }
    }
    return hive;
}

QByteArray RegHive::serialize(const QString& rootName) const
{
    QString out = QLatin1String(kHeader) + QStringLiteral("\n\n");
    for (const RegKey& k : keys) {
        out += QLatin1Char('[') + rootName;
        if (!k.path.isEmpty()) out += QLatin1Char('\\') + k.path;
        out += QStringLiteral("]\n");
        for (const RegValue& v : k.values) {
            out += v.name.isEmpty() ? QStringLiteral("@") : escapeQuoted(v.name);
            out += QLatin1Char('=');
            switch (v.kind) {
            case RegValue::String:
                if (needsHexForm(v.text) || v.rawType == 2) {
                    QString t = v.text;
                    t.append(QChar(0));
                    QByteArray b(reinterpret_cast<const char*>(t.constData()), t.size() * 2);
                    out += QStringLiteral("hex(%1):").arg(v.rawType == 2 ? 2 : 1) + hexList(b);
                } else {
                    out += escapeQuoted(v.text);
                }
                break;
            case RegValue::DWord:
                out += QStringLiteral("dword:%1").arg(v.dword, 8, 16, QLatin1Char('0'));
                break;
            case RegValue::Binary:
                out += (v.rawType == 3 ? QStringLiteral("hex:") : QStringLiteral("hex(%1):").arg(v.rawType, 0, 16)) +
                       hexList(v.bytes);
                break;
            }
            out += QLatin1Char('\n');
        }
        out += QLatin1Char('\n');
    }
    return out.toUtf8();
}

// ---- TRegIniFile

namespace {
// Holds an exclusive lock on the hive's lock file for one read-modify-write.
class HiveLock {
public:
    explicit HiveLock(const QString& hive)
    {
        const QByteArray p = QFile::encodeName(hive + QStringLiteral(".lock"));
        m_fd = ::open(p.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd >= 0) ::flock(m_fd, LOCK_EX);
    }
    ~HiveLock()
    {
        if (m_fd >= 0) ::close(m_fd);
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

private:
    int m_fd = -1;
};

// What tells whether the file changed since it was parsed.
struct FileStamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    int64_t mtimeNs = 0;
    int64_t ctimeNs = 0;

    static FileStamp of(const QString& file)
    {
        FileStamp s;
        struct stat st;
        if (::stat(QFile::encodeName(file).constData(), &st) != 0) return s;
        s.exists = true;
        s.dev = st.st_dev;
        s.ino = st.st_ino;
        s.size = st.st_size;
        s.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        s.ctimeNs = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
        return s;
    }
    bool operator==(const FileStamp&) const = default;
};

// One hive file as this process knows it.
struct CachedHive {
    RegHive hive;
    FileStamp stamp;
    bool parsed = false;
    bool whole = true;   // false: never written back
};

std::atomic<int> g_fileParses{0};

QMutex& hivesMutex()
{
    static QMutex mutex;
    return mutex;
}

std::map<QString, CachedHive>& hives()
{
    static std::map<QString, CachedHive> all;
    return all;
}

// The hive of file, parsed again only when the file changed on disk. Caller holds hivesMutex().
CachedHive& cachedHive(const QString& file)
{
    CachedHive& c = hives()[file];
    const FileStamp now = FileStamp::of(file);
    if (c.parsed && now == c.stamp) return c;
    c.stamp = now;
    c.parsed = true;
    c.whole = true;
    c.hive = RegHive();
    if (!now.exists) return c;   // a missing file is an empty hive that may be written
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        c.whole = false;
        return c;
    }
    const qint64 size = f.size();
    // Asking for the whole cap would allocate all of it whatever the file's size.
    const QByteArray data = f.read(std::clamp<qint64>(size, 0, kMaxHiveBytes));
    if (size > kMaxHiveBytes || data.size() != size) c.whole = false;
    bool parsedWhole = true;
    c.hive = RegHive::parse(data, &parsedWhole);
    ++g_fileParses;
    c.whole = c.whole && parsedWhole;
    if (!c.whole)
        qWarning("korvane: the settings file %s could not be read whole; it is not written in this run",
                 qPrintable(file));
    return c;
}
} // namespace

int RegHiveFileParses()
{
    return g_fileParses;
}

TRegIniFile::TRegIniFile(const QString& key, RootKey root) : m_key(RegNormalizePath(key)), m_root(root)
{
    // Opening creates the key when it is missing.
    if (!KeyExists(QString())) setValue(QString(), RegValue{}, /*createOnly*/ true);
}

TRegIniFile::~TRegIniFile() = default;

QString TRegIniFile::FileName() const
{
    return RegHiveFile(m_root);
}

QString TRegIniFile::sectionPath(const QString& section) const
{
    return RegNormalizePath(m_key + QLatin1Char('\\') + section);
}

bool TRegIniFile::HiveWritable() const
{
    QMutexLocker lock(&hivesMutex());
    return cachedHive(FileName()).whole;
}

const RegValue* TRegIniFile::findValue(const RegHive& hive, const QString& section, const QString& ident) const
{
    const RegKey* k = hive.findKey(sectionPath(section));
    return k ? k->findValue(ident) : nullptr;
}

bool TRegIniFile::change(const std::function<bool(RegHive&)>& edit)
{
    const QString file = FileName();
    QDir().mkpath(QFileInfo(file).absolutePath());
    // Another process may write between our read and our write: both happen under its lock.
    HiveLock fileLock(file);
    QMutexLocker lock(&hivesMutex());
    CachedHive& c = cachedHive(file);
    if (!edit(c.hive)) return true;
    if (!c.whole) {
        m_writeOk = false;
        return false;
    }
    m_writeOk = WriteFileAtomic(file, c.hive.serialize(RegRootName(m_root)));
    if (m_writeOk)
        c.stamp = FileStamp::of(file);   // memory and disk agree: no need to parse it again
    else
        c.parsed = false;   // reads go on showing what the file holds
    return m_writeOk;
}

void TRegIniFile::setValue(const QString& section, const RegValue& value, bool createOnly)
{
    const QString path = sectionPath(section);
    if (!validKeyPath(path) || path.count(QLatin1Char('\\')) >= RegMaxKeyDepth) {
        m_writeOk = false;
        return;
    }
    change([&](RegHive& hive) {
        if (createOnly) {
            if (hive.findKey(path)) return false;
            hive.createKey(path);
            return true;
        }
        RegKey& k = hive.createKey(path);
        if (RegValue* v = k.findValue(value.name)) {
            const QString keepName = v->name;
            *v = value;
            v->name = keepName;
        } else {
            k.values.push_back(value);
        }
        return true;
    });
}

template <class F>
auto TRegIniFile::read(F&& f) const
{
    QMutexLocker lock(&hivesMutex());
    return f(cachedHive(FileName()).hive);
}

QString TRegIniFile::ReadString(const QString& section, const QString& ident, const QString& def)
{
    return read([&](const RegHive& hive) {
        const RegValue* v = findValue(hive, section, ident);
        if (!v) return def;
        switch (v->kind) {
        case RegValue::String: return v->text;
        case RegValue::DWord: return QString::number(v->dword);
        case RegValue::Binary: break;
        }
        return def;
    });
}

int TRegIniFile::ReadInteger(const QString& section, const QString& ident, int def)
{
    return read([&](const RegHive& hive) {
        const RegValue* v = findValue(hive, section, ident);
        if (!v) return def;
        if (v->kind == RegValue::DWord) return static_cast<int>(v->dword);
        int r;
        if (v->kind == RegValue::String && ParseWinInteger(v->text, r)) return r;
        return def;
    });
}

bool TRegIniFile::ReadBool(const QString& section, const QString& ident, bool def)
{
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TRegIniFile::WriteString(const QString& section, const QString& ident, const QString& value)
{
    RegValue v;
    v.name = ident;
    v.kind = RegValue::String;
    v.text = value;
    setValue(section, v);
}

void TRegIniFile::WriteInteger(const QString& section, const QString& ident, int value)
{
    // Stored as text, so the value reads back the same through either ReadString or ReadInteger.
    WriteString(section, ident, QString::number(value));
}

void TRegIniFile::WriteBool(const QString& section, const QString& ident, bool value)
{
    WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TRegIniFile::WriteDWord(const QString& section, const QString& ident, uint32_t value)
{
    RegValue v;
    v.name = ident;
    v.kind = RegValue::DWord;
    v.dword = value;
    setValue(section, v);
}

void TRegIniFile::WriteBinary(const QString& section, const QString& ident, const QByteArray& value)
{
    RegValue v;
    v.name = ident;
    v.kind = RegValue::Binary;
    v.bytes = value;
    setValue(section, v);
}

QByteArray TRegIniFile::ReadBinary(const QString& section, const QString& ident)
{
    return read([&](const RegHive& hive) {
        const RegValue* v = findValue(hive, section, ident);
        return v && v->kind == RegValue::Binary ? v->bytes : QByteArray();
    });
}

QStringList TRegIniFile::ReadSection(const QString& section)
{
    return read([&](const RegHive& hive) {
        QStringList out;
        if (const RegKey* k = hive.findKey(sectionPath(section)))
            for (const RegValue& v : k->values) out << v.name;
        return out;
    });
}

QStringList TRegIniFile::ReadSections()
{
    return read([&](const RegHive& hive) { return hive.subKeys(m_key); });
}

void TRegIniFile::EraseSection(const QString& section)
{
    // An empty section would name the key itself; that is never what a caller means.
    if (RegNormalizePath(section).isEmpty()) return;
    change([&](RegHive& hive) { return hive.eraseKey(sectionPath(section)); });
}

void TRegIniFile::DeleteKey(const QString& section, const QString& ident)
{
    change([&](RegHive& hive) {
        RegKey* k = hive.findKey(sectionPath(section));
        if (!k) return false;
        const auto before = k->values.size();
        std::erase_if(k->values, [&](const RegValue& v) { return v.name.compare(ident, Qt::CaseInsensitive) == 0; });
        k->forgetIndex();
        return k->values.size() != before;
    });
}

bool TRegIniFile::ValueExists(const QString& section, const QString& ident)
{
    return read([&](const RegHive& hive) { return findValue(hive, section, ident) != nullptr; });
}

bool TRegIniFile::KeyExists(const QString& section)
{
    return read([&](const RegHive& hive) { return hive.findKey(sectionPath(section)) != nullptr; });
}
