#include "shellcontrols/shell_utils.h"

#include "lang/builtin_strings.h"
#include "platform/byte_order.h"
#include "shellcontrols/shell_namespace.h"

#include <QDir>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

// ---- result codes ----

namespace {

struct ErrnoCode {
    int error;
    uint32_t code;
};
const ErrnoCode kErrnoCodes[] = {
    {ENOENT, ERROR_FILE_NOT_FOUND},   {ENOTDIR, ERROR_DIRECTORY},     {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},     {EEXIST, ERROR_ALREADY_EXISTS}, {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
    {ENOSPC, ERROR_DISK_FULL},        {EDQUOT, ERROR_DISK_FULL},      {EROFS, ERROR_WRITE_PROTECT},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},                       {EINVAL, ERROR_INVALID_PARAMETER},
    {EXDEV, ERROR_NOT_SAME_DEVICE},   {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},                              {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {ENOMEDIUM, ERROR_NOT_READY},     {EIO, ERROR_GEN_FAILURE},
};

class TShellMalloc : public IMalloc {
public:
    void* Alloc(size_t size) override { return std::malloc(size ? size : 1); }
    void* Realloc(void* p, size_t size) override { return p ? std::realloc(p, size ? size : 1) : nullptr; }
    void Free(void* p) override { std::free(p); }
};

TNSStringLoader g_stringLoader = nullptr;
std::atomic<int> g_flushLock{0};

} // namespace

uint32_t Win32ErrorFromErrno(int error)
{
    if (error == 0)
        return 0;
    for (const ErrnoCode& e : kErrnoCodes)
        if (e.error == error)
            return e.code;
    return ERROR_GEN_FAILURE;
}

HRESULT HResultFromErrno(int error)
{
    return HRESULT_FROM_WIN32(Win32ErrorFromErrno(error));
}

QString SysErrorMessage(uint32_t code)
{
    if (code == ERROR_NO_MORE_ITEMS)
        return QStringLiteral("No more data is available");
    // The first errno of a code is the one that names it best.
    for (const ErrnoCode& e : kErrnoCodes)
        if (e.code == code)
            return QString::fromLocal8Bit(std::strerror(e.error));
    return QStringLiteral("System error %1").arg(code);
}

QString HResultMessage(HRESULT hr)
{
    if ((uint32_t(hr) & 0xFFFF0000u) == 0x80070000u)
        return SysErrorMessage(uint32_t(hr) & 0xFFFF);
    switch (hr) {
    case E_FAIL: return QStringLiteral("Unspecified error");
    case E_NOTIMPL: return QStringLiteral("Not implemented");
    case E_NOINTERFACE: return QStringLiteral("No such interface supported");
    default: return QStringLiteral("Error 0x%1").arg(uint32_t(hr), 8, 16, QLatin1Char('0'));
    }
}

// ---- memory ----

IMalloc* ShellIMalloc()
{
    static TShellMalloc allocator;
    return &allocator;
}

void* ShellMemAlloc(size_t size)
{
    return ShellIMalloc()->Alloc(size);
}

void* ShellMemRealloc(void* p, size_t size)
{
    return ShellIMalloc()->Realloc(p, size);
}

void ShellMemFree(void* p)
{
    if (p)
        ShellIMalloc()->Free(p);
}

// ---- lists ----

uint32_t IdListLen(PCItemIDList pidl)
{
    if (!pidl)
        return 0;
    uint32_t len = 0;
    for (uint16_t cb; (cb = ReadLE16(pidl + len)) != 0;)
        len += cb;
    return len + 2;
}

uint32_t IdListLenWithin(PCItemIDList pidl, size_t size)
{
    if (!pidl)
        return 0;
    size_t len = 0;
    for (;;) {
        if (size < 2 || len > size - 2)
            return 0;
        const uint16_t cb = ReadLE16(pidl + len);
        if (cb == 0)
            return uint32_t(len + 2);
        if (cb < 3 || cb > size - len)
            return 0;
        len += cb;
    }
}

int IdListCount(PCItemIDList pidl)
{
    if (!pidl)
        return 0;
    int n = 0;
    for (uint16_t cb; (cb = ReadLE16(pidl)) != 0; pidl += cb)
        ++n;
    return n;
}

PItemIDList CopyIdList(IMalloc* allocator, PCItemIDList pidl)
{
    if (!allocator)
        allocator = ShellIMalloc();
    const uint32_t len = pidl ? IdListLen(pidl) : 2;
    auto* copy = static_cast<PItemIDList>(allocator->Alloc(len));
    if (!copy)
        return nullptr;
    if (pidl)
        std::memcpy(copy, pidl, len);
    else
        WriteLE16(copy, 0);
    return copy;
}

PItemIDList ConcatIdLists(IMalloc* allocator, PCItemIDList first, PCItemIDList second)
{
    if (!allocator)
        allocator = ShellIMalloc();
    const uint32_t a = first ? IdListLen(first) - 2 : 0;
    const uint32_t b = second ? IdListLen(second) - 2 : 0;
    auto* joined = static_cast<PItemIDList>(allocator->Alloc(a + b + 2));
    if (!joined)
        return nullptr;
    if (a)
        std::memcpy(joined, first, a);
    if (b)
        std::memcpy(joined + a, second, b);
    WriteLE16(joined + a + b, 0);
    return joined;
}

int CompareAbsIdLists(PCItemIDList first, PCItemIDList second)
{
    if (!first && !second)
        return 0;
    if (!first || !second)
        return -1;
    const bool emptyA = ReadLE16(first) == 0, emptyB = ReadLE16(second) == 0;
    if (emptyA && emptyB)
        return 0;
    if (emptyA || emptyB)
        return -1;
    IShellFolder desktop;
    if (FAILED(ShellGetDesktopFolder(desktop)))
        return 2147483647;
    const HRESULT hr = desktop->CompareIDs(0, first, second);
    if (FAILED(hr))
        return 2147483647;
    return int16_t(uint16_t(hr & 0xFFFF));
}

PItemIDList IdListFromBytes(const QByteArray& bytes)
{
    const uint32_t len = IdListLenWithin(reinterpret_cast<PCItemIDList>(bytes.constData()), size_t(bytes.size()));
    if (!len)
        return nullptr;
    auto* p = static_cast<PItemIDList>(ShellMemAlloc(len));
    std::memcpy(p, bytes.constData(), len);
    return p;
}

QByteArray IdListBytes(PCItemIDList pidl)
{
    if (!pidl)
        return QByteArray("\0\0", 2);
    return QByteArray(reinterpret_cast<const char*>(pidl), int(IdListLen(pidl)));
}

// ---- folders and names ----

uint32_t FriendlyNameFlagValue(TNSFriendlyNameFlags flags)
{
    switch (flags) {
    case ptfnInFolder: return SHGDN_INFOLDER;
    case ptfnForParsing: return SHGDN_FORPARSING;
    default: return SHGDN_NORMAL;
    }
}

HRESULT ShellGetDesktopFolder(IShellFolder& folder)
{
    static const uint8_t empty[2] = {0, 0};
    return TShellFolder::Bind(empty, folder);
}

HRESULT ShellGetFolderFromIdList(PCItemIDList pidl, IShellFolder& folder)
{
    folder.reset();
    if (!pidl || ReadLE16(pidl) == 0)
        return ShellGetDesktopFolder(folder);
    IShellFolder desktop;
    const HRESULT hr = ShellGetDesktopFolder(desktop);
    if (FAILED(hr))
        return hr;
    return desktop->BindToObject(pidl, folder);
}

HRESULT ShellGetIdListFromPath(const QString& path, PItemIDList& pidl)
{
    pidl = nullptr;
    IShellFolder desktop;
    const HRESULT hr = ShellGetDesktopFolder(desktop);
    if (FAILED(hr))
        return hr;
    return desktop->ParseDisplayName(nullptr, path, pidl);
}

QString ShellGetPathFromIdList(PCItemIDList pidl)
{
    IShellFolder desktop;
    if (FAILED(ShellGetDesktopFolder(desktop)))
        return QString();
    if (!pidl || ReadLE16(pidl) == 0)
        return DecodeNativeName(desktop->NativePath());
    return DecodeNativeName(desktop->ItemPath(pidl));
}

QString ShellGetDisplayPathName(const QString& path)
{
    PItemIDList pidl = nullptr;
    if (FAILED(ShellGetIdListFromPath(path, pidl)))
        return QString();
    TPidlHolder hold(pidl);
    return ShellGetPathFromIdList(pidl);
}

HRESULT ShellGetSpecialFolderIdList(TCSIDL csidl, PItemIDList& pidl)
{
    pidl = nullptr;
    switch (csidl) {
    case csidlDesktop: pidl = CopyIdList(nullptr, nullptr); return S_OK;
    case csidlDrives: pidl = MakeItem(ikComputer, QByteArray()); return S_OK;
    case csidlBitBucket: pidl = MakeItem(ikTrash, QByteArray()); return S_OK;
    case csidlPersonal:
    case csidlProfile: pidl = MakeItem(ikHome, QByteArray()); return S_OK;
    case csidlDesktopDirectory: {
        const QByteArray dir = DesktopDirectory();
        if (dir.isEmpty())
            return E_FAIL;
        return ShellGetIdListFromPath(DecodeNativeName(dir), pidl);
    }
    default: return E_INVALIDARG;
    }
}

QString ShellGetSpecialFolderPath(TCSIDL csidl)
{
    PItemIDList pidl = nullptr;
    if (FAILED(ShellGetSpecialFolderIdList(csidl, pidl)))
        return QString();
    TPidlHolder hold(pidl);
    return ShellGetPathFromIdList(pidl);
}

TCSIDL ShellFindCSIDLFromIdList(PCItemIDList pidl)
{
    for (int c = 0; c < int(csidlNone); ++c) {
        PItemIDList special = nullptr;
        if (FAILED(ShellGetSpecialFolderIdList(TCSIDL(c), special)))
            continue;
        TPidlHolder hold(special);
        if (CompareAbsIdLists(special, pidl) == 0)
            return TCSIDL(c);
    }
    return csidlNone;
}

// ---- names as the file system gives them ----

namespace {

// The length of the UTF-8 sequence at p (at most n bytes), 0 when it is not one.
int Utf8SequenceLength(const uint8_t* p, qsizetype n)
{
    const uint8_t c = p[0];
    if (c < 0x80)
        return 1;
    int len = 0;
    uint32_t min = 0, code = 0;
    if ((c & 0xE0) == 0xC0) {
        len = 2, min = 0x80, code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3, min = 0x800, code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4, min = 0x10000, code = c & 0x07;
    } else {
        return 0;
    }
    if (n < len)
        return 0;
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are no UTF-8.
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return len;
}

QString DecodeBytes(const QByteArray& bytes, bool forShowing)
{
    QString out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const int len = Utf8SequenceLength(p + i, n - i);
        if (len == 0) {
            out += QChar(forShowing ? char16_t(0xFFFD) : char16_t(0xDC00 + p[i]));
            ++i;
            continue;
        }
        // A line break shows as the return arrow (a glyph the common fonts have), any other
        // control character as the replacement character.
        if (forShowing && len == 1 && (p[i] < 0x20 || p[i] == 0x7F))
            out += QChar(char16_t(p[i] == '\n' || p[i] == '\r' ? 0x21B5 : 0xFFFD));
        else
            out += QString::fromUtf8(bytes.constData() + i, len);
        i += len;
    }
    return out;
}

} // namespace

