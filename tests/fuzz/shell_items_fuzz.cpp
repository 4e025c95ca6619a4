// Shell item blocks from outside: "Shell IDList Array" clipboard and drag data, the folder
// locator's stream, mount-table lines and file URI lists. The first byte picks the reader.
#include "fuzz_target.h"

#include "shellcontrols/shell_controls.h"
#include "shellcontrols/shell_namespace.h"

#include <QMimeData>
#include <cstddef>
#include <cstdint>

KORVANE_FUZZ_TARGET(shell_items)
{
    if (size < 1)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    switch (data[0] % 4) {
    case 0: {
        QByteArray parent;
        std::vector<QByteArray> items;
        if (ReadIdListArray(bytes, parent, items)) {
            // What was read is whole: every list walks to its terminator within itself.
            if (IdListLen(reinterpret_cast<PCItemIDList>(parent.constData())) != uint32_t(parent.size()))
                __builtin_trap();
            for (const QByteArray& item : items)
                if (IdListLen(reinterpret_cast<PCItemIDList>(item.constData())) != uint32_t(item.size()))
                    __builtin_trap();
        }
        QMimeData mime;
        mime.setData(QString::fromLatin1(ShellIdListMimeType), bytes);
        bool cut = false;
        (void)ShellItemsPaths(&mime, &cut);
        break;
    }
    case 1: {
        TNSShellLocator locator;
        if (locator.ReadData(bytes) && locator.Kind() == TNSShellLocator::usePidl) {
            const QByteArray again = locator.WriteData();
            TNSShellLocator back;
            if (!again.isEmpty() && !back.ReadData(again))
                __builtin_trap();
        }
        break;
    }
    case 2: (void)ParseMountTable(bytes); break;
    default: {
        // A path read from a URL goes back to the same URL and path: no byte is lost or made up.
        for (const QByteArray& line : bytes.split('\n')) {
            const QByteArray path = NativePathOfFileUrl(line.trimmed());
            if (!path.isEmpty() && NativePathOfFileUrl(FileUrlOfNativePath(path)) != path)
                __builtin_trap();
        }
        QMimeData mime;
        mime.setData(QStringLiteral("text/uri-list"), bytes);
        (void)ShellItemsPaths(&mime);
        break;
    }
    }
    return 0;
}
