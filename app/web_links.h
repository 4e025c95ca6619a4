#pragma once
// The Help menu's ways out of the program: the maker's and the picture site's web pages, and
// the online update through the updater registered in App Paths.
#include <QString>
#include <QStringList>

// The machine's key where programs register their paths, the updater among them.
QString AppPathsKey();
// The address opened for a site's text: "http://" goes in front unless the text begins with
// "http" exactly (so "HTTP://..." gets it too).
QString WebAddress(const QString& text);
// The picture site's address from its host name (string 1653); any length.
QString ImageSiteAddress(const QString& hostName);
// The updater's path from App Paths, "" when none is registered or its file is missing.
QString RegisteredUpdater();
// The updater's two arguments: the update list's address and the program's full path.
QStringList UpdaterArguments(const QString& updateList, const QString& programPath);
