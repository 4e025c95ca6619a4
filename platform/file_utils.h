#pragma once
// Files in the program's folders: case-insensitive lookup, Windows wildcards, sorted listings,
// the private temporary folder and safe writes.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

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
// When that name is taken: $XDG_RUNTIME_DIR/korvane/, then the user's cache folder. Empty when
// no private folder can be had. A program on a display has a private folder of that display's
// own inside (SessionFolderName), so that its instance channel and temporary files never meet
// those of the same user's program on another display.
QString TempDir();
// The folder name of the display a program on platform (Qt's platform name) shows its windows
// on: "display-14" for the X display ":14" (or ":14.0"), "wayland-0" for that Wayland display.
// Empty for platforms without a display of their own (offscreen) and for an unusable name.
QString SessionFolderName(const QString& platform, const QString& x11Display, const QString& waylandDisplay);
// Writes data to a temporary file beside path, syncs it, then renames it over path; the
// temporary file goes on every failure. A symbolic link is followed and kept. A file with other
// hard links, or a writable file in a folder that takes no new file, is overwritten in place.
// error receives a text naming the file and the reason.
bool WriteFileAtomic(const QString& path, const QByteArray& data, QString* error = nullptr);
// Writes the contents of the file source to path as WriteFileAtomic does, a piece at a time.
bool CopyFileAtomic(const QString& source, const QString& path, QString* error = nullptr);
// Many files written as WriteFileAtomic writes one, with one wait for the disk for all of them:
// every temporary file is written, then all are synced, then renamed, then each folder synced.
// Each file stands alone: one that fails keeps its old contents and its temporary file goes,
// the others are still replaced.
class TFileBatch {
public:
    // A second Add for the same path replaces the first one's contents.
    void Add(const QString& path, const QByteArray& data);
    // Drops a pending write, for a file removed instead.
    void Forget(const QString& path);
    // Writes everything added and empties the batch; errors receives one text per failed file.
    bool Commit(QStringList* errors = nullptr);

private:
    std::vector<std::pair<QString, QByteArray>> m_files;
};
// The file a chain of symbolic links ends at (which may not exist yet), or path itself;
// empty for a loop of links.
QString ResolveLinks(const QString& path);
// A write past the file-size limit fails with an error instead of ending the process.
void IgnoreFileSizeSignal();
bool IsReadOnly(const QString& path);
// Turns Windows separators into '/' (used where stored names hold backslashes).
QString FromWindowsPath(const QString& path);
