// Document commands whose full behaviour comes with the document file, clipboard, commands and
// printing; until then they keep the window in a safe state.
#include "document/child_frame.h"

void TChildFrame::PrintDocument() {}
void TChildFrame::PrintPreview() {}

