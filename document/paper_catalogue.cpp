#include "document/paper_catalogue.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <set>
#include <unordered_map>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include "document/paper_translations.h"
#include "document/std.h"
#include "platform/byte_order.h"
#include "platform/codepage.h"
#include "platform/file_utils.h"
#include "platform/guid.h"
#include "platform/ini_file.h"
#include "platform/message_box.h"

namespace {

const char kPaperMagic[] = "PAR_2";       // 6 bytes with the NUL
const char kPaperExtMagic[] = "Paper Ext";  // 10 bytes with the NUL

// Files that failed to load in this run, by cleaned absolute path.
std::set<QString>& FailedFiles()
{
    static std::set<QString> files;
    return files;
}

QString NormalPath(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

class ByteReader {
public:
    explicit ByteReader(const QByteArray& data)
        : m_p(reinterpret_cast<const uint8_t*>(data.constData())), m_size(size_t(data.size())) {}
    size_t remaining() const { return m_size - m_pos; }
    bool atEnd() const { return m_pos >= m_size; }
    const uint8_t* at(size_t offset) const { return m_p + m_pos + offset; }
    void skip(size_t n) { m_pos += n; }
    uint8_t u8(size_t offset) const { return m_p[m_pos + offset]; }
    int32_t i32(size_t offset) const { return int32_t(ReadLE32(m_p + m_pos + offset)); }

private:
    const uint8_t* m_p;
    size_t m_size;
    size_t m_pos = 0;
};

class ByteWriter {
public:
    void u8(uint8_t v) { m_data.append(char(v)); }
    void zeros(int n) { m_data.append(n, '\0'); }
    void i32(int32_t v)
    {
        char b[4];
        WriteLE32(b, uint32_t(v));
        m_data.append(b, 4);
    }
    void bytes(const char* p, int n) { m_data.append(p, n); }
    // A NUL-terminated text in a field of width bytes, the rest zero.
    void text(const QString& s, int width)
    {
        QByteArray b = ToAnsi(FitPaperText(s, width));
        if (b.size() > width - 1)
            b.truncate(width - 1);
        m_data.append(b);
        zeros(width - int(b.size()));
    }
    void guid(const TGUID& id)
    {
        uint8_t b[16];
        id.toBytes(b);
        m_data.append(reinterpret_cast<const char*>(b), 16);
    }
    QByteArray take() { return std::move(m_data); }

private:
    QByteArray m_data;
};

QString ReadText(const uint8_t* p, int width)
{
    // A field without its NUL is cut to what a stored field may hold.
    return FromAnsi(reinterpret_cast<const char*>(p), size_t(width - 1));
}

PaperShape ReadShape(const ByteReader& r, size_t o)
{
    PaperShape s;
    s.Selected = r.u8(o);
    s.X = r.i32(o + 4);
    s.Y = r.i32(o + 8);
    return s;
}

void WriteShape(ByteWriter& w, const PaperShape& s)
{
    w.u8(s.Selected);
    w.zeros(3);
    w.i32(s.X);
    w.i32(s.Y);
}

bool ReadFileBytes(const QString& path, QByteArray& data)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    if (size < 0 || size > PaperFileMaxSize)
        return false;
    // Only what the file holds: asking for more would allocate the whole limit.
    data = file.read(size);
    char more;
    return data.size() == size && file.read(&more, 1) == 0;
}

QString MessageCaption()
{
    return Application ? Application->Title : QString();
}

void MarkFailed(const QString& path)
{
    FailedFiles().insert(NormalPath(path));
    MessageBox(nullptr, FileMessageText(path, LoadLangStr(PaperFileDamagedString)), MessageCaption(),
               MB_OK | MB_ICONERROR);
}

// Queues a write through a temporary file and a rename; a read-only target or a
// folder that refuses the file is skipped silently when the batch is written.
void WriteTarget(TFileBatch& batch, const QString& path, const QByteArray& data)
{
    if (QFileInfo::exists(path) && IsReadOnly(path))
        return;
    batch.Add(path, data);
}

void RemoveTarget(TFileBatch& batch, const QString& path)
{
    batch.Forget(path);
    if (QFileInfo::exists(path) && !IsReadOnly(path))
        QFile::remove(path);
}

// The existing file of that name in any case, else the name as given.
QString ExistingOrNew(const QString& path)
{
    const QString found = FindPathNoCase(path);
    return QFileInfo::exists(found) ? found : path;
}

// ExistingOrNew for many files of a few folders: each folder is listed once, not once for
// every file looked up in it.
class TFolderNames {
public:
    QString ExistingOrNew(const QString& path)
    {
        if (QFileInfo::exists(path))
            return path;
        const QFileInfo info(path);
        const auto& names = Listing(info.path());
        const auto it = names.find(info.fileName().toCaseFolded());
        return it != names.end() ? info.path() + QLatin1Char('/') + it.value() : path;
    }
    // Keeps the listing true after path was removed, or queued to be written (written counts
    // as there).
    void Update(const QString& path, bool written)
    {
        const QFileInfo info(path);
        auto& names = Listing(info.path());
        const QString key = info.fileName().toCaseFolded();
        if (written || info.exists()) {
            if (!names.contains(key))
                names.insert(key, info.fileName());
        }
        else if (names.value(key) == info.fileName())
            names.remove(key);
    }

private:
    // Folded name to the name on disk; like FindPathNoCase, the first in sorted order wins.
    QHash<QString, QString>& Listing(const QString& folder)
    {
        auto it = m_folders.find(folder);
        if (it == m_folders.end()) {
            QHash<QString, QString> names;
            for (const QString& e : QDir(folder).entryList(
                     QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name))
                if (const QString key = e.toCaseFolded(); !names.contains(key))
                    names.insert(key, e);
            it = m_folders.insert(folder, names);
        }
        return it.value();
    }
    QHash<QString, QHash<QString, QString>> m_folders;
};

}  // namespace

