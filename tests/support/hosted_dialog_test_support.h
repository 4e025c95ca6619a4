#pragma once
// Driving a hosted common dialog from a test: run checks while its frame is up, press its items,
// read and pick the entries of a file dialog's list.
#include "controls/host_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFileDialog>
#include <QListView>
#include <QStringList>
#include <QTest>
#include <QTimer>

namespace testsupport {

// How long a hosted-dialog test waits for what the dialog's own threads bring (a folder listing, a
// preview) before failing: it returns as soon as the thing arrives, so this only needs to cover a
// loaded machine running the sanitizer build.
constexpr int kHostedDialogWaitMs = 30000;

// Runs f once d's frame is up; a dialog still open a minute later is cancelled so a failing check
// never hangs the suite (long enough for a loaded machine running the sanitizer build).
template <class F>
void WhileHostedDialogRuns(TFormCommonDialog* d, F f)
{
    QTimer::singleShot(0, d, [d, f] {
        if (!d->FrameHandle() || !d->Showing()) {
            ADD_FAILURE() << "the dialog is not running";
            return;
        }
        f();
    });
    QTimer::singleShot(60000, d, [d] {
        if (d->FrameHandle()) {
            ADD_FAILURE() << "the dialog was still open";
            d->FrameHandle()->reject();
        }
    });
}

// Presses the button that plays item id of the running dialog.
inline void ClickDialogItem(TFormCommonDialog* d, int id)
{
    auto* b = qobject_cast<QAbstractButton*>(d->DialogItem(id));
    ASSERT_NE(b, nullptr) << id;
    b->click();
}

// The names the running file dialog lists in its folder, as they are now.
inline QStringList ListedFileNames(QFileDialog* fd)
{
    QStringList names;
    auto* list = fd ? fd->findChild<QListView*>(QStringLiteral("listView")) : nullptr;
    if (!list)
        return names;
    for (int r = 0; r < list->model()->rowCount(list->rootIndex()); ++r)
        names << list->model()->index(r, 0, list->rootIndex()).data().toString();
    return names;
}

// Selects name in the running file dialog's list as a click does. The folder's entries arrive
// from the file system model's own thread, so it waits for the name.
inline void SelectInFileList(QFileDialog* fd, const QString& name)
{
    auto* list = fd ? fd->findChild<QListView*>(QStringLiteral("listView")) : nullptr;
    ASSERT_NE(list, nullptr);
    QModelIndex index;
    (void)QTest::qWaitFor(
        [&] {
            for (int r = 0; r < list->model()->rowCount(list->rootIndex()); ++r) {
                const QModelIndex i = list->model()->index(r, 0, list->rootIndex());
                if (i.data().toString() == name)
                    index = i;
            }
            return index.isValid();
        },
        kHostedDialogWaitMs);
    ASSERT_TRUE(index.isValid()) << name.toStdString();
    list->setCurrentIndex(index);
}

} // namespace testsupport
