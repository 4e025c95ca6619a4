#pragma once
// A combo box whose items carry an image and an indent, and on it the shell combo box: the
// desktop's items and the chain of folders down to the selected one, like an address bar.
#include "shellcontrols/shell_controls.h"

#include <QComboBox>
#include <functional>
#include <memory>

class QTreeWidgetItem;
class TNSCustomShellTree;
class TNSCustomShellList;
class TNSCustomImageCombo;

class TNSImageComboItem {
public:
    explicit TNSImageComboItem(TNSCustomImageCombo* owner) : m_owner(owner) {}
    int Indent() const { return m_indent; }
    void SetIndent(int v);
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int v);
    int OverlayIndex() const { return m_overlayIndex; }
    void SetOverlayIndex(int v);
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& v);
    int Index = -1;
    void* Data = nullptr;

private:
    TNSCustomImageCombo* m_owner;
    int m_indent = 0;
    int m_imageIndex = -1;
    int m_overlayIndex = -1;
    QString m_caption;
};

class TNSCustomImageCombo : public QComboBox {
    Q_OBJECT
public:
    explicit TNSCustomImageCombo(QWidget* parent = nullptr);
    ~TNSCustomImageCombo() override;

    TNSImageComboItem* AddItem(const QString& caption, int indent, int imageIndex);
    TNSImageComboItem* ImageComboItem(int index) const;
    void ClearItems();
    // Fills what an item still lacks (the shell combo asks the shell).
    virtual void GetItemData(TNSImageComboItem* item);
    virtual void DeleteItem(TNSImageComboItem* item);
    int IndentPixels = 12;
    bool AutoSizeHeight = true;
    std::function<void(QObject*, TNSImageComboItem*)> OnDeleteItem, OnGetItemData;

private:
    friend class TNSImageComboItem;
    std::vector<std::unique_ptr<TNSImageComboItem>> m_items;
};

// What an entry of the shell combo knows of its item.
struct TNSShComboData {
    IShellFolder ParentFolder;
    QByteArray ParentAbsolute, Relative, Absolute;   // lists with their terminators
    IShellFolder This;
    IShellFolder ThisIShf();
};

enum TNSShellComboOption { ptscoAutofill, ptscoNonFilesystemAncestors };

class TNSCustomShellCombo : public TNSCustomImageCombo {
    Q_OBJECT
public:
    explicit TNSCustomShellCombo(QWidget* parent = nullptr);
    ~TNSCustomShellCombo() override;

    TNSShellLocator SelectedFolder;
    uint32_t Options = (1u << ptscoAutofill) | (1u << ptscoNonFilesystemAncestors);
    bool AutoDropDownCount = true;

    void FillItems();
    virtual void FillCombo(IShellFolder folder, PCItemIDList folderPidl, int indent, TNSIdListArray& path);
    virtual bool CanAdd(IShellFolder folder, PCItemIDList parentPidl, PCItemIDList itemPidl, uint32_t attributes,
                        int indent);
    void GoUp(int levels);
    void TreeChanged(QTreeWidgetItem* node);
    TNSCustomShellTree* ShellTree() const { return m_tree; }
    TNSCustomShellList* ShellList() const { return m_list; }
    void SetShellTree(TNSCustomShellTree* tree);
    void SetShellList(TNSCustomShellList* list);
    // Rows the drop-down shows: what fits between the box and the bottom of the screen, one
    // at least.
    int DropDownRows() const;
    PCItemIDList ItemIdList(int index) const;

    void GetItemData(TNSImageComboItem* item) override;
    void DeleteItem(TNSImageComboItem* item) override;
    void showPopup() override;

private:
    void SelectedFolderChanged();
    void SelEndOk(int index);
    TNSImageComboItem* addShellItem(IShellFolder folder, PCItemIDList folderPidl, PCItemIDList item,
                                    uint32_t attributes, int indent);
    TNSCustomShellTree* m_tree = nullptr;
    TNSCustomShellList* m_list = nullptr;
    int m_reentrancy = 0;
};

class TNSShellCombo : public TNSCustomShellCombo {
    Q_OBJECT
public:
    using TNSCustomShellCombo::TNSCustomShellCombo;
};
