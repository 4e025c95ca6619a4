#include "bars/toolbar_positions.h"

#include "bars/tool_window_base.h"
#include "platform/ini_file.h"
#include "platform/message_box.h"

#include <QWidget>
#include <algorithm>

namespace {

std::vector<TCustomToolWindowX*> ToolWindowsOf(QWidget* form)
{
    QList<TCustomToolWindowX*> found = form->findChildren<TCustomToolWindowX*>();
    std::vector<TCustomToolWindowX*> windows(found.begin(), found.end());
    std::sort(windows.begin(), windows.end(), [](const TCustomToolWindowX* a, const TCustomToolWindowX* b) {
        return a->CreationSerial() < b->CreationSerial();
    });
    return windows;
}

// The dock of this name where the bar may be put back: one it can be dragged off again and
// that it may dock to.
TDockX* DockNamed(QWidget* form, const QString& name, const TCustomToolWindowX* bar)
{
    if (name.isEmpty())
        return nullptr;
    for (TDockX* dock : form->findChildren<TDockX*>())
        if (dock->objectName() == name)
            return dock->AllowDrag() && (bar->DockableTo & DockableBit(dock->Position())) ? dock : nullptr;
    return nullptr;
}

// Bars saved on a larger screen are all pulled into its corner: each one pulled goes where it
// covers no floating bar placed before it, where the screen has room.
void PlaceApart(const std::vector<TCustomToolWindowX*>& windows,
                const std::vector<TCustomToolWindowX*>& pulledOnScreen)
{
    const auto pulled = [&](const TCustomToolWindowX* w) {
        return std::find(pulledOnScreen.begin(), pulledOnScreen.end(), w) != pulledOnScreen.end();
    };
    std::vector<QRect> placed;
    for (const TCustomToolWindowX* w : windows)
        if (!w->Docked() && !w->isHidden() && !pulled(w))
            placed.push_back(QRect(w->FloatingPosition(), w->size()));
    for (TCustomToolWindowX* w : pulledOnScreen) {
        const QRect r(w->FloatingPosition(), w->size());
        w->SetFloatingPosition(
            UncoveredPlaceFor(r.topLeft(), r.size(), GetRectOfMonitorContaining(r), placed));
        if (!w->isHidden())
            placed.push_back(QRect(w->FloatingPosition(), w->size()));
    }
}

} // namespace

void CustomLoadToolbarPositions(QWidget* form, const TPositionReadIntProc& readInt,
                                const TPositionReadStringProc& readString, void* extraData)
{
    if (!form)
        return;
    const QList<TDockX*> docks = form->findChildren<TDockX*>();
    for (TDockX* dock : docks)
        dock->BeginUpdate();
    struct EndUpdates {
        const QList<TDockX*>& docks;
        ~EndUpdates()
        {
            for (TDockX* dock : docks)
                dock->EndUpdate();
        }
    } endUpdates{docks};

    const std::vector<TCustomToolWindowX*> windows = ToolWindowsOf(form);
    std::vector<TCustomToolWindowX*> pulledOnScreen;
    for (TCustomToolWindowX* tw : windows) {
        const QString name = tw->objectName();
        if (name.isEmpty())
            throw EKorvaneError(DockBarsString(NoNameErrorString));
        const int rev = readInt(name, QStringLiteral("Rev"), 0, extraData);
        if (rev != 2 && rev != 3)
            continue;
        tw->setVisible(readInt(name, QStringLiteral("Visible"), tw->isHidden() ? 0 : 1, extraData) != 0);
        const QString dockedTo = readString(name, QStringLiteral("DockedTo"), QString(), extraData);
        if (dockedTo.isEmpty())
            continue;
        TDockX* dock = nullptr;
        if (dockedTo != QLatin1String("+")) {
            dock = DockNamed(form, dockedTo, tw);
            if (!dock)
                continue;
        }
        // Rows are renumbered by the dock; positions stay within reach of any screen.
        const int row = std::clamp(readInt(name, QStringLiteral("DockRow"), tw->DockRow(), extraData), 0,
                                   StoredCoordinateLimit);
        const int pos = std::clamp(readInt(name, QStringLiteral("DockPos"), tw->DockPos(), extraData),
                                   -StoredCoordinateLimit, StoredCoordinateLimit);
        const QPoint floating = tw->FloatingPosition();
        const int left = std::clamp(readInt(name, QStringLiteral("FloatLeft"), floating.x(), extraData),
                                    -StoredCoordinateLimit, StoredCoordinateLimit);
        const int top = std::clamp(readInt(name, QStringLiteral("FloatTop"), floating.y(), extraData),
                                   -StoredCoordinateLimit, StoredCoordinateLimit);
        tw->BeginUpdate();
        tw->SetDockRow(row);
        tw->SetDockPos(pos);
        tw->ReadPositionData(
            [&](const QString& value, int def) { return readInt(name, value, def, extraData); });
        tw->SetFloatingPosition(QPoint(left, top));
        if (!dock) {
            tw->SetParent(form);
            tw->SetFloatingPosition(QPoint(left, top));
            if (rev >= 3 && tw->UseLastDock()) {
                if (TDockX* last = DockNamed(
                        form, readString(name, QStringLiteral("LastDock"), QString(), extraData), tw))
                    tw->SetLastDock(last);
            }
        } else {
            tw->SetParent(dock);
        }
        tw->EndUpdate();
        tw->ArrangeControls();
        if (!dock) {
            const QPoint saved = tw->FloatingPosition();
            tw->MoveOnScreen(true);
            if (tw->FloatingPosition() != saved)
                pulledOnScreen.push_back(tw);
        }
        tw->DoneReadingPositionData();
    }
    PlaceApart(windows, pulledOnScreen);
}

