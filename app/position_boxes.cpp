#include "app/position_boxes.h"

#include "app/dialog_form.h"
#include "document/paper_type.h"
#include "document/std.h"
#include "lang/string_ids.h"
#include "platform/message_box.h"

#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <algorithm>

bool PositionBoxValue(const QLineEdit* edit, int& value, bool size)
{
    bool ok = false;
    value = edit->text().trimmed().toInt(&ok);
    return ok && value >= (size ? MinObjectSize : -MaxPositionValue) && value <= MaxPositionValue;
}

TPositionBoxes MakePositionBoxes(QGroupBox* group, const char* const (&labelNames)[4],
                                 const char* const (&editNames)[4], const char* unitName)
{
    static constexpr struct {
        int X, Y;
        int Caption;
        int Help;
    } places[] = {{12, 32, PositionLeftString, 2050},
                  {148, 32, PositionTopString, 2051},
                  {12, 64, PositionWidthString, 2052},
                  {148, 64, PositionHeightString, 2053}};
    TPositionBoxes boxes;
    for (int i = 0; i < 4; ++i) {
        QLabel* label = new QLabel(group);
        Named(label, labelNames[i])->move(places[i].X, places[i].Y);
        QLineEdit* edit = new QLineEdit(group);
        Named(edit, editNames[i])->setGeometry(places[i].X + 56, places[i].Y - 4, 69, 21);
        // Sizes take no sign; their least value is checked on OK, as typing passes through less.
        edit->setValidator(new QIntValidator(i < 2 ? -MaxPositionValue : 0, MaxPositionValue, edit));
        label->setBuddy(edit);
        label->setText(LoadLangStr(places[i].Caption));
        SetHelpContext(edit, places[i].Help);
        boxes.Labels[i] = label;
        boxes.Edits[i] = edit;
    }
    boxes.Unit = new QLabel(group);
    Named(boxes.Unit, unitName)->move(204, 92);
    boxes.Unit->setText(LoadLangStr(PositionUnitString));
    return boxes;
}

void FitPositionBoxes(const TPositionBoxes& boxes)
{
    for (int i = 0; i < 4; ++i) {
        QLabel* label = boxes.Labels[i];
        QLineEdit* edit = boxes.Edits[i];
        label->adjustSize();
        if (label->geometry().right() + 4 > edit->x())
            edit->move(label->geometry().right() + 4, edit->y());
    }
    QLabel* unit = boxes.Unit;
    unit->adjustSize();
    const int unitRight = unit->parentWidget()->width() - 6;
    if (unit->geometry().right() + 1 > unitRight)
        unit->move(std::max(4, unitRight - unit->width()), unit->y());
}

namespace {

// The range a box of this kind takes, in the message that refuses what was typed.
QString SheetRangeText(TSheetValueKind kind, int least, int most)
{
    return LoadLangStr(kind == SheetSize ? SheetValueRangeString : SheetPositionRangeString)
        .arg(QString::number(least), QString::number(most));
}

} // namespace

bool CheckPositionBoxes(const TPositionBoxes& boxes, QTabWidget* pages, QWidget* page)
{
    for (int i = 0; i < 4; ++i) {
        QLineEdit* e = boxes.Edits[i];
        int v = 0;
        if (!PositionBoxValue(e, v, i >= 2)) {
            QWidget* dialog = e->window();
            bool number = false;
            e->text().trimmed().toInt(&number);
            const QString text = !number ? LoadLangStr(PositionNotNumberString)
                                 : i >= 2
                                     ? SheetRangeText(SheetSize, MinObjectSize, MaxPositionValue)
                                     : SheetRangeText(SheetPosition, -MaxPositionValue, MaxPositionValue);
            MessageBox(dialog, text, dialog->windowTitle(), MB_OK | MB_ICONWARNING);
            pages->setCurrentWidget(page);
            e->setFocus();
            e->selectAll();
            return false;
        }
    }
    return true;
}

bool TakeSheetValue(QLineEdit* edit, TSheetValueKind kind, int least, int32_t& value)
{
    return TakeBoxNumber(edit, least, MaxSheetDimension, SheetRangeText(kind, least, MaxSheetDimension),
                         value);
}

void WritePositionBoxes(const TPositionBoxes& boxes, int left, int top, int width, int height)
{
    // The boxes show only what they take back: OK on an untouched page is never refused.
    const int values[] = {std::clamp(left, -MaxPositionValue, MaxPositionValue),
                          std::clamp(top, -MaxPositionValue, MaxPositionValue),
                          std::clamp(width, MinObjectSize, MaxPositionValue),
                          std::clamp(height, MinObjectSize, MaxPositionValue)};
    for (int i = 0; i < 4; ++i)
        boxes.Edits[i]->setText(QString::number(values[i]));
}

void ReadPositionBoxes(const TPositionBoxes& boxes, int& left, int& top, int& width, int& height)
{
    int* values[] = {&left, &top, &width, &height};
    for (int i = 0; i < 4; ++i)
        PositionBoxValue(boxes.Edits[i], *values[i], i >= 2);
}