QString DecodeNativeName(const QByteArray& bytes)
{
    return DecodeBytes(bytes, false);
}

QByteArray EncodeNativeName(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0xDC80 || c > 0xDCFF || (i > 0 && text[i - 1].isHighSurrogate()))
            continue;
        out += QStringView(text).mid(from, i - from).toUtf8();
        out += char(c - 0xDC00);
        from = i + 1;
    }
    out += QStringView(text).mid(from).toUtf8();
    return out;
}

QString ShowNativeName(const QByteArray& bytes)
{
    return DecodeBytes(bytes, true);
}

QByteArray FileUrlOfNativePath(const QByteArray& path)
{
    return "file://" + path.toPercentEncoding("/");
}

QByteArray NativePathOfFileUrl(const QByteArray& url)
{
    if (!url.startsWith("file:"))
        return QByteArray();
    QByteArray rest = url.mid(5);
    if (rest.startsWith("//")) {
        // Only this machine's files: no host, or "localhost".
        const qsizetype slash = rest.indexOf('/', 2);
        const QByteArray host = rest.mid(2, slash < 0 ? -1 : slash - 2);
        if (slash < 0 || (!host.isEmpty() && host != "localhost"))
            return QByteArray();
        rest = rest.mid(slash);
    }
    if (!rest.startsWith('/'))
        return QByteArray();
    const qsizetype end = rest.indexOf('#');
    if (end >= 0)
        rest.truncate(end);
    // Every escape is one byte; a '%' without two hex digits stays as it is.
    QByteArray path;
    path.reserve(rest.size());
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && std::isxdigit(uchar(rest[i + 1])) &&
            std::isxdigit(uchar(rest[i + 2]))) {
            path += char(rest.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else {
            path += rest[i];
        }
    }
    return path.contains('\0') ? QByteArray() : path;
}

