#include "app/paper_tree.h"

#include "document/paper_type.h"

#include <QHeaderView>
#include <QStringList>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>

namespace {

constexpr int MarkerRole = Qt::UserRole;
constexpr int PaperRole = Qt::UserRole + 1;
constexpr int IdRole = Qt::UserRole + 2;

constexpr int kImagePaper = 0;
constexpr int kImageClassification = 1;
constexpr int kImageManufacturer = 13;

// Case-insensitive, in the user's locale; between texts that differ only in case the
// lower-case letter goes first, whatever the locale.
bool textLess(const QString& a, const QString& b)
{
    const int c = QString::localeAwareCompare(a.toLower(), b.toLower());
    if (c != 0)
        return c < 0;
    auto swapped = [](QString s) {
        for (QChar& ch : s)
            ch = ch.isLower() ? ch.toUpper() : ch.toLower();
        return s;
    };
    return swapped(a) < swapped(b);
}

void sortChildren(QTreeWidgetItem* parent)
{
    QList<QTreeWidgetItem*> children = parent->takeChildren();
    std::stable_sort(children.begin(), children.end(),
                     [](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
                         return textLess(a->text(0), b->text(0));
                     });
    parent->addChildren(children);
    for (QTreeWidgetItem* c : children)
        sortChildren(c);
}

} // namespace

void SetUpPaperTreeWidget(QTreeWidget* tree)
{
    tree->setHeaderHidden(true);
    tree->setIndentation(19);
    tree->setColumnCount(1);
    tree->header()->setStretchLastSection(false);
    tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
}

void FillPaperTreeWidget(QTreeWidget* tree, bool byManufacturer, const ImageListFunction& images,
                         bool sheetsOnly)
{
    auto image = [&](int index) { return images ? images(index) : QIcon(); };
    const TPaperCatalogue& cat = PaperCatalogue();
    QStringList makers, classes;
    for (const PaperType* p : cat) {
        if (sheetsOnly && p->ShapeCount < 2)
            continue;
        if (!makers.contains(p->Manufacturer))
            makers << p->Manufacturer;
        if (!classes.contains(p->Classification))
            classes << p->Classification;
    }
    std::stable_sort(makers.begin(), makers.end(), textLess);
    std::stable_sort(classes.begin(), classes.end(), textLess);

    const QStringList& upper = byManufacturer ? makers : classes;
    const QStringList& lower = byManufacturer ? classes : makers;
    const int upperMarker = byManufacturer ? ManufacturerNodeMarker : ClassificationNodeMarker;
    const int lowerMarker = byManufacturer ? ClassificationNodeMarker : ManufacturerNodeMarker;
    auto markerImage = [](int marker) {
        return marker == ManufacturerNodeMarker ? kImageManufacturer : kImageClassification;
    };

    tree->setUpdatesEnabled(false);
    tree->clear();
    QTreeWidgetItem* root = tree->invisibleRootItem();
    for (const QString& u : upper) {
        auto* top = new QTreeWidgetItem(QStringList(u));
        top->setData(0, MarkerRole, upperMarker);
        top->setIcon(0, image(markerImage(upperMarker)));
        for (const QString& l : lower) {
            auto* group = new QTreeWidgetItem(QStringList(l));
            group->setData(0, MarkerRole, lowerMarker);
            group->setIcon(0, image(markerImage(lowerMarker)));
            for (PaperType* p : cat) {
                const QString& pu = byManufacturer ? p->Manufacturer : p->Classification;
                const QString& pl = byManufacturer ? p->Classification : p->Manufacturer;
                if (pu != u || pl != l || (sheetsOnly && p->HasPreview))
                    continue;
                auto* leaf = new QTreeWidgetItem(QStringList(p->Name));
                leaf->setData(0, MarkerRole, 0);
                leaf->setData(0, PaperRole, QVariant::fromValue(reinterpret_cast<quintptr>(p)));
                leaf->setData(0, IdRole, p->ID.toByteArray());
                leaf->setIcon(0, image(kImagePaper));
                group->addChild(leaf);
            }
            if (group->childCount() == 0)
                delete group;
            else
                top->addChild(group);
        }
        if (top->childCount() == 0)
            delete top;
        else
            root->addChild(top);
    }
    sortChildren(root);
    tree->expandAll();
    tree->setUpdatesEnabled(true);
}

int PaperNodeMarker(const QTreeWidgetItem* node)
{
    return node ? node->data(0, MarkerRole).toInt() : 0;
}

PaperType* PaperNodePaper(const QTreeWidgetItem* node)
{
    if (!node || PaperNodeMarker(node) != 0)
        return nullptr;
    auto* p = reinterpret_cast<PaperType*>(node->data(0, PaperRole).value<quintptr>());
    const auto& cat = PaperCatalogue();
    // A record deleted since the tree was filled is not followed.
    return std::find(cat.begin(), cat.end(), p) != cat.end() ? p : nullptr;
}

TGUID PaperNodeID(const QTreeWidgetItem* node)
{
    if (!node)
        return TGUID{};
    const QByteArray b = node->data(0, IdRole).toByteArray();
    if (b.size() != 16)
        return TGUID{};
    return TGUID::fromBytes(reinterpret_cast<const uint8_t*>(b.constData()));
}

QTreeWidgetItem* FindPaperNode(const QTreeWidget* tree, const TGUID& id)
{
    const QByteArray wanted = id.toByteArray();
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(tree)); *it; ++it)
        if (PaperNodeMarker(*it) == 0 && (*it)->data(0, IdRole).toByteArray() == wanted)
            return *it;
    return nullptr;
}