void CustomSaveToolbarPositions(QWidget* form, const TPositionWriteIntProc& writeInt,
                                const TPositionWriteStringProc& writeString, void* extraData)
{
    if (!form)
        return;
    for (TCustomToolWindowX* tw : ToolWindowsOf(form)) {
        const QString name = tw->objectName();
        if (name.isEmpty())
            throw EKorvaneError(DockBarsString(NoNameErrorString));
        TDockX* dock = tw->DockedTo();
        if (dock && dock->AllowDrag() && dock->objectName().isEmpty())
            throw EKorvaneError(DockBarsString(NoDockedToNameErrorString));
        writeInt(name, QStringLiteral("Rev"), 3, extraData);
        writeInt(name, QStringLiteral("Visible"), tw->isHidden() ? 0 : 1, extraData);
        writeString(name, QStringLiteral("DockedTo"),
                    !dock               ? QStringLiteral("+")
                    : dock->AllowDrag() ? dock->objectName()
                                        : QString(),
                    extraData);
        writeString(name, QStringLiteral("LastDock"),
                    tw->LastDock() ? tw->LastDock()->objectName() : QString(), extraData);
        writeInt(name, QStringLiteral("DockRow"), tw->DockRow(), extraData);
        writeInt(name, QStringLiteral("DockPos"), tw->DockPos(), extraData);
        writeInt(name, QStringLiteral("FloatLeft"), tw->FloatingPosition().x(), extraData);
        writeInt(name, QStringLiteral("FloatTop"), tw->FloatingPosition().y(), extraData);
        tw->WritePositionData(
            [&](const QString& value, int data) { writeInt(name, value, data, extraData); });
    }
}

void IniLoadToolbarPositions(QWidget* form, const QString& filename, const QString& sectionNamePrefix)
{
    TIniFile ini(filename);
    CustomLoadToolbarPositions(
        form,
        [&](const QString& tb, const QString& value, int def, void*) {
            return ini.ReadInteger(sectionNamePrefix + tb, value, def);
        },
        [&](const QString& tb, const QString& value, const QString& def, void*) {
            return ini.ReadString(sectionNamePrefix + tb, value, def);
        },
        nullptr);
}

void IniSaveToolbarPositions(QWidget* form, const QString& filename, const QString& sectionNamePrefix)
{
    TIniFile ini(filename);
    CustomSaveToolbarPositions(
        form,
        [&](const QString& tb, const QString& value, int data, void*) {
            ini.WriteInteger(sectionNamePrefix + tb, value, data);
        },
        [&](const QString& tb, const QString& value, const QString& data, void*) {
            ini.WriteString(sectionNamePrefix + tb, value, data);
        },
        nullptr);
    ini.UpdateFile();
}

void RegLoadToolbarPositions(QWidget* form, const QString& baseRegistryKey)
{
    RegLoadToolbarPositionsEx(form, RootKey::CurrentUser, baseRegistryKey);
}

void RegSaveToolbarPositions(QWidget* form, const QString& baseRegistryKey)
{
    RegSaveToolbarPositionsEx(form, RootKey::CurrentUser, baseRegistryKey);
}

void RegLoadToolbarPositionsEx(QWidget* form, RootKey rootKey, const QString& baseRegistryKey)
{
    TRegIniFile reg(baseRegistryKey, rootKey);
    CustomLoadToolbarPositions(
        form,
        [&](const QString& tb, const QString& value, int def, void*) {
            return reg.ReadInteger(tb, value, def);
        },
        [&](const QString& tb, const QString& value, const QString& def, void*) {
            return reg.ReadString(tb, value, def);
        },
        nullptr);
}

void RegSaveToolbarPositionsEx(QWidget* form, RootKey rootKey, const QString& baseRegistryKey)
{
    TRegIniFile reg(baseRegistryKey, rootKey);
    CustomSaveToolbarPositions(
        form,
        [&](const QString& tb, const QString& value, int data, void*) { reg.WriteInteger(tb, value, data); },
        [&](const QString& tb, const QString& value, const QString& data, void*) {
            reg.WriteString(tb, value, data);
        },
        nullptr);
}
