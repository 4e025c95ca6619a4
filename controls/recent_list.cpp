#include "controls/recent_list.h"

#include "platform/ini_file.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMenu>
#include <algorithm>

namespace {

const char kAccelerators[] = "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// The menu an item sits in (first one when shared).
QMenu* containingMenu(const QAction* action)
{
    for (QObject* o : action->associatedObjects())
        if (auto* m = qobject_cast<QMenu*>(o))
            return m;
    return nullptr;
}

void insertAt(QMenu* container, QAction* action, int& position)
{
    const QList<QAction*> actions = container->actions();
    QAction* before = position >= 0 && position < actions.size() ? actions.at(position) : nullptr;
    container->insertAction(before, action);
    ++position;
}

QString fileNamePart(const QString& path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

QString withoutExtension(const QString& name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot <= 0 ? name : name.left(dot);
}

} // namespace

// --- TMRUMenuItem ------------------------------------------------------------------

TMRUMenuItem::TMRUMenuItem(QObject* parent) : QAction(parent)
{
    FullCaption = text();
}

TMRUMenuItem::~TMRUMenuItem()
{
    if (MRUList)
        MRUList->DestroyMRUItem(this);
    delete m_subMenu.data();
}

QMenu* TMRUMenuItem::CreateSubMenu(QWidget* parent)
{
    if (!m_subMenu) {
        m_subMenu = new QMenu(parent);
        setMenu(m_subMenu.data());
    }
    return m_subMenu;
}

// --- TscMRUFileList ----------------------------------------------------------------

TscMRUFileList::TscMRUFileList(QObject* owner)
    : QObject(owner),
      m_submenuName(DefaultSubmenuName()),
      m_clearItemName(DefaultClearItemName()),
      m_removeObsoleteName(DefaultRemoveObsoleteName())
{
}

TscMRUFileList::~TscMRUFileList()
{
    if (AutoSave) {
        try {
            Save();
        } catch (...) {
            // a failed save must not escape a destructor
        }
    }
    // The owner may be half gone by now: no events from here on.
    OnDestroyMRUItem = nullptr;
    OnCreateMRUItem = nullptr;
    OnMRUItemClick = nullptr;
    const QList<TMRUMenuItem*> items = findChildren<TMRUMenuItem*>(Qt::FindDirectChildrenOnly);
    for (TMRUMenuItem* item : items)
        item->MRUList = nullptr;
    qDeleteAll(items);
}

int TscMRUFileList::indexOf(const QString& name) const
{
    // File names on Linux differ by case.
    return Items.indexOf(name);
}

void TscMRUFileList::trimTo(int count)
{
    while (Items.size() > std::max(count, 0)) {
        if (AddToTop)
            Items.removeLast();
        else
            Items.removeFirst();
    }
}

void TscMRUFileList::AddItem(const QString& fileName)
{
    const int i = indexOf(fileName);
    if (i >= 0) {
        Items.move(i, AddToTop ? 0 : Items.size() - 1);
    } else {
        if (AddToTop)
            Items.prepend(fileName);
        else
            Items.append(fileName);
        trimTo(m_maximum);
    }
    if (!m_inhibitUpdate)
        PopulateMenu();
}

void TscMRUFileList::InsertItem(int index, const QString& fileName)
{
    const int i = indexOf(fileName);
    if (i >= 0) {
        Items.move(i, std::clamp(index, 0, int(Items.size()) - 1));
    } else {
        while (!Items.isEmpty() && Items.size() >= m_maximum) {
            if (AddToTop)
                Items.removeLast();
            else
                Items.removeFirst();
        }
        Items.insert(std::clamp(index, 0, int(Items.size())), fileName);
    }
    if (!m_inhibitUpdate)
        PopulateMenu();
}

void TscMRUFileList::ReplaceItem(const QString& oldName, const QString& newName)
{
    const int i = indexOf(oldName);
    if (i >= 0) {
        Items.removeAt(i);
        Items.insert(i, newName);
    }
    if (!m_inhibitUpdate)
        PopulateMenu();
}

void TscMRUFileList::ClearItem(const QString& fileName)
{
    const int i = indexOf(fileName);
    if (i < 0)
        return;
    Items.removeAt(i);
    PopulateMenu();
}

void TscMRUFileList::AddStringList(const QStringList& list)
{
    m_inhibitUpdate = true;
    for (const QString& s : list)
        AddItem(s);
    m_inhibitUpdate = false;
    PopulateMenu();
}

void TscMRUFileList::SetMaximum(int value)
{
    value = std::clamp(value, 0, 255);
    if (value == m_maximum)
        return;
    if (value < m_maximum) {
        trimTo(value);
        m_maximum = value;
        PopulateMenu();
    }
    m_maximum = value;
}

void TscMRUFileList::SetFileMenu(QAction* item)
{
    RemoveAllItems();
    m_fileMenu = item;
    PopulateMenu();
}

void TscMRUFileList::SetPopupMenu(QMenu* menu)
{
    RemoveAllItems();
    m_popupMenu = menu;
    PopulateMenu();
}

void TscMRUFileList::SetUseSubmenu(bool value)
{
    if (value == m_useSubmenu)
        return;
    m_useSubmenu = value;
    PopulateMenu();
}

void TscMRUFileList::SetInsertSeparator(bool value)
{
    if (value == m_insertSeparator)
        return;
    m_insertSeparator = value;
    PopulateMenu();
}

void TscMRUFileList::SetMaxCaptionWidth(int value)
{
    if (value == m_maxCaptionWidth)
        return;
    m_maxCaptionWidth = value;
    PopulateMenu();
}

void TscMRUFileList::SetSubmenuName(const QString& text)
{
    if (text == m_submenuName)
        return;
    m_submenuName = text;
    if (m_useSubmenu)
        PopulateMenu();
}

void TscMRUFileList::SetClearItemName(const QString& text)
{
    if (text == m_clearItemName)
        return;
    m_clearItemName = text;
    PopulateMenu();
}

void TscMRUFileList::SetRemoveObsoleteName(const QString& text)
{
    if (text == m_removeObsoleteName)
        return;
    m_removeObsoleteName = text;
    PopulateMenu();
}

void TscMRUFileList::SetShowClearItem(bool value)
{
    if (value == m_showClearItem)
        return;
    m_showClearItem = value;
    PopulateMenu();
}

void TscMRUFileList::SetShowRemoveObsolete(bool value)
{
    if (value == m_showRemoveObsolete)
        return;
    m_showRemoveObsolete = value;
    PopulateMenu();
}

void TscMRUFileList::SetAutoSaveName(const QString& key)
{
    if (key == m_autoSaveName)
        return;
    QString k = key;
    if (UseRegistry && !k.isEmpty()) {
        if (!k.startsWith(QLatin1Char('\\')))
            k.prepend(QLatin1Char('\\'));
        if (!k.endsWith(QLatin1Char('\\')))
            k.append(QLatin1Char('\\'));
    }
    m_autoSaveName = k;
    if (AutoSave && !m_loading)
        Load();
}

void TscMRUFileList::SetAutoSaveKey(const QString& key)
{
    if (key == m_autoSaveKey)
        return;
    m_autoSaveKey = key;
    if (AutoSave && !m_loading)
        Load();
}

void TscMRUFileList::SetAutoSaveRootKey(RootKey root)
{
    m_rootKey = root;
    if (AutoSave)
        Load();
}

void TscMRUFileList::SetMRUDisplay(TMRUDisplay value)
{
    m_display = value;
    if (AutoSave && !m_loading)
        Load();
}

void TscMRUFileList::Loaded()
{
    m_loading = false;
    if (AutoSave)
        Load();
}

QString TscMRUFileList::EscapeMenuText(const QString& text)
{
    QString s = text;
    s.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return s;
}

QString TscMRUFileList::MinimizeName(const QString& path, const QFontMetrics& metrics, int maxWidth)
{
    auto fits = [&](const QString& s) { return metrics.horizontalAdvance(s) <= maxWidth; };
    if (fits(path))
        return path;
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return path;
    const QString name = path.mid(slash + 1);
    const bool rooted = path.startsWith(QLatin1Char('/'));
    QStringList folders = path.left(slash).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QString ellipsis = QStringLiteral("...");
    // Leading folders give way first, one at a time.
    while (!folders.isEmpty()) {
        folders.removeFirst();
        QStringList parts;
        parts << ellipsis << folders << name;
        QString s = parts.join(QLatin1Char('/'));
        if (rooted)
            s.prepend(QLatin1Char('/'));
        if (fits(s))
            return s;
    }
    const QString bare = ellipsis + QLatin1Char('/') + name;
    return fits(bare) ? bare : name;
}

QString TscMRUFileList::captionFor(int i, const QString& name, QString& fullCaption)
{
    QString prefix;
    if (i < 36)
        prefix = QStringLiteral("&") + QLatin1Char(kAccelerators[i]) + QLatin1Char(' ');
    fullCaption = prefix + name;
    const bool hasFolder = name.contains(QLatin1Char('/'));
    switch (m_display) {
    case mdFullPath: {
        if (m_maxCaptionWidth == 0)
            return prefix + EscapeMenuText(name);
        const QFontMetrics fm(QApplication::font("QMenu"));
        return prefix + EscapeMenuText(MinimizeName(name, fm, m_maxCaptionWidth));
    }
    case mdFileNameExt:
        return hasFolder ? EscapeMenuText(fileNamePart(name)) : prefix + EscapeMenuText(name);
    case mdFileNameOnly:
        return hasFolder ? EscapeMenuText(withoutExtension(fileNamePart(name)))
                         : prefix + EscapeMenuText(withoutExtension(name));
    case mdCustom: {
        QString display = prefix + EscapeMenuText(name);
        GetDisplayName(name, display);
        return display;
    }
    }
    return fullCaption;
}

TMRUMenuItem* TscMRUFileList::newItem(QMenu* container, int& position)
{
    auto* item = new TMRUMenuItem(this);
    item->MRUList = this;
    insertAt(container, item, position);
    return item;
}

void TscMRUFileList::PopulateMenu()
{
    if (!m_fileMenu && !m_popupMenu)
        return;
    RemoveAllItems();
    if (Items.isEmpty())
        return;

    QMenu* fileContainer = nullptr;
    int filePos = 0;
    if (m_fileMenu) {
        QMenu* sub = QMenu::menuInAction(m_fileMenu);
        if (sub && !sub->actions().isEmpty()) {
            fileContainer = sub;
            filePos = int(sub->actions().size());
        } else if ((fileContainer = containingMenu(m_fileMenu))) {
            filePos = int(fileContainer->actions().indexOf(m_fileMenu.data()));
        }
    }
    if (fileContainer) {
        if (m_insertSeparator) {
            TMRUMenuItem* sep = newItem(fileContainer, filePos);
            sep->setSeparator(true);
            CreateMRUItem(sep);
        }
        if (m_useSubmenu) {
            TMRUMenuItem* subItem = newItem(fileContainer, filePos);
            subItem->setText(m_submenuName);
            subItem->FullCaption = m_submenuName;
            fileContainer = subItem->CreateSubMenu(fileContainer);
            filePos = 0;
            CreateMRUItem(subItem);
        }
    }

    auto addNames = [this](QMenu* container, int& position) {
        for (int i = 0; i < Items.size(); ++i) {
            TMRUMenuItem* item = newItem(container, position);
            QString full;
            item->setText(captionFor(i, Items.at(i), full));
            item->FullCaption = full;
            item->ItemNumber = i + 1;
            connect(item, &QAction::triggered, this, [this, item] { ItemClick(item); });
            CreateMRUItem(item);
        }
    };
    if (fileContainer)
        addNames(fileContainer, filePos);
    if (m_popupMenu) {
        int pos = 0;
        addNames(m_popupMenu, pos);
    }

    if (fileContainer) {
        if (m_showClearItem || m_showRemoveObsolete) {
            TMRUMenuItem* sep = newItem(fileContainer, filePos);
            sep->setSeparator(true);
            CreateMRUItem(sep);
        }
        if (m_showClearItem) {
            TMRUMenuItem* item = newItem(fileContainer, filePos);
            item->setText(m_clearItemName.isEmpty() ? DefaultClearItemName() : m_clearItemName);
            item->FullCaption = item->text();
            connect(item, &QAction::triggered, this,
                    [this] { CommandClick(&TscMRUFileList::ClearAllItems); });
            CreateMRUItem(item);
        }
        if (m_showRemoveObsolete) {
            TMRUMenuItem* item = newItem(fileContainer, filePos);
            item->setText(m_removeObsoleteName.isEmpty() ? DefaultRemoveObsoleteName()
                                                         : m_removeObsoleteName);
            item->FullCaption = item->text();
            connect(item, &QAction::triggered, this,
                    [this] { CommandClick(&TscMRUFileList::RemoveObsoleteItems); });
            CreateMRUItem(item);
        }
    }
}

void TscMRUFileList::discard(TMRUMenuItem* item)
{
    for (QObject* o : item->associatedObjects())
        if (auto* w = qobject_cast<QWidget*>(o))
            w->removeAction(item);
    if (m_inClick > 0) {
        // The menu that fired is still running its handler.
        item->disconnect(this);
        if (item->SubMenu())
            item->SubMenu()->hide();
        item->deleteLater();
    } else {
        delete item;
    }
}

void TscMRUFileList::RemoveAllItems()
{
    auto sweep = [this](QMenu* menu) {
        if (!menu)
            return;
        const QList<QAction*> actions = menu->actions();
        for (auto it = actions.crbegin(); it != actions.crend(); ++it) {
            auto* item = qobject_cast<TMRUMenuItem*>(*it);
            if (item && item->MRUList == this)
                discard(item);
        }
    };
    if (m_fileMenu) {
        QMenu* sub = QMenu::menuInAction(m_fileMenu);
        sweep(sub && !sub->actions().isEmpty() ? sub : containingMenu(m_fileMenu));
    }
    sweep(m_popupMenu);
}

void TscMRUFileList::ItemClick(TMRUMenuItem* item)
{
    ++m_inClick;
    const int index = item->ItemNumber - 1;
    QString name;
    if (OnMRUItemClick && index >= 0 && index < Items.size())
        name = Items.at(index);
    if (RemoveOnClick && index >= 0 && index < Items.size()) {
        Items.removeAt(index);
        PopulateMenu();
    }
    MRUItemClick(name);
    --m_inClick;
}

void TscMRUFileList::CommandClick(void (TscMRUFileList::*command)())
{
    ++m_inClick;
    (this->*command)();
    --m_inClick;
}

void TscMRUFileList::ClearAllItems()
{
    RemoveAllItems();
    Items.clear();
}

void TscMRUFileList::RemoveObsoleteItems()
{
    bool any = false;
    for (int i = int(Items.size()) - 1; i >= 0; --i) {
        bool remove = false;
        if (OnRemoveObsolete)
            RemoveObsolete(Items.at(i), remove);
        else
            remove = !QFileInfo::exists(Items.at(i));
        if (remove) {
            Items.removeAt(i);
            any = true;
        }
    }
    if (any)
        PopulateMenu();
}

void TscMRUFileList::Load()
{
    ClearAllItems();
    if (m_autoSaveName.isEmpty() || m_autoSaveKey.isEmpty())
        return;
    QStringList lines;
    if (UseRegistry) {
        TRegIniFile reg(m_autoSaveName, m_rootKey);
        for (const QString& name : reg.ReadSection(m_autoSaveKey))
            lines << reg.ReadString(m_autoSaveKey, name, QString());
    } else {
        TIniFile ini(m_autoSaveName);
        for (const QString& line : ini.ReadSectionValues(m_autoSaveKey)) {
            const int eq = line.indexOf(QLatin1Char('='));
            lines << (eq < 0 ? QString() : line.mid(eq + 1));
        }
    }
    // A list grown beyond the maximum elsewhere is cut, not carried along.
    for (const QString& l : lines)
        if (!l.isEmpty() && Items.size() < m_maximum)
            Items << l;
    PopulateMenu();
}

bool TscMRUFileList::Save()
{
    if (m_autoSaveName.isEmpty() || m_autoSaveKey.isEmpty())
        return false;
    if (UseRegistry) {
        TRegIniFile reg(m_autoSaveName, m_rootKey);
        reg.EraseSection(m_autoSaveKey);
        for (int i = 0; i < Items.size(); ++i)
            reg.WriteString(m_autoSaveKey, QStringLiteral("F%1").arg(i), Items.at(i));
        return reg.LastWriteOk();
    }
    TIniFile ini(m_autoSaveName);
    ini.EraseSection(m_autoSaveKey);
    for (int i = 0; i < Items.size(); ++i)
        ini.WriteString(m_autoSaveKey, QStringLiteral("F%1").arg(i), Items.at(i));
    return ini.UpdateFile();
}

void TscMRUFileList::GetDisplayName(const QString& fileName, QString& displayName)
{
    if (OnGetDisplayName)
        OnGetDisplayName(this, fileName, displayName);
}

void TscMRUFileList::RemoveObsolete(const QString& fileName, bool& remove)
{
    if (OnRemoveObsolete)
        OnRemoveObsolete(this, fileName, remove);
}

void TscMRUFileList::MRUItemClick(const QString& fileName)
{
    if (OnMRUItemClick)
        OnMRUItemClick(this, fileName);
}

void TscMRUFileList::CreateMRUItem(TMRUMenuItem* item)
{
    if (OnCreateMRUItem)
        OnCreateMRUItem(this, item);
}

void TscMRUFileList::DestroyMRUItem(TMRUMenuItem* item)
{
    if (OnDestroyMRUItem)
        OnDestroyMRUItem(this, item);
}
