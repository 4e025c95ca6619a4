#pragma once
// Shared pieces of the paper catalogue tests: a throw-away program folder,
// small paper records and a recorder for message boxes.

#include <memory>
#include <vector>

#include <QDir>
#include <QFile>
#include <QStringList>

#include "document/paper_catalogue.h"
#include "document/paper_type.h"
#include "platform/message_box.h"
#include "support/test_support.h"
#include "tests/support/test_papers.h"

namespace papertest {

// A fresh program folder with an empty "Paper" folder, made current for
// ProgramDir() through KORVANE_PROGRAM_DIR.
inline QString MakeProgramDir(const QString& name)
{
    const QString dir = testsupport::freshDir(name);
    QDir(dir).mkpath(QStringLiteral("Paper"));
    qputenv("KORVANE_PROGRAM_DIR", dir.toLocal8Bit());
    return dir;
}

inline void WriteBytes(const QString& path, const QByteArray& data)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(data);
}

inline QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

using testpaper::Id;

// A disc sheet with `shapes` label positions and one of every other table.
inline std::unique_ptr<PaperType> Paper(uint8_t n, int shapes = 2, uint8_t userDefined = 0)
{
    std::vector<PaperShape> positions;
    for (int i = 0; i < shapes; ++i)
        positions.push_back({1, 465, 214 + 1384 * i});
    auto p = std::make_unique<PaperType>(
        testpaper::WithCatalogueTexts(testpaper::Discs(Id(n), QStringLiteral("Paper %1").arg(n), 1170, positions)));
    p->Description = QStringLiteral("Two discs,\r\nA4");
    p->UserDefined = userDefined;
    p->ExtraLines.push_back({1, 2, 3, 4});
    p->OtherShapes.push_back({1, 50, 60, 0, 70, 80});
    p->AuxItems.push_back({7, {-1, 2, -3, 4}});
    p->ExtraLineCount = 1;
    p->OtherShapeCount = 1;
    p->AuxCount = 1;
    return p;
}

inline QByteArray DefFile(const std::vector<const PaperType*>& papers)
{
    return WritePaperDefinitionData(papers);
}

using testsupport::MessageRecorder;

// Frees whatever a test left in the catalogue (and its index) at scope end.
struct CatalogueGuard {
    ~CatalogueGuard()
    {
        MessageRecorder quiet;
        FreePaperCatalogue();
    }
};

}  // namespace papertest
