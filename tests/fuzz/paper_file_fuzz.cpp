// Paper definition (".def", "user.def") and extension (".ext") files from bytes.
#include "fuzz_target.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "document/paper_catalogue.h"

KORVANE_FUZZ_TARGET(paper_file)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));

    std::vector<std::unique_ptr<PaperType>> papers;
    if (ReadPaperDefinitionData(bytes, papers) == PaperFileResult::Ok) {
        // What was read writes out and reads back alike.
        std::vector<const PaperType*> view;
        for (const auto& p : papers)
            view.push_back(p.get());
        std::vector<std::unique_ptr<PaperType>> again;
        if (ReadPaperDefinitionData(WritePaperDefinitionData(view), again) != PaperFileResult::Ok
            || again.size() != papers.size())
            std::abort();
        for (size_t i = 0; i < papers.size(); ++i)
            if (again[i]->Shapes != papers[i]->Shapes || again[i]->OtherShapes != papers[i]->OtherShapes
                || again[i]->AuxItems != papers[i]->AuxItems)
                std::abort();
    } else if (!papers.empty()) {
        std::abort();
    }

    std::vector<PaperExtEntry> entries;
    if (ReadPaperExtensionData(bytes, entries) == PaperFileResult::Ok) {
        std::vector<PaperExtEntry> again;
        if (ReadPaperExtensionData(WritePaperExtensionData(entries), again) != PaperFileResult::Ok
            || again.size() != entries.size())
            std::abort();
    }
    return 0;
}
