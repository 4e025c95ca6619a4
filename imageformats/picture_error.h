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