QString StoredPathName(const QString& path)
{
    const QByteArray bytes = EncodeNativeName(path);
    if (QString::fromUtf8(bytes).toUtf8() == bytes)
        return path;
    return QString::fromLatin1(FileUrlOfNativePath(bytes));
}

QString ShellGetFriendlyNameFromIdList(IShellFolder folder, PCItemIDList pidl, TNSFriendlyNameFlags flags)
{
    if (!folder && FAILED(ShellGetDesktopFolder(folder)))
        return QString();
    QString name;
    if (FAILED(folder->GetDisplayNameOf(pidl, FriendlyNameFlagValue(flags), name)))
        return QString();
    return name;
}

QString ShellGetFriendlyNameForLastIdListElement(PCItemIDList pidl)
{
    IShellFolder desktop;
    if (FAILED(ShellGetDesktopFolder(desktop)))
        return QString();
    TNSIdListArray path(pidl);
    const int count = path.GetCount();
    if (count > 1) {
        IShellFolder parent;
        if (FAILED(desktop->BindToObject(path.GoUp(1), parent)))
            return QString();
        return ShellGetFriendlyNameFromIdList(parent, path.GetItem(count - 1), ptfnInFolder);
    }
    return ShellGetFriendlyNameFromIdList(desktop, pidl, ptfnInFolder);
}

