#pragma once
// The paper catalogue files: shipped definition files ("*.def"), the user's
// own papers ("user.def"), extension files ("*.ext") that keep changes to
// shipped papers, and the index "MvexFile.ini" in the private temporary
// folder that names the file holding each shipped paper's factory record.

#include <memory>
#include <vector>

#include <QByteArray>
#include <QString>

#include "document/paper_type.h"
#include "lang/string_ids.h"

// Sizes of the stored layouts.
constexpr int PaperFileHeaderSize = 104;
constexpr int PaperRecordSize = 408;
constexpr int PaperShapeSize = 12;
constexpr int PaperExtraLineSize = 16;
constexpr int PaperOtherShapeSize = 24;
constexpr int PaperAuxItemSize = 20;
constexpr int PaperExtHeaderSize = 16;
constexpr int PaperExtRecordSize = 20;
constexpr int PaperExtVersion = 2;

// Larger files are taken as damaged rather than read into memory.
constexpr qint64 PaperFileMaxSize = 64 * 1024 * 1024;

enum class PaperFileResult {
    Ok,
    NotPaperFile,  // wrong magic text or version: skipped without a word
    Damaged,       // shorter than its header and counts promise, or a bad count
};

// One entry of an extension file: replaces the first Shapes.size() label
// positions of the paper with this ID.
struct PaperExtEntry {
    TGUID ID{};
    std::vector<PaperShape> Shapes;
};

// Readers over bytes in memory. Every count is checked against the bytes that
// remain, so damaged input costs no more than its own size. On anything but
// Ok the output is left empty.
// withTexts false leaves the four texts empty, for readers that need only the numbers.
PaperFileResult ReadPaperDefinitionData(const QByteArray& data,
                                        std::vector<std::unique_ptr<PaperType>>& papers, bool withTexts = true);
PaperFileResult ReadPaperExtensionData(const QByteArray& data, std::vector<PaperExtEntry>& entries);

QByteArray WritePaperDefinitionData(const std::vector<const PaperType*>& papers);
QByteArray WritePaperExtensionData(const std::vector<PaperExtEntry>& entries);

// The same over a file; a missing, unreadable or oversized file is Damaged.
PaperFileResult ReadPaperDefinitionFile(const QString& path,
                                        std::vector<std::unique_ptr<PaperType>>& papers, bool withTexts = true);

// True when the shape table current holds something that differs from the
// factory table (the first factory.size() positions, or a shorter table).
bool PaperShapesDiffer(const std::vector<PaperShape>& factory, const std::vector<PaperShape>& current);

// The paper folder inside the program's folder, found without regard to case,
// with a trailing '/'.
QString PaperFolder();
// Full path of "MvexFile.ini" in the private temporary folder.
QString PaperIndexFileName();

// Fills PaperCatalogue from every "*.def" in the paper folder, writes the
// index, attaches the bitmaps and applies the extension files. A damaged file
// is reported and skipped. Returns false, after showing string 25, when there
// is no paper definition at all: the caller must end the program with a
// non-zero exit code.
bool LoadPaperCatalogue();
// Applies every "*.ext" file of the paper folder to the catalogue.
void LoadPaperExtensions();
// Writes the ".EXT" files of shipped papers and "user.def". Files that failed
// to load are left alone.
void SaveUserPapers();
// SaveUserPapers, then frees every record and deletes the index.
void FreePaperCatalogue();

// True when this file (a ".def", "user.def" or ".ext") failed to load in this
// run; such a file is never written over or deleted.
bool PaperFileFailedToLoad(const QString& path);
