#pragma once
// The program's windows that stay on top of all others step back while one of its drop-downs is
// open, so that the drop-down is never hidden under them, and come back when it closes. Calls
// nest; only the outermost pair changes windows.
#include <QWidget>
#include <functional>

void NormalizeTopMosts();
void RestoreTopMosts();
// True between the outermost NormalizeTopMosts and its RestoreTopMosts: a window that would
// take the stay-on-top flag meanwhile leaves it off.
bool TopMostsNormalized();
// Called after the outermost RestoreTopMosts, for windows that took the stay-on-top flag off
// while the drop-down was open and are to have it again.
void AddTopMostsRestoredHandler(std::function<void()> handler);