PaperFileResult ReadPaperDefinitionData(const QByteArray& data,
                                        std::vector<std::unique_ptr<PaperType>>& papers, bool withTexts)
{
    papers.clear();
    ByteReader r(data);
    if (r.remaining() < size_t(PaperFileHeaderSize))
        return PaperFileResult::Damaged;
    if (std::memcmp(r.at(0), kPaperMagic, sizeof kPaperMagic) != 0)
        return PaperFileResult::NotPaperFile;
    const int32_t count = r.i32(8);
    r.skip(PaperFileHeaderSize);
    if (count < 0 || size_t(count) > r.remaining() / PaperRecordSize)
        return PaperFileResult::Damaged;

    std::vector<std::unique_ptr<PaperType>> result;
    result.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i) {
        if (r.remaining() < size_t(PaperRecordSize))
            return PaperFileResult::Damaged;
        auto paper = std::make_unique<PaperType>();
        paper->ID = TGUID::fromBytes(r.at(0));
        if (withTexts) {
            paper->Name = ReadText(r.at(16), PaperNameSize);
            paper->Manufacturer = ReadText(r.at(56), PaperManufacturerSize);
            paper->Classification = ReadText(r.at(81), PaperClassificationSize);
            paper->Description = ReadText(r.at(106), PaperDescriptionSize);
        }
        paper->UserDefined = r.u8(362);
        paper->HasPreview = r.u8(363);
        paper->HasShapeMask = r.u8(364);
        paper->PaperLength = r.i32(368);
        paper->PaperWidth = r.i32(372);
        paper->ShapeCount = r.i32(376);
        paper->ShapeStyle = r.i32(380);
        paper->ShapeHeight = r.i32(384);
        paper->ShapeWidth = r.i32(388);
        paper->CoreWidth = r.i32(392);
        paper->ExtraLineCount = r.i32(396);
        paper->OtherShapeCount = r.i32(400);
        paper->AuxCount = r.i32(404);
        r.skip(PaperRecordSize);

        if (paper->ShapeCount < 0 || paper->ExtraLineCount < 0 || paper->OtherShapeCount < 0
            || paper->AuxCount < 0)
            return PaperFileResult::Damaged;
        const uint64_t tables = uint64_t(paper->ShapeCount) * PaperShapeSize
            + uint64_t(paper->ExtraLineCount) * PaperExtraLineSize
            + uint64_t(paper->OtherShapeCount) * PaperOtherShapeSize
            + uint64_t(paper->AuxCount) * PaperAuxItemSize;
        if (tables > r.remaining())
            return PaperFileResult::Damaged;

        paper->Shapes.resize(size_t(paper->ShapeCount));
        for (PaperShape& s : paper->Shapes) {
            s = ReadShape(r, 0);
            r.skip(PaperShapeSize);
        }
        paper->ExtraLines.resize(size_t(paper->ExtraLineCount));
        for (PaperExtraLine& l : paper->ExtraLines) {
            l.XFrom = r.i32(0);
            l.YFrom = r.i32(4);
            l.XTo = r.i32(8);
            l.YTo = r.i32(12);
            r.skip(PaperExtraLineSize);
        }
        paper->OtherShapes.resize(size_t(paper->OtherShapeCount));
        for (PaperOtherShape& o : paper->OtherShapes) {
            o.Style = r.u8(0);
            o.Height = r.i32(4);
            o.Width = r.i32(8);
            o.CoreWidth = r.i32(12);
            o.X = r.i32(16);
            o.Y = r.i32(20);
            r.skip(PaperOtherShapeSize);
        }
        // Sizes no printer takes mark a damaged record.
        if (!PaperSizesPrintable(*paper))
            return PaperFileResult::Damaged;
        paper->AuxItems.resize(size_t(paper->AuxCount));
        for (PaperAuxItem& a : paper->AuxItems) {
            a.Kind = r.u8(0);
            for (int k = 0; k < 4; ++k)
                a.Values[k] = r.i32(4 + 4 * size_t(k));
            r.skip(PaperAuxItemSize);
        }
        result.push_back(std::move(paper));
    }
    papers = std::move(result);
    return PaperFileResult::Ok;
}