// ---- drive information ----

void FlushDriveInfoCache()
{
    // Drives are read from the mount table on every listing; nothing is cached to drop.
    if (g_flushLock.load() > 0)
        return;
}

void LockFlushDriveInfoCache()
{
    ++g_flushLock;
}

void UnlockFlushDriveInfoCache()
{
    --g_flushLock;
}

// ---- TNSIdListArray ----

TNSIdListArray::~TNSIdListArray()
{
    freeResult();
}

void TNSIdListArray::freeResult()
{
    ShellMemFree(m_result);
    m_result = nullptr;
}

int TNSIdListArray::GetCount() const
{
    return IdListCount(m_source);
}

PCItemIDList TNSIdListArray::GetItem(int index)
{
    freeResult();
    const int count = GetCount();
    if (!m_source || index < 0 || (count != 0 && index >= count) || count == 0)
        return nullptr;
    PCItemIDList p = m_source;
    for (int i = 0; i < index; ++i)
        p += ReadLE16(p);
    const uint16_t cb = ReadLE16(p);
    m_result = static_cast<PItemIDList>(ShellMemAlloc(cb + 2u));
    std::memcpy(m_result, p, cb);
    WriteLE16(m_result + cb, 0);
    return m_result;
}

PCItemIDList TNSIdListArray::GoUp(int levels)
{
    freeResult();
    if (!m_source)
        return nullptr;
    const int count = GetCount();
    if (levels > count || levels < 0)
        return nullptr;
    size_t len = 0;
    for (int i = 0; i < count - levels; ++i)
        len += ReadLE16(m_source + len);
    m_result = static_cast<PItemIDList>(ShellMemAlloc(len + 2));
    std::memcpy(m_result, m_source, len);
    WriteLE16(m_result + len, 0);
    return m_result;
}

