#pragma once
// The paper catalogue as a tree: manufacturer and classification levels over the paper nodes,
// shared by the new-document and paper properties dialogs.
#include "platform/guid.h"

#include <QIcon>
#include <functional>

class QTreeWidget;
class QTreeWidgetItem;
struct PaperType;

// Icons of the main window's image list by index (13 manufacturer, 1 classification, 0 paper).
using ImageListFunction = std::function<QIcon(int index)>;

// Tree node markers of the two group levels; paper nodes carry 0.
constexpr int ManufacturerNodeMarker = 254;
constexpr int ClassificationNodeMarker = 255;

// Header, indentation and a column as wide as the longest name, so long names scroll sideways
// rather than being cut.
void SetUpPaperTreeWidget(QTreeWidget* tree);

// Refills tree from the catalogue: by manufacturer, then classification (or the other way
// round), papers in catalogue order, empty groups left out, every level sorted by text and
// expanded. sheetsOnly (the print wizard): groups only of papers with two or more labels, and
// no paper that shows a preview picture.
void FillPaperTreeWidget(QTreeWidget* tree, bool byManufacturer, const ImageListFunction& images,
                         bool sheetsOnly = false);

// 254, 255, or 0 for a paper node (and for none).
int PaperNodeMarker(const QTreeWidgetItem* node);
// The catalogue record of a paper node, or nullptr for group nodes and records gone since.
PaperType* PaperNodePaper(const QTreeWidgetItem* node);
// The paper ID a paper node was filled with; a null GUID for group nodes.
TGUID PaperNodeID(const QTreeWidgetItem* node);
// First paper node, in tree order, whose paper has this ID.
QTreeWidgetItem* FindPaperNode(const QTreeWidget* tree, const TGUID& id);
