#pragma once
// Files in the program's folders: case-insensitive lookup, Windows wildcards, sorted listings,
// the private temporary folder and safe writes.
#include <QByteArray>
#include <QString>
#include <QStringList>

// Folder of the executable (or $KORVANE_PROGRAM_DIR), without trailing '/'.
QString ProgramDir();
// Resolves each component of path without regard to case; the existing path, or the input.
QString FindPathNoCase(const QString& path);
bool FileExistsNoCase(const QString& path);
// Files (not folders) in dir matching the wildcard, full paths, sorted by name.
QStringList FindFiles(const QString& dir, const QString& wildcard);
// Windows wildcard rules, without case: '*', '?', "*.*" also matches names without a dot,
// "*." matches names without an extension.
bool WildcardMatch(const QString& name, const QString& pattern);
// Private temporary folder $TMPDIR/korvane-<uid>/ (0700, made on first use), with trailing '/'.
QString TempDir();
// Writes data to a temporary file beside path, syncs it, then renames it over path.
bool WriteFileAtomic(const QString& path, const QByteArray& data, QString* error = nullptr);
bool IsReadOnly(const QString& path);
// Turns Windows separators into '/' (used where stored names hold backslashes).
QString FromWindowsPath(const QString& path);