// ---- TNSPidlList ----

TNSPidlList::~TNSPidlList()
{
    Clear();
}

int TNSPidlList::compare(PCItemIDList entry, PCItemIDList searched) const
{
    const uint32_t a = IdListLen(entry), b = IdListLen(searched);
    const uint32_t n = std::min(a, b);
    for (uint32_t i = 0; i < n; ++i)
        if (entry[i] != searched[i])
            return int(entry[i]) - int(searched[i]);
    return int(a) - int(b);
}

void TNSPidlList::SetSorted(bool sorted)
{
    if (sorted && !m_sorted)
        Sort();
    m_sorted = sorted;
}

bool TNSPidlList::BinarySearch(PCItemIDList pidl, int& index) const
{
    int low = 0, high = Count() - 1;
    bool found = false;
    while (low <= high) {
        const int middle = (low + high) >> 1;
        const int c = compare(m_items[size_t(middle)].pidl, pidl);
        if (c < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (c == 0) {
                found = true;
                if (Duplicates != dupAccept)
                    low = middle;
            }
        }
    }
    index = low;
    return found;
}

bool TNSPidlList::LinearSearch(PCItemIDList pidl, int& index) const
{
    for (int i = 0; i < Count(); ++i)
        if (compare(m_items[size_t(i)].pidl, pidl) == 0) {
            index = i;
            return true;
        }
    return false;
}

int TNSPidlList::IndexOf(PCItemIDList pidl) const
{
    int index = -1;
    const bool found = m_sorted ? BinarySearch(pidl, index) : LinearSearch(pidl, index);
    return found ? index : -1;
}

int TNSPidlList::AddObject(PItemIDList pidl, void* object)
{
    if (!m_sorted) {
        m_items.push_back({pidl, object});
        return Count() - 1;
    }
    int index = 0;
    if (BinarySearch(pidl, index)) {
        if (Duplicates == dupIgnore)
            return index;
        if (Duplicates == dupError)
            throw std::runtime_error("TNSPidlList: Duplicate PIDL");
    }
    InsertObject(index, pidl, object);
    return index;
}

void TNSPidlList::InsertObject(int index, PItemIDList pidl, void* object)
{
    index = std::clamp(index, 0, Count());
    m_items.insert(m_items.begin() + index, {pidl, object});
}

void TNSPidlList::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    if (Allocator)
        Allocator->Free(m_items[size_t(index)].pidl);
    m_items.erase(m_items.begin() + index);
}

void TNSPidlList::Clear()
{
    if (Allocator)
        for (const Entry& e : m_items)
            Allocator->Free(e.pidl);
    m_items.clear();
}

void TNSPidlList::Sort()
{
    std::stable_sort(m_items.begin(), m_items.end(),
                     [this](const Entry& a, const Entry& b) { return compare(a.pidl, b.pidl) < 0; });
}

// ---- "Shell IDList Array" ----

QByteArray MakeIdListArray(PCItemIDList parent, const std::vector<PCItemIDList>& items)
{
    static const uint8_t empty[2] = {0, 0};
    if (!parent)
        parent = empty;
    const size_t n = items.size();
    QByteArray block(int(4 + 4 * (n + 1)), '\0');
    WriteLE32(block.data(), uint32_t(n));
    auto append = [&](size_t slot, PCItemIDList pidl) {
        WriteLE32(block.data() + 4 + 4 * slot, uint32_t(block.size()));
        block.append(reinterpret_cast<const char*>(pidl), int(IdListLen(pidl)));
    };
    append(0, parent);
    for (size_t i = 0; i < n; ++i)
        append(i + 1, items[i] ? items[i] : empty);
    return block;
}

