// Toolbar positions: whatever a saved ini file holds, loading it puts the bars somewhere sane,
// never crashes, loops or allocates without bound.
#include "fuzz_target.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

#include "bars/tool_window.h"
#include "bars/toolbar.h"
#include "bars/toolbar_button.h"
#include "bars/toolbar_positions.h"
#include "platform/message_box.h"

namespace {

struct World {
    World()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("KORVANE_REGISTRY_DIR", QFile::encodeName(scratch.path()));
        app = new QApplication(argc, argv);
        path = scratch.path() + QStringLiteral("/positions-%1.ini").arg(getpid());
    }
    QTemporaryDir scratch;
    int argc = 1;
    char name[16] = "fuzz";
    char* argv[2] = {name, nullptr};
    QApplication* app = nullptr;
    QString path;
};

World& TheWorld()
{
    static World world;
    return world;
}

} // namespace

KORVANE_FUZZ_TARGET(toolbar_positions)
{
    World& w = TheWorld();
    {
        QFile file(w.path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    QWidget form;
    form.resize(500, 400);
    auto* layout = new TAlignLayout(&form);
    auto* left = new TDockX(&form, dpLeft);
    left->setObjectName(QStringLiteral("LDock"));
    auto* right = new TDockX(&form, dpRight);
    right->setObjectName(QStringLiteral("RDock"));
    auto* bottom = new TDockX(&form, dpBottom);
    bottom->setObjectName(QStringLiteral("DownDock"));
    layout->AddControl(bottom, TAlignLayout::alBottom);
    layout->AddControl(left, TAlignLayout::alLeft);
    layout->AddControl(right, TAlignLayout::alRight);
    auto* tools = new TToolbarX;
    tools->setObjectName(QStringLiteral("PaintToolBar"));
    new TToolbarButtonX(tools);
    new TToolbarSepX(tools);
    new TToolbarButtonX(tools);
    tools->SetParent(left);
    auto* library = new TToolWindowX;
    library->setObjectName(QStringLiteral("GraphicsLibraryBar"));
    library->SetClientAreaSize(78, 200);
    library->SetParent(right);
    try {
        IniLoadToolbarPositions(&form, w.path, QString());
    } catch (const EKorvaneError&) {
    }
    // The result stays within reach.
    if (library->BarWidth() < library->MinClientWidth || library->BarHeight() < library->MinClientHeight ||
        tools->FloatingWidth() < 0 || left->width() > 100000 || right->width() > 100000 ||
        bottom->height() > 100000)
        abort();
    return 0;
}
