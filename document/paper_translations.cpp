#include "document/paper_translations.h"

#include <exception>
#include <memory>
#include <vector>

#include <QFileInfo>

#include "document/paper_catalogue.h"
#include "document/paper_type.h"
#include "document/std.h"
#include "platform/bitmap.h"
#include "platform/file_utils.h"
#include "platform/guid.h"
#include "platform/ini_file.h"

namespace {

QString ProgramFolder()
{
    QString dir = ProgramDir();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

// Text before the next comma, the rest after it; without a comma the field
// is empty and the whole text goes on.
QString TakeField(QString& rest)
{
    const qsizetype comma = rest.indexOf(QLatin1Char(','));
    if (comma < 0)
        return QString();
    QString field = rest.left(comma);
    rest = rest.mid(comma + 1);
    return field;
}

std::shared_ptr<TBitmap> LoadPicture(const QString& path)
{
    try {
        auto bitmap = std::make_shared<TBitmap>();
        bitmap->LoadFromFile(path);
        return bitmap;
    } catch (const std::exception&) {
        return nullptr;  // a damaged picture is treated like a missing one
    }
}

void LoadBitmapSection(TIniFile& table, const QString& section, bool preview)
{
    if (!table.SectionExists(section))
        return;
    for (const QString& key : table.ReadSection(section)) {
        TGUID id;
        if (!StringToGUID(key, id))
            continue;
        const QString file = PaperMaskPictureFileName(table.ReadString(section, key, QString()));
        if (!QFileInfo(file).isFile())
            continue;
        PaperType* paper = FindPaperType(id);
        if (!paper || !(preview ? paper->HasPreview : paper->HasShapeMask))
            continue;
        std::shared_ptr<TBitmap> bitmap = LoadPicture(file);
        if (!bitmap)
            continue;
        (preview ? paper->PreviewBitmap : paper->ShapeMaskBitmap) = std::move(bitmap);
    }
}

void ResetShippedTexts()
{
    const QString indexPath = PaperIndexFileName();
    if (!QFileInfo::exists(indexPath))
        return;
    TIniFile index(indexPath);
    for (const QString& section : index.ReadSections()) {
        if (!QFileInfo(section).isFile())
            continue;
        std::vector<std::unique_ptr<PaperType>> papers;
        if (ReadPaperDefinitionFile(section, papers) != PaperFileResult::Ok)
            continue;
        for (const auto& original : papers) {
            PaperType* paper = FindPaperType(original->ID);
            if (!paper)
                continue;
            paper->Name = original->Name;
            paper->Manufacturer = original->Manufacturer;
            paper->Classification = original->Classification;
            paper->Description = original->Description;
        }
    }
}

}  // namespace

QString PaperLanguageSection(uint32_t languageCode)
{
    const uint32_t primary = languageCode & 0xFFFF;
    const uint32_t sub = languageCode >> 16;
    switch (primary) {
    case 9: return QStringLiteral("ENGLISH");
    case 4:
        if (sub == 1)
            return QStringLiteral("CHINESE_TRADITIONAL");
        if (sub == 2)
            return QStringLiteral("CHINESE_SIMPLIFIED");
        return QString();
    case 17: return QStringLiteral("JAPANESE");
    case 7: return QStringLiteral("GERMAN");
    case 12: return QStringLiteral("FRENCH");
    case 10: return QStringLiteral("SPANISH");
    case 5: return QStringLiteral("CZECH");
    case 29: return QStringLiteral("SWEDISH");
    default: return QString();
    }
}

PaperTexts SplitPaperTranslation(const QString& value)
{
    QString rest = value;
    PaperTexts texts;
    texts.Name = FitPaperText(TakeField(rest), PaperNameSize);
    texts.Manufacturer = FitPaperText(TakeField(rest), PaperManufacturerSize);
    texts.Classification = FitPaperText(TakeField(rest), PaperClassificationSize);
    rest.replace(QStringLiteral("^^"), QStringLiteral("\r\n"));
    texts.Description = FitPaperText(rest, PaperDescriptionSize);
    return texts;
}

void LoadPaperTranslations()
{
    ResetShippedTexts();
    const QString section = PaperLanguageSection(uint32_t(CurrentLanguage));
    if (section.isEmpty())
        return;
    for (const QString& path : FindFiles(PaperFolder(), QStringLiteral("*.lng"))) {
        if (!QFileInfo(path).isFile())
            continue;
        TIniFile file(path);
        if (!file.SectionExists(section))
            continue;
        for (const QString& key : file.ReadSection(section)) {
            TGUID id;
            if (!StringToGUID(key, id))
                continue;  // one bad key does not stop the others
            PaperType* paper = FindPaperType(id);
            if (!paper)
                continue;
            const PaperTexts texts = SplitPaperTranslation(file.ReadString(section, key, QString()));
            paper->Name = texts.Name;
            paper->Manufacturer = texts.Manufacturer;
            paper->Classification = texts.Classification;
            paper->Description = texts.Description;
        }
    }
}

QString PaperMaskTableFileName()
{
    return FindPathNoCase(ProgramFolder() + QStringLiteral("paper/maskfile.ini"));
}

QString PaperMaskPictureFileName(const QString& name)
{
    QString relative = name;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (relative.startsWith(QLatin1Char('/')))
        relative.remove(0, 1);
    // A picture name never leads out of the mask folder.
    if (relative.isEmpty() || relative.split(QLatin1Char('/')).contains(QStringLiteral("..")))
        return QString();
    return FindPathNoCase(ProgramFolder() + QStringLiteral("paper/mask/") + relative);
}

void LoadPaperBitmaps()
{
    const QString path = PaperMaskTableFileName();
    if (!QFileInfo(path).isFile())
        return;
    TIniFile table(path);
    LoadBitmapSection(table, QStringLiteral("paper_preview"), true);
    LoadBitmapSection(table, QStringLiteral("shape_mask"), false);
}