bool ReadIdListArray(const QByteArray& block, QByteArray& parent, std::vector<QByteArray>& items)
{
    const auto* data = reinterpret_cast<const uint8_t*>(block.constData());
    const size_t size = size_t(block.size());
    if (size < 8)
        return false;
    const uint32_t n = ReadLE32(data);
    // The offsets alone must fit before any list does.
    if (n > (size - 4) / 4 - 1)
        return false;
    QByteArray p;
    std::vector<QByteArray> list;
    list.reserve(n);
    for (uint32_t i = 0; i <= n; ++i) {
        const uint32_t offset = ReadLE32(data + 4 + 4 * i);
        if (offset < 4 + 4 * (n + 1) || offset >= size)
            return false;
        const uint32_t len = IdListLenWithin(data + offset, size - offset);
        if (!len)
            return false;
        QByteArray pidl(reinterpret_cast<const char*>(data + offset), int(len));
        if (i == 0)
            p = pidl;
        else
            list.push_back(pidl);
    }
    parent = p;
    items = std::move(list);
    return true;
}

// ---- general routines ----

bool GetModuleVersion(const QString&, TNSModuleVersion&)
{
    return false;
}

uint32_t CommonControlsVersion()
{
    return 0x00060000;
}

QString FormatStrPos(const QString& format, const QStringList& strings)
{
    if (format.isEmpty())
        return QString();
    if (strings.size() > 50)
        throw std::runtime_error("FormatStrPos: Too many substitution strings");
    QString out;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == QLatin1Char('%') && i + 1 < format.size()) {
            const QChar d = format[i + 1];
            if (d.isDigit() && d != QLatin1Char('0')) {
                int k = d.digitValue();
                qsizetype j = i + 2;
                if (j < format.size() && format[j].isDigit() && k * 10 + format[j].digitValue() <= 99) {
                    k = k * 10 + format[j].digitValue();
                    ++j;
                }
                out += k <= strings.size() ? strings[k - 1] : QString();
                i = j - 1;
                continue;
            }
            // "%%" and the like give the character itself.
            out += d;
            ++i;
            continue;
        }
        out += c;
    }
    return out;
}

// The texts are UTF-8, whose multi-byte characters never hold a quote, a blank or a control
// byte, so a byte walk splits and trims them as a double-byte-aware walk would.
void ParametizeCmdLineDB(const QByteArray& commandLine, QList<QByteArray>& list)
{
    enum { Between, Unquoted, Quoted } state = Between;
    QByteArray arg;
    auto add = [&] {
        const QByteArray trimmed = TrimRightDB(arg);
        if (!trimmed.isEmpty())
            list << trimmed;
        arg.clear();
    };
    for (const char c : commandLine) {
        switch (state) {
        case Between:
            if (c == '"')
                state = Quoted;
            else if (c != ' ' && c != '\t') {
                arg += c;
                state = Unquoted;
            }
            break;
        case Unquoted:
            if (c == '"' || c == ' ' || c == '\t') {
                add();
                state = c == '"' ? Quoted : Between;
            } else {
                arg += c;
            }
            break;
        case Quoted:
            if (c == '"') {
                add();
                state = Between;
            } else {
                arg += c;
            }
            break;
        }
    }
    if (!arg.isEmpty())
        add();
}

QByteArray TrimRightDB(const QByteArray& text)
{
    qsizetype end = text.size();
    while (end > 0 && uint8_t(text[end - 1]) < 33)
        --end;
    return text.left(end);
}

void CopyCharDB(int& position, const QByteArray& text, QByteArray& destination)
{
    if (position < 0 || position >= text.size())
        return;
    // A UTF-8 character moves whole: its lead byte and every continuation byte.
    int end = position + 1;
    while (end < text.size() && (uint8_t(text[end]) & 0xC0) == 0x80)
        ++end;
    destination += text.mid(position, end - position);
    position = end;
}

QString EnsureTrailingCharDB(const QString& text, QChar character)
{
    if (text.isEmpty())
        return text;
    if (text.back() != character)
        return text + character;
    return text;
}

void SetNSStringLoader(TNSStringLoader loader)
{
    g_stringLoader = loader;
}

QString NSLoadStr(const QString& text)
{
    return text;
}

QString NSResString(int id)
{
    QString text = g_stringLoader ? g_stringLoader(id) : QString();
    if (text.isEmpty())
        text = BuiltinString(unsigned(id));
    return NSLoadStr(text);
}