QByteArray WritePaperDefinitionData(const std::vector<const PaperType*>& papers)
{
    ByteWriter w;
    w.bytes(kPaperMagic, sizeof kPaperMagic);
    w.zeros(2);
    w.i32(int32_t(papers.size()));
    w.zeros(10 + 40 + 42);
    for (const PaperType* p : papers) {
        w.guid(p->ID);
        w.text(p->Name, PaperNameSize);
        w.text(p->Manufacturer, PaperManufacturerSize);
        w.text(p->Classification, PaperClassificationSize);
        w.text(p->Description, PaperDescriptionSize);
        w.u8(p->UserDefined);
        w.u8(p->HasPreview);
        w.u8(p->HasShapeMask);
        w.zeros(3);
        w.i32(p->PaperLength);
        w.i32(p->PaperWidth);
        w.i32(int32_t(p->Shapes.size()));
        w.i32(p->ShapeStyle);
        w.i32(p->ShapeHeight);
        w.i32(p->ShapeWidth);
        w.i32(p->CoreWidth);
        w.i32(int32_t(p->ExtraLines.size()));
        w.i32(int32_t(p->OtherShapes.size()));
        w.i32(int32_t(p->AuxItems.size()));
        for (const PaperShape& s : p->Shapes)
            WriteShape(w, s);
        for (const PaperExtraLine& l : p->ExtraLines) {
            w.i32(l.XFrom);
            w.i32(l.YFrom);
            w.i32(l.XTo);
            w.i32(l.YTo);
        }
        for (const PaperOtherShape& o : p->OtherShapes) {
            w.u8(o.Style);
            w.zeros(3);
            w.i32(o.Height);
            w.i32(o.Width);
            w.i32(o.CoreWidth);
            w.i32(o.X);
            w.i32(o.Y);
        }
        for (const PaperAuxItem& a : p->AuxItems) {
            w.u8(a.Kind);
            w.zeros(3);
            for (int32_t v : a.Values)
                w.i32(v);
        }
    }
    return w.take();
}

