#pragma once
// The exception every picture reader and decoder raises for a bad file. Its text is the
// reader's own message, shown to the user by whoever loaded the picture.
#include "platform/bitmap.h"

class EPictureError : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

[[noreturn]] inline void RaisePictureError(const char* Message)
{
    throw EPictureError(Message);
}

// For a format that is read but never written: raises EInvalidGraphicOperation naming the
// picture's class, so that a save fails before any file is touched.
[[noreturn]] inline void RaiseNotWritten(const TGraphic& graphic)
{
    throw EInvalidGraphicOperation(
        QStringLiteral("A %1 picture is not written: save it in another format").arg(graphic.ClassName()));
}
