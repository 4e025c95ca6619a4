#pragma once
// Item identifier lists (PIDLs) and the general routines the shell controls share: memory,
// length, copy, join and comparison of lists, walking a list item by item, paths and names,
// special folders, icons, the sortable list of lists, the "Shell IDList Array" block, and the
// small text and version helpers.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class TShellFolder;
using IShellFolder = std::shared_ptr<TShellFolder>;

// ---- result codes ----

using HRESULT = int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001);
constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002);
constexpr HRESULT E_FAIL = HRESULT(0x80004005);
constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000E);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057);
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// Win32 error codes the namespace reports.
constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
constexpr uint32_t ERROR_PATH_NOT_FOUND = 3;
constexpr uint32_t ERROR_ACCESS_DENIED = 5;
constexpr uint32_t ERROR_NOT_SAME_DEVICE = 17;
constexpr uint32_t ERROR_WRITE_PROTECT = 19;
constexpr uint32_t ERROR_NOT_READY = 21;
constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
constexpr uint32_t ERROR_DISK_FULL = 112;
constexpr uint32_t ERROR_DIR_NOT_EMPTY = 145;
constexpr uint32_t ERROR_ALREADY_EXISTS = 183;
constexpr uint32_t ERROR_FILENAME_EXCED_RANGE = 206;
constexpr uint32_t ERROR_NO_MORE_ITEMS = 259;
constexpr uint32_t ERROR_DIRECTORY = 267;
constexpr uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr uint32_t ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr uint32_t ERROR_GEN_FAILURE = 31;

constexpr HRESULT HRESULT_FROM_WIN32(uint32_t code)
{
    return code == 0 ? S_OK : HRESULT((code & 0xFFFF) | 0x80070000u);
}
// The Win32 code of an errno value (ERROR_GEN_FAILURE for one without a match).
uint32_t Win32ErrorFromErrno(int error);
HRESULT HResultFromErrno(int error);
// The system's text for a Win32 code or an HRESULT that carries one.
QString SysErrorMessage(uint32_t code);
QString HResultMessage(HRESULT hr);

// ---- memory ----

class IMalloc {
public:
    virtual ~IMalloc() = default;
    virtual void* Alloc(size_t size) = 0;
    virtual void* Realloc(void* p, size_t size) = 0;
    virtual void Free(void* p) = 0;
};

void* ShellMemAlloc(size_t size);
void* ShellMemRealloc(void* p, size_t size);
void ShellMemFree(void* p);
IMalloc* ShellIMalloc();

// ---- lists ----

using PItemIDList = uint8_t*;
using PCItemIDList = const uint8_t*;

// A list held until the end of a scope, freed with the shell allocator.
struct TPidlFree {
    void operator()(uint8_t* p) const { ShellMemFree(p); }
};
using TPidlHolder = std::unique_ptr<uint8_t, TPidlFree>;

// Total bytes including the terminator; 0 for nil.
uint32_t IdListLen(PCItemIDList pidl);
// The same for a list read from outside: 0 unless it ends with its terminator within size
// bytes and every item is at least 3 bytes long (length and kind).
uint32_t IdListLenWithin(PCItemIDList pidl, size_t size);
// Number of items.
int IdListCount(PCItemIDList pidl);
PItemIDList CopyIdList(IMalloc* allocator, PCItemIDList pidl);
PItemIDList ConcatIdLists(IMalloc* allocator, PCItemIDList first, PCItemIDList second);
// 0 = same item; -1 when only one is nil or empty; 2147483647 when they cannot be compared.
int CompareAbsIdLists(PCItemIDList first, PCItemIDList second);
// A list from bytes (a copy); nil for an empty block.
PItemIDList IdListFromBytes(const QByteArray& bytes);
QByteArray IdListBytes(PCItemIDList pidl);

// ---- folders and names ----