PaperFileResult ReadPaperExtensionData(const QByteArray& data, std::vector<PaperExtEntry>& entries)
{
    entries.clear();
    ByteReader r(data);
    if (r.remaining() < size_t(PaperExtHeaderSize))
        return PaperFileResult::Damaged;
    if (std::memcmp(r.at(0), kPaperExtMagic, sizeof kPaperExtMagic) != 0 || r.i32(12) != PaperExtVersion)
        return PaperFileResult::NotPaperFile;
    r.skip(PaperExtHeaderSize);

    std::vector<PaperExtEntry> result;
    while (!r.atEnd()) {
        if (r.remaining() < size_t(PaperExtRecordSize))
            return PaperFileResult::Damaged;
        PaperExtEntry entry;
        entry.ID = TGUID::fromBytes(r.at(0));
        const int32_t n = r.i32(16);
        r.skip(PaperExtRecordSize);
        if (n < 0 || size_t(n) > r.remaining() / PaperShapeSize)
            return PaperFileResult::Damaged;
        entry.Shapes.resize(size_t(n));
        for (PaperShape& s : entry.Shapes) {
            s = ReadShape(r, 0);
            r.skip(PaperShapeSize);
        }
        result.push_back(std::move(entry));
    }
    entries = std::move(result);
    return PaperFileResult::Ok;
}

QByteArray WritePaperExtensionData(const std::vector<PaperExtEntry>& entries)
{
    ByteWriter w;
    w.bytes(kPaperExtMagic, sizeof kPaperExtMagic);
    w.zeros(2);
    w.i32(PaperExtVersion);
    for (const PaperExtEntry& e : entries) {
        w.guid(e.ID);
        w.i32(int32_t(e.Shapes.size()));
        for (const PaperShape& s : e.Shapes)
            WriteShape(w, s);
    }
    return w.take();
}

PaperFileResult ReadPaperDefinitionFile(const QString& path,
                                        std::vector<std::unique_ptr<PaperType>>& papers, bool withTexts)
{
    papers.clear();
    QByteArray data;
    if (!ReadFileBytes(path, data))
        return PaperFileResult::Damaged;
    return ReadPaperDefinitionData(data, papers, withTexts);
}

bool PaperShapesDiffer(const std::vector<PaperShape>& factory, const std::vector<PaperShape>& current)
{
    if (current.size() < factory.size())
        return true;
    for (size_t i = 0; i < factory.size(); ++i)
        if (!(factory[i] == current[i]))
            return true;
    return false;
}

