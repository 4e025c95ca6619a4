#pragma once
// Saving and restoring, for every tool window of a form, whether it shows, where it is docked or
// floating and its size data: in an ini file, in the registry, or through the caller's procedures.
// Saved positions are outside data: rows, positions and sizes are brought back into range.
#include "platform/registry.h"

#include <QString>
#include <functional>

class QWidget;

using TPositionReadIntProc =
    std::function<int(const QString& toolbarName, const QString& value, int def, void* extraData)>;
using TPositionReadStringProc = std::function<QString(const QString& toolbarName, const QString& value,
                                                      const QString& def, void* extraData)>;
using TPositionWriteIntProc =
    std::function<void(const QString& toolbarName, const QString& value, int data, void* extraData)>;
using TPositionWriteStringProc = std::function<void(const QString& toolbarName, const QString& value,
                                                    const QString& data, void* extraData)>;

void CustomLoadToolbarPositions(QWidget* form, const TPositionReadIntProc& readInt,
                                const TPositionReadStringProc& readString, void* extraData);
void CustomSaveToolbarPositions(QWidget* form, const TPositionWriteIntProc& writeInt,
                                const TPositionWriteStringProc& writeString, void* extraData);

void IniLoadToolbarPositions(QWidget* form, const QString& filename, const QString& sectionNamePrefix);
void IniSaveToolbarPositions(QWidget* form, const QString& filename, const QString& sectionNamePrefix);

void RegLoadToolbarPositions(QWidget* form, const QString& baseRegistryKey);
void RegSaveToolbarPositions(QWidget* form, const QString& baseRegistryKey);
void RegLoadToolbarPositionsEx(QWidget* form, RootKey rootKey, const QString& baseRegistryKey);
void RegSaveToolbarPositionsEx(QWidget* form, RootKey rootKey, const QString& baseRegistryKey);