enum TCSIDL : uint8_t {
    csidlDesktop, csidl_None1, csidlPrograms, csidlControls, csidlPrinters, csidlPersonal,
    csidlFavorites, csidlStartup, csidlRecent, csidlSendTo, csidlBitBucket, csidlStartMenu,
    csidl_None2, csidl_None3, csidl_None4, csidl_None5, csidlDesktopDirectory, csidlDrives,
    csidlNetwork, csidlNethood, csidlFonts, csidlTemplates, csidlCommonStartMenu,
    csidlCommonPrograms, csidlCommonStartup, csidlCommonDesktopDirectory, csidlAppData,
    csidlPrintHood, csidlLocalAppData, csidlAltStartup, csidlCommonAltStartup,
    csidlCommonFavorites, csidlInternetCache, csidlCookies, csidlHistory, csidlCommonAppData,
    csidlWindows, csidlSystem, csidlProgramFiles, csidlMyPictures, csidlProfile, csidlSystemX86,
    csidlProgramFilesX86, csidlProgramFilesCommon, csidlProgramFilesCommonX86,
    csidlCommonTemplates, csidlCommonDocuments, csidlCommonAdminTools, csidlAdminTools,
    csidlConnections, csidlNone
};

enum TNSFriendlyNameFlags { ptfnNormal, ptfnInFolder, ptfnForParsing };
constexpr uint32_t SHGDN_NORMAL = 0;
constexpr uint32_t SHGDN_INFOLDER = 1;
constexpr uint32_t SHGDN_FORPARSING = 0x8000;
uint32_t FriendlyNameFlagValue(TNSFriendlyNameFlags flags);

HRESULT ShellGetDesktopFolder(IShellFolder& folder);
HRESULT ShellGetFolderFromIdList(PCItemIDList pidl, IShellFolder& folder);
HRESULT ShellGetIdListFromPath(const QString& path, PItemIDList& pidl);
QString ShellGetPathFromIdList(PCItemIDList pidl);
QString ShellGetDisplayPathName(const QString& path);
HRESULT ShellGetSpecialFolderIdList(TCSIDL csidl, PItemIDList& pidl);
QString ShellGetSpecialFolderPath(TCSIDL csidl);
TCSIDL ShellFindCSIDLFromIdList(PCItemIDList pidl);
QString ShellGetFriendlyNameFromIdList(IShellFolder folder, PCItemIDList pidl, TNSFriendlyNameFlags flags);
QString ShellGetFriendlyNameForLastIdListElement(PCItemIDList pidl);

// ---- icons ----

constexpr uint32_t SHGFI_SMALLICON = 0x1;
constexpr uint32_t SHGFI_OPENICON = 0x2;
enum TNSShellIconSize { ptsizSmall, ptsizLarge };

// Index into the system image list (shared by every control of the process).
int ShellGetIconIndex(PCItemIDList pidl, uint32_t flags);
int ShellGetIconIndexFromPath(const QString& path, uint32_t flags);
int ShellGetIconIndexFromExt(const QString& nameOrExtension, uint32_t flags);
int ShellGetSpecialFolderIconIndex(TCSIDL csidl, uint32_t flags);
class TSystemImageList;
TSystemImageList* ShellGetSystemImageList(TNSShellIconSize size);

// ---- drive information ----

void FlushDriveInfoCache();
void LockFlushDriveInfoCache();
void UnlockFlushDriveInfoCache();

// ---- walking a list ----

class TNSIdListArray {
public:
    explicit TNSIdListArray(PCItemIDList pidl) : m_source(pidl) {}
    ~TNSIdListArray();
    TNSIdListArray(const TNSIdListArray&) = delete;
    TNSIdListArray& operator=(const TNSIdListArray&) = delete;
    int GetCount() const;
    // Item i alone; nil out of range. Valid until the next call.
    PCItemIDList GetItem(int index);
    // The first count - levels items; nil when levels is above the count.
    PCItemIDList GoUp(int levels);

private:
    void freeResult();
    PCItemIDList m_source;
    PItemIDList m_result = nullptr;
};

