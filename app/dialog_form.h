#pragma once
// The dialogs' shared helpers live with the document library, so that every library with
// dialogs reaches them.
#include "document/dialog_form.h"