QString PaperFolder()
{
    QString dir = ProgramDir();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    QString folder = FindPathNoCase(dir + QStringLiteral("Paper"));
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString PaperIndexFileName()
{
    QString dir = TempDir();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir + QStringLiteral("MvexFile.ini");
}

bool PaperFileFailedToLoad(const QString& path)
{
    return FailedFiles().count(NormalPath(path)) != 0;
}

bool LoadPaperCatalogue()
{
    TPaperCatalogue& catalogue = PaperCatalogue();
    catalogue.clear();
    FailedFiles().clear();

    const QStringList paths = FindFiles(PaperFolder(), QStringLiteral("*.def"));
    bool anyFile = false;
    {
        TIniFile index(PaperIndexFileName());
        for (const QString& path : paths) {
            if (!QFileInfo(path).isFile())
                continue;
            anyFile = true;
            std::vector<std::unique_ptr<PaperType>> papers;
            PaperFileResult result = ReadPaperDefinitionFile(path, papers);
            // A shipped file of another kind is passed over, but the user's own file always
            // is a paper file: one that does not read as one is damaged, and kept as it is.
            if (result == PaperFileResult::NotPaperFile &&
                QFileInfo(path).fileName().compare(QStringLiteral("user.def"), Qt::CaseInsensitive) == 0)
                result = PaperFileResult::Damaged;
            if (result == PaperFileResult::Damaged) {
                MarkFailed(path);
                continue;
            }
            if (result != PaperFileResult::Ok)
                continue;
            for (auto& paper : papers) {
                if (!paper->UserDefined)
                    index.WriteString(path, GUIDToString(paper->ID), QString());
                catalogue.push_back(std::move(paper));
            }
        }
        index.UpdateFile();
    }

    if (anyFile) {
        LoadPaperBitmaps();
        LoadPaperExtensions();
    }
    // With nothing loaded there is no paper a document could use.
    if (catalogue.empty()) {
        MessageBox(nullptr, LoadLangStr(NoPaperDefinitionString), MessageCaption(), MB_OK);
        return false;
    }
    return true;
}

void LoadPaperExtensions()
{
    const QStringList paths = FindFiles(PaperFolder(), QStringLiteral("*.ext"));
    for (const QString& path : paths) {
        if (!QFileInfo(path).isFile())
            continue;
        QByteArray data;
        std::vector<PaperExtEntry> entries;
        const PaperFileResult result = ReadFileBytes(path, data)
            ? ReadPaperExtensionData(data, entries) : PaperFileResult::Damaged;
        if (result == PaperFileResult::Damaged) {
            MarkFailed(path);
            continue;
        }
        if (result != PaperFileResult::Ok) {
            // Not ours to rewrite: keep it as it is.
            FailedFiles().insert(NormalPath(path));
            continue;
        }
        for (const PaperExtEntry& entry : entries) {
            PaperType* paper = FindPaperType(entry.ID);
            if (!paper)
                continue;
            const size_t n = std::min(entry.Shapes.size(), paper->Shapes.size());
            for (size_t i = 0; i < n; ++i)
                paper->Shapes[i] = entry.Shapes[i];
        }
    }
}

namespace {

void SaveExtensionFile(const QString& defPath, const QStringList& keys, TFolderNames& folders,
                       TFileBatch& batch)
{
    // Only the label positions are compared: the texts are not read.
    std::vector<std::unique_ptr<PaperType>> factory;
    if (ReadPaperDefinitionFile(defPath, factory, false) != PaperFileResult::Ok)
        return;

    // The factory records by ID, the first of an ID winning as in the catalogue.
    std::unordered_map<TGUID, const PaperType*, TGUIDHash> originals;
    originals.reserve(factory.size());
    for (const auto& f : factory)
        originals.try_emplace(f->ID, f.get());

    std::vector<PaperExtEntry> entries;
    for (const QString& key : keys) {
        TGUID id;
        if (!StringToGUID(key, id))
            continue;
        const PaperType* current = FindPaperType(id);
        const auto found = originals.find(id);
        const PaperType* original = found != originals.end() ? found->second : nullptr;
        if (!current || !original || !PaperShapesDiffer(original->Shapes, current->Shapes))
            continue;
        entries.push_back({id, current->Shapes});
    }

    const QFileInfo def(defPath);
    const QString extPath = folders.ExistingOrNew(def.path() + QLatin1Char('/') + def.completeBaseName()
                                                  + QStringLiteral(".EXT"));
    if (PaperFileFailedToLoad(extPath))
        return;
    // With no entry left every paper is back at its factory values, so an
    // old file must go or its overrides would come back.
    if (entries.empty())
        RemoveTarget(batch, extPath);
    else
        WriteTarget(batch, extPath, WritePaperExtensionData(entries));
    folders.Update(extPath, !entries.empty());
}

void SaveUserFile(TFileBatch& batch)
{
    const QString userPath = ExistingOrNew(PaperFolder() + QStringLiteral("user.def"));
    if (PaperFileFailedToLoad(userPath))
        return;  // its papers were never read: writing would lose them
    std::vector<const PaperType*> user;
    for (const PaperType* p : PaperCatalogue())
        if (p && p->UserDefined)
            user.push_back(p);
    if (user.empty())
        RemoveTarget(batch, userPath);
    else
        WriteTarget(batch, userPath, WritePaperDefinitionData(user));
}

}  // namespace

void SaveUserPapers()
{
    try {
        // All files go to disk together: one wait for the disk instead of one per file.
        TFileBatch batch;
        const QString indexPath = PaperIndexFileName();
        if (QFileInfo::exists(indexPath)) {
            TIniFile index(indexPath);
            TFolderNames folders;
            for (const QString& section : index.ReadSections()) {
                if (!QFileInfo(section).isFile() || PaperFileFailedToLoad(section))
                    continue;
                SaveExtensionFile(section, index.ReadSection(section), folders, batch);
            }
        }
        SaveUserFile(batch);
        batch.Commit();
    } catch (const std::exception& e) {
        if (Application)
            Application->ShowException(e);
    }
}

void FreePaperCatalogue()
{
    SaveUserPapers();
    PaperCatalogue().clear();
    QFile::remove(PaperIndexFileName());
    FailedFiles().clear();
}
