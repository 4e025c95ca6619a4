#pragma once
// The result codes of the OLE change-icon and insert-object dialogs, as text.
#include <QString>

enum TOLEDialogKind { odChangeIcon, odInsertObject };

// "" for a code neither dialog returns; 117 to 119 mean different things to the two dialogs.
QString ErrorCodeAsStr(int code, TOLEDialogKind kind);
