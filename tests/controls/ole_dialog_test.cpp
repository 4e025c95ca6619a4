#include "controls/ole_dialog.h"

#include <gtest/gtest.h>

TEST(OLEDialogErrors, CodesAsText)
{
    const struct {
        int code;
        TOLEDialogKind kind;
        const char* text;
    } cases[] = {
        {0, odChangeIcon, "Unknown failure."},
        {1, odInsertObject, "The user pressed the OK button."},
        {2, odChangeIcon, "The user pressed the Cancel button."},
        {103, odInsertObject, "The cbstruct value is incorrect."},
        {116, odChangeIcon, "A call to the standard IMalloc allocator failed."},
        // 117 to 119 belong to each dialog on its own.
        {117, odChangeIcon, "The hMetaPict member was not the current metafile."},
        {117, odInsertObject,
         "The lpszFile value is invalid or user has insufficient write access permissions."},
        {118, odChangeIcon, "The clsid member was not the current CLSID."},
        {119, odChangeIcon, "The szIconExe value was invalid."},
        {118, odInsertObject, ""},
        {119, odInsertObject, ""},
        {121, odInsertObject, "The ppvOjb value is invalid."},
        {126, odChangeIcon, "The cchFile or lpszFile value is invalid."},
        {3, odChangeIcon, ""},
        {100, odInsertObject, ""},
        {127, odInsertObject, ""},
        {-1, odChangeIcon, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorCodeAsStr(c.code, c.kind), QString::fromLatin1(c.text)) << c.code << " " << c.kind;
}
