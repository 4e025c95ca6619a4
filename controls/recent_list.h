#pragma once
// Recent-files list: keeps file names, shows them as numbered menu items and stores them
// in the settings store (or an ini file) between runs.
#include "platform/registry.h"

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class QFontMetrics;
class QWidget;
class TscMRUFileList;

enum TMRUDisplay { mdFullPath, mdFileNameExt, mdFileNameOnly, mdCustom };

// A menu item made by the list: numbered file entries, the submenu, separators and the
// clear / remove-obsolete commands.
class TMRUMenuItem : public QAction {
    Q_OBJECT
public:
    explicit TMRUMenuItem(QObject* parent = nullptr);
    ~TMRUMenuItem() override;

    int ItemNumber = 0;        // 1-based position of its name; 0 for other items
    QString FullCaption;       // accelerator prefix + full name (unescaped)
    TscMRUFileList* MRUList = nullptr;

    // The submenu this item opens (owned by the item), or null.
    QMenu* SubMenu() const { return m_subMenu; }
    QMenu* CreateSubMenu(QWidget* parent);

private:
    QPointer<QMenu> m_subMenu;
};

class TscMRUFileList : public QObject {
    Q_OBJECT
public:
    using TMRUClick = std::function<void(QObject* sender, const QString& fileName)>;
    using TMRURemoveObsolete = std::function<void(QObject* sender, const QString& fileName, bool& remove)>;
    using TMRUGetDisplayName = std::function<void(QObject* sender, const QString& fileName, QString& displayName)>;
    using TMRUOnCreateDestroyMRUItem = std::function<void(QObject* sender, TMRUMenuItem* item)>;

    explicit TscMRUFileList(QObject* owner = nullptr);
    ~TscMRUFileList() override;

    // Names in list order, index 0 shown first.
    QStringList Items;

    // Events.
    TMRUClick OnMRUItemClick;
    TMRURemoveObsolete OnRemoveObsolete;
    TMRUGetDisplayName OnGetDisplayName;
    TMRUOnCreateDestroyMRUItem OnCreateMRUItem;
    TMRUOnCreateDestroyMRUItem OnDestroyMRUItem;

    // Plain properties (no side effects when changed).
    bool UseRegistry = true;
    bool AddToTop = true;
    bool RemoveOnClick = true;
    bool AutoSave = true;

    // Properties with setters.
    int Maximum() const { return m_maximum; }
    void SetMaximum(int value);
    QAction* FileMenu() const { return m_fileMenu; }
    void SetFileMenu(QAction* item);
    QMenu* PopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(QMenu* menu);
    bool UseSubmenu() const { return m_useSubmenu; }
    void SetUseSubmenu(bool value);
    bool InsertSeparator() const { return m_insertSeparator; }
    void SetInsertSeparator(bool value);
    int MaxCaptionWidth() const { return m_maxCaptionWidth; }
    void SetMaxCaptionWidth(int value);
    QString SubmenuName() const { return m_submenuName; }
    void SetSubmenuName(const QString& text);
    QString ClearItemName() const { return m_clearItemName; }
    void SetClearItemName(const QString& text);
    QString RemoveObsoleteName() const { return m_removeObsoleteName; }
    void SetRemoveObsoleteName(const QString& text);
    bool ShowClearItem() const { return m_showClearItem; }
    void SetShowClearItem(bool value);
    bool ShowRemoveObsolete() const { return m_showRemoveObsolete; }
    void SetShowRemoveObsolete(bool value);
    QString AutoSaveName() const { return m_autoSaveName; }
    void SetAutoSaveName(const QString& key);
    QString AutoSaveKey() const { return m_autoSaveKey; }
    void SetAutoSaveKey(const QString& key);
    RootKey AutoSaveRootKey() const { return m_rootKey; }
    void SetAutoSaveRootKey(RootKey root);
    TMRUDisplay MRUDisplay() const { return m_display; }
    void SetMRUDisplay(TMRUDisplay value);

    // The owner calls BeginLoading before it sets its stored properties and Loaded after,
    // as a form does while it streams its components in; setters then load only once.
    void BeginLoading() { m_loading = true; }
    virtual void Loaded();

    void AddItem(const QString& fileName);
    void InsertItem(int index, const QString& fileName);
    void ReplaceItem(const QString& oldName, const QString& newName);
    void ClearItem(const QString& fileName);
    void AddStringList(const QStringList& list);
    void AddStrings(const QStringList& list) { AddStringList(list); }
    void RemoveAllItems();
    void Load();
    bool Save();

    virtual void PopulateMenu();
    virtual void ClearAllItems();
    virtual void RemoveObsoleteItems();

    // Pixel-width shortening of a path: leading folders give way to "...".
    static QString MinimizeName(const QString& path, const QFontMetrics& metrics, int maxWidth);
    // Menu text showing the name as itself ("&" doubled).
    static QString EscapeMenuText(const QString& text);

    // Captions of the components' own resource strings.
    static QString DefaultSubmenuName() { return QStringLiteral("Reopen"); }
    static QString DefaultClearItemName() { return QStringLiteral("&Clear MRU List"); }
    static QString DefaultRemoveObsoleteName() { return QStringLiteral("&Remove Obsolete"); }

protected:
    friend class TMRUMenuItem;
    virtual void GetDisplayName(const QString& fileName, QString& displayName);
    virtual void RemoveObsolete(const QString& fileName, bool& remove);
    virtual void MRUItemClick(const QString& fileName);
    virtual void CreateMRUItem(TMRUMenuItem* item);
    virtual void DestroyMRUItem(TMRUMenuItem* item);

private:
    int indexOf(const QString& name) const;
    void trimTo(int count);
    void ItemClick(TMRUMenuItem* item);
    void CommandClick(void (TscMRUFileList::*command)());
    void discard(TMRUMenuItem* item);
    QString captionFor(int i, const QString& name, QString& fullCaption);
    TMRUMenuItem* newItem(QMenu* container, int& position);

    int m_maximum = 5;
    QPointer<QAction> m_fileMenu;
    QPointer<QMenu> m_popupMenu;
    bool m_useSubmenu = false;
    bool m_insertSeparator = true;
    int m_maxCaptionWidth = 200;
    QString m_submenuName;
    QString m_clearItemName;
    QString m_removeObsoleteName;
    bool m_showClearItem = true;
    bool m_showRemoveObsolete = true;
    QString m_autoSaveName = QStringLiteral("\\Software\\Tarnwick\\");
    QString m_autoSaveKey = QStringLiteral("MRU Items");
    RootKey m_rootKey = RootKey::CurrentUser;
    TMRUDisplay m_display = mdFullPath;
    bool m_loading = false;
    bool m_inhibitUpdate = false;
    int m_inClick = 0;   // items removed while one of them fires are freed later
};
