#pragma once
// A one-disc A4 paper for the main-window tests.
#include "document/paper_type.h"
#include "platform/guid.h"

inline PaperType MakePaper(const TGUID& id, const char* name)
{
    PaperType p;
    p.ID = id;
    p.Name = QString::fromLatin1(name);
    p.Manufacturer = QStringLiteral("Maker");
    p.Classification = QStringLiteral("CD/DVD label");
    p.PaperLength = 2970;
    p.PaperWidth = 2100;
    p.ShapeHeight = p.ShapeWidth = 1170;
    p.CoreWidth = 410;
    p.Shapes = {PaperShape{1, 465, 175}};
    p.ShapeCount = 1;
    return p;
}
