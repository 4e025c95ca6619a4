#include "controls/ole_dialog.h"

#include <cstddef>

namespace {

struct CodeText {
    int code;
    const char* text;
};

constexpr CodeText kCommon[] = {
    {0, "Unknown failure."},
    {1, "The user pressed the OK button."},
    {2, "The user pressed the Cancel button."},
    {101, "The pointer to an OLEUIXXX structure passed into the function was NULL."},
    {102, "Insufficient permissions for read or write access to an OLEUIXXX structure."},
    {103, "The cbstruct value is incorrect."},
    {104, "The hWndOwner value is invalid."},
    {105, "The lpszCaption value is invalid."},
    {106, "The lpfnHook value is invalid."},
    {107, "The hInstance value is invalid."},
    {108, "The lpszTemplate value is invalid."},
    {109, "The hResource value is invalid."},
    {110, "Unable to find the dialog template."},
    {111, "Unable to load the dialog template."},
    {112, "Dialog initialization failed."},
    {113, "A call to LocalAlloc or the standard IMalloc allocator failed."},
    {114, "A call to GlobalAlloc or the standard IMalloc allocator failed."},
    {115, "Unable to LoadString localized resources from the library."},
    {116, "A call to the standard IMalloc allocator failed."},
    {120, "The lpFormatEtc value is invalid. This member identifies the desired format."},
    {121, "The ppvOjb value is invalid."},
    {122, "The lpIOleClientSite value is invalid."},
    {123, "The lpIStorage value is invalid."},
    {124, "The sc member of lpIO has additional error information."},
    {125, "The lpClsidExclude value is invalid."},
    {126, "The cchFile or lpszFile value is invalid."},
};

constexpr CodeText kChangeIcon[] = {
    {117, "The hMetaPict member was not the current metafile."},
    {118, "The clsid member was not the current CLSID."},
    {119, "The szIconExe value was invalid."},
};

constexpr CodeText kInsertObject[] = {
    {117, "The lpszFile value is invalid or user has insufficient write access permissions."},
};

template <size_t N>
const char* find(const CodeText (&table)[N], int code)
{
    for (const CodeText& entry : table)
        if (entry.code == code)
            return entry.text;
    return nullptr;
}

} // namespace

QString ErrorCodeAsStr(int code, TOLEDialogKind kind)
{
    const char* text = kind == odChangeIcon ? find(kChangeIcon, code) : find(kInsertObject, code);
    if (!text)
        text = find(kCommon, code);
    return text ? QString::fromLatin1(text) : QString();
}
