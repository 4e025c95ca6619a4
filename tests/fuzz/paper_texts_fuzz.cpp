// Translation files ("*.lng") and the mask table: ini text whose keys are GUID texts and
// whose values are paper texts or picture names.
#include "fuzz_target.h"

#include "document/paper_translations.h"
#include "document/paper_type.h"
#include "platform/codepage.h"
#include "platform/file_utils.h"
#include "platform/guid.h"
#include "platform/ini_file.h"

#include <QDir>

#include <cstddef>
#include <cstdint>

KORVANE_FUZZ_TARGET(paper_texts)
{
    static const QString maskFolder = QDir::cleanPath(ProgramDir() + QStringLiteral("/paper/mask")) + '/';
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const IniSection& section : ParseIni(bytes)) {
        for (const IniEntry& entry : section.entries) {
            TGUID id;
            if (StringToGUID(entry.key, id) && !StringToGUID(GUIDToString(id), id))
                __builtin_trap();
            const PaperTexts t = SplitPaperTranslation(entry.value);
            if (ToAnsi(t.Name).size() >= PaperNameSize || ToAnsi(t.Manufacturer).size() >= PaperManufacturerSize
                || ToAnsi(t.Classification).size() >= PaperClassificationSize
                || ToAnsi(t.Description).size() >= PaperDescriptionSize)
                __builtin_trap();
            const QString file = PaperMaskPictureFileName(entry.value);
            if (!file.isEmpty() && !(QDir::cleanPath(file) + QLatin1Char('/')).startsWith(maskFolder, Qt::CaseInsensitive))
                __builtin_trap();
        }
    }
    return 0;
}
