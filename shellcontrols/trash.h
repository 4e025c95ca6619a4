#pragma once
// Moving files to the desktop's trash as the freedesktop.org trash standard has it: the
// home trash for files on its device, the top directory's trash for files on another mount.
#include <QByteArray>

// Moves a file or folder (a link as a link) to its trash; 0, or the errno that stopped it with
// the file left where it was. trashedAs receives the path it has in the trash.
int MoveToTrash(const QByteArray& path, QByteArray* trashedAs = nullptr);