// ---- sortable list of lists ----

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TNSPidlList {
public:
    TNSPidlList() = default;
    ~TNSPidlList();
    TNSPidlList(const TNSPidlList&) = delete;
    TNSPidlList& operator=(const TNSPidlList&) = delete;

    int Count() const { return int(m_items.size()); }
    int Capacity() const { return int(m_items.capacity()); }
    void SetCapacity(int capacity) { m_items.reserve(size_t(std::max(capacity, 0))); }
    PItemIDList PIDL(int i) const { return m_items[size_t(i)].pidl; }
    void SetPIDL(int i, PItemIDList p) { m_items[size_t(i)].pidl = p; }
    void* Object(int i) const { return m_items[size_t(i)].object; }
    void SetObject(int i, void* o) { m_items[size_t(i)].object = o; }
    bool Sorted() const { return m_sorted; }
    void SetSorted(bool sorted);

    int Add(PItemIDList pidl) { return AddObject(pidl, nullptr); }
    int AddObject(PItemIDList pidl, void* object);
    void Insert(int index, PItemIDList pidl) { InsertObject(index, pidl, nullptr); }
    void InsertObject(int index, PItemIDList pidl, void* object);
    void Delete(int index);
    void Clear();
    int IndexOf(PCItemIDList pidl) const;
    void Sort();
    bool BinarySearch(PCItemIDList pidl, int& index) const;
    bool LinearSearch(PCItemIDList pidl, int& index) const;

    IMalloc* Allocator = nullptr;
    TDuplicates Duplicates = dupError;

private:
    int compare(PCItemIDList entry, PCItemIDList searched) const;
    struct Entry {
        PItemIDList pidl;
        void* object;
    };
    std::vector<Entry> m_items;
    bool m_sorted = false;
};

// ---- "Shell IDList Array" ----

// The block for a parent folder (nil = the desktop) and its items.
QByteArray MakeIdListArray(PCItemIDList parent, const std::vector<PCItemIDList>& items);
// Reads a block that came from outside: false, with nothing filled, when a count, an offset or
// a list does not lie within the block.
bool ReadIdListArray(const QByteArray& block, QByteArray& parent, std::vector<QByteArray>& items);

// ---- names as the file system gives them ----

// A path or name in a QString without loss: bytes that are not UTF-8 become U+DC80..U+DCFF, one
// per byte, and EncodeNativeName gives the same bytes back. File-system calls take the bytes.
QString DecodeNativeName(const QByteArray& bytes);
QByteArray EncodeNativeName(const QString& text);
// A name for showing: bytes that are not UTF-8 as U+FFFD, a line break as U+21B5 and any other
// control character as U+FFFD, so that one item stays one line.
QString ShowNativeName(const QByteArray& bytes);
// A path as a setting keeps it: the path itself, or a file URL with the raw bytes
// percent-encoded when the path is not UTF-8. ParseDisplayName reads both.
QString StoredPathName(const QString& path);
// "file://" and the path's bytes percent-encoded ("/" kept).
QByteArray FileUrlOfNativePath(const QByteArray& path);
// The local path a "file:" URL names, its escapes turned back into raw bytes; "" otherwise.
QByteArray NativePathOfFileUrl(const QByteArray& url);

// ---- general routines ----

struct TNSModuleVersion {
    uint32_t dwFileVersionLS = 0;
    uint32_t dwFileVersionMS = 0;
};
// Linux shared objects carry no version resource: false, version left alone.
bool GetModuleVersion(const QString& fileName, TNSModuleVersion& version);
// The common-controls version the controls compare against (6.0: every native feature).
uint32_t CommonControlsVersion();

QString FormatStrPos(const QString& format, const QStringList& strings);
void ParametizeCmdLineDB(const QByteArray& commandLine, QList<QByteArray>& list);
QByteArray TrimRightDB(const QByteArray& text);
void CopyCharDB(int& position, const QByteArray& text, QByteArray& destination);
QString EnsureTrailingCharDB(const QString& text, QChar character);

// The shell controls' numbered strings go through this; the program registers its language
// lookup at start-up, the built-in English texts are used until then.
using TNSStringLoader = QString (*)(int id);
void SetNSStringLoader(TNSStringLoader loader);
QString NSLoadStr(const QString& text);
QString NSResString(int id);
