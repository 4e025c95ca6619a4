#include "controls/font_combo_box.h"

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <algorithm>

namespace {

TFontEnumerator& fontEnumerator()
{
    static TFontEnumerator enumerator;
    return enumerator;
}

// Windows families that documents name, and the metric-compatible faces that take their place.
struct StandIn {
    const char* windowsName;
    const char* face;
};
constexpr StandIn kStandIns[] = {
    {"Arial", "Liberation Sans"},
    {"Arial Narrow", "Liberation Sans Narrow"},
    {"Courier New", "Liberation Mono"},
    {"Times New Roman", "Liberation Serif"},
};

TFontCharset charsetOf(const QString& family)
{
    const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(family);
    if (systems.contains(QFontDatabase::Latin) || systems.isEmpty())
        return ANSI_CHARSET;
    if (systems.contains(QFontDatabase::Symbol))
        return SYMBOL_CHARSET;
    if (systems.contains(QFontDatabase::TraditionalChinese))
        return CHINESEBIG5_CHARSET;
    if (systems.contains(QFontDatabase::SimplifiedChinese))
        return GB2312_CHARSET;
    if (systems.contains(QFontDatabase::Japanese))
        return SHIFTJIS_CHARSET;
    if (systems.contains(QFontDatabase::Korean))
        return HANGEUL_CHARSET;
    if (systems.contains(QFontDatabase::Cyrillic))
        return RUSSIAN_CHARSET;
    if (systems.contains(QFontDatabase::Greek))
        return GREEK_CHARSET;
    return DEFAULT_CHARSET;
}

bool lessText(const QString& a, const QString& b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

// Whole number in the text, as the size box holds it; false for anything else.
bool sizeNumber(const QString& text, int& value)
{
    bool ok = false;
    value = text.trimmed().toInt(&ok);
    return ok;
}

// The small picture in front of a TrueType or device font's name.
QPixmap fontGlyph(bool trueType)
{
    QPixmap pm(16, 12);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    if (trueType) {
        p.setPen(QColor(128, 128, 128));
        p.drawText(QRect(0, 0, 11, 12), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("T"));
        p.setPen(Qt::black);
        p.drawText(QRect(4, -2, 11, 12), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("T"));
    } else {
        p.setPen(Qt::black);
        p.drawRect(1, 2, 12, 8);
        p.drawLine(3, 5, 11, 5);
    }
    return pm;
}

class FontItemDelegate : public QStyledItemDelegate {
public:
    explicit FontItemDelegate(TscFontComboBox* box) : QStyledItemDelegate(box), m_box(box) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        p->fillRect(option.rect, option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
        p->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const TFontRecord* rec = m_box->ItemRecord(index.row());
        QRect r = option.rect;
        if (rec && (rec->FontType & (TRUETYPE_FONTTYPE | DEVICE_FONTTYPE))) {
            const bool trueType = rec->FontType & TRUETYPE_FONTTYPE;
            // Drawn once, not for every item painted.
            QPixmap& glyph = m_glyphs[trueType];
            if (glyph.isNull())
                glyph = fontGlyph(trueType);
            p->drawPixmap(r.left(), r.top() + (r.height() - glyph.height()) / 2, glyph);
        }
        r.setLeft(r.left() + 22);
        const QString name = index.data().toString();
        QString sample = name;
        if (rec && rec->Charset == SYMBOL_CHARSET) {
            // The name first in the box's own font, the sample after it.
            p->setFont(m_box->font());
            p->drawText(r, Qt::AlignLeft | Qt::AlignVCenter, name);
            r.setLeft(r.left() + p->fontMetrics().horizontalAdvance(name) + 10);
            sample = QStringLiteral("AbCdEfGhIj");
        }
        if (m_box->ShowSample()) {
            QFont f(name);
            f.setPointSizeF(m_box->font().pointSizeF());
            p->setFont(f);
            p->drawText(r, Qt::AlignLeft | Qt::AlignTop, sample);
        } else if (!rec || rec->Charset != SYMBOL_CHARSET) {
            p->setFont(m_box->font());
            p->drawText(r, Qt::AlignLeft | Qt::AlignVCenter, name);
        }
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        if (m_box->ShowSample()) {
            QFont f(index.data().toString());
            f.setPointSizeF(m_box->font().pointSizeF());
            s.setHeight(QFontMetrics(f).height() + 4);
        }
        s.setWidth(s.width() + 22);
        return s;
    }

private:
    TscFontComboBox* m_box;
    mutable QPixmap m_glyphs[2]; // device, TrueType
};

} // namespace

// --- TscComboBox ---------------------------------------------------------------------

TscComboBox::TscComboBox(QWidget* owner) : QComboBox(owner)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(8);
    connect(this, &QComboBox::activated, this, [this](int) { Change(); });
    connect(this, &QComboBox::editTextChanged, this, [this](const QString&) {
        // Only what the user types counts as a change.
        if (lineEdit() && lineEdit()->isModified()) {
            lineEdit()->setModified(false);
            Change();
        }
    });
}

TscComboBox::~TscComboBox() = default;

void TscComboBox::SetFlat(bool value)
{
    m_flat = value;
    update();
}

QString TscComboBox::Text() const
{
    return isEditable() ? currentText() : (currentIndex() >= 0 ? itemText(currentIndex()) : QString());
}

void TscComboBox::SetText(const QString& text)
{
    if (isEditable()) {
        const int i = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (i >= 0)
            setCurrentIndex(i);
        setEditText(text);
        if (lineEdit())
            lineEdit()->setModified(false);
    } else {
        setCurrentIndex(findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
}

void TscComboBox::Change()
{
    if (OnChange)
        OnChange(this);
}

void TscComboBox::setHot(bool hot)
{
    if (m_hot == hot)
        return;
    m_hot = hot;
    if (m_flat)
        update();
}

void TscComboBox::enterEvent(QEnterEvent* event)
{
    QComboBox::enterEvent(event);
    setHot(true);
}

void TscComboBox::leaveEvent(QEvent* event)
{
    QComboBox::leaveEvent(event);
    setHot(hasFocus());
}

void TscComboBox::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    setHot(true);
}

void TscComboBox::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    setHot(underMouse());
}

void TscComboBox::paintEvent(QPaintEvent* event)
{
    QComboBox::paintEvent(event);
    if (!m_flat)
        return;
    // Flat: two frames in the face colour and one in the window colour; a sunken edge while
    // the mouse is over the box or it has the focus.
    QPainter p(this);
    const QPalette& pal = palette();
    QRect r = rect().adjusted(0, 0, -1, -1);
    if (!(m_hot || hasFocus())) {
        p.setPen(pal.color(QPalette::Button));
        p.drawRect(r);
        r.adjust(1, 1, -1, -1);
        p.drawRect(r);
        r.adjust(1, 1, -1, -1);
        p.setPen(pal.color(QPalette::Base));
        p.drawRect(r);
    } else {
        p.setPen(pal.color(QPalette::Dark));
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(pal.color(QPalette::Light));
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        r.adjust(1, 1, -1, -1);
        p.setPen(pal.color(QPalette::Button));
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.drawLine(r.topLeft(), r.topRight());
        p.setPen(pal.color(QPalette::Midlight));
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        r.adjust(1, 1, -1, -1);
        p.setPen(pal.color(QPalette::Base));
        p.drawRect(r);
    }
}

// --- font enumeration ----------------------------------------------------------------

void SetFontEnumerator(TFontEnumerator enumerator)
{
    fontEnumerator() = std::move(enumerator);
}

QString TidyFaceName(const QString& family)
{
    // Qt names a face of one foundry among several "Family [Foundry]", keeping blanks the
    // foundry's name may carry.
    const qsizetype open = family.lastIndexOf(QLatin1Char('['));
    if (open < 0 || !family.endsWith(QLatin1Char(']')))
        return family;
    return family.left(open) + QLatin1Char('[') + family.mid(open + 1, family.size() - open - 2).trimmed() +
           QLatin1Char(']');
}

TFontEnumeration EnumerateInstalledFonts()
{
    TFontEnumeration result;
    // Scalable faces are all this system offers for labels; printers bring no device fonts.
    result.HasPrinter = false;
    const QStringList families = QFontDatabase::families();
    for (const QString& family : families) {
        if (QFontDatabase::isPrivateFamily(family))
            continue;
        TFontRecord rec;
        rec.FaceName = TidyFaceName(family);
        // The tidied name still finds the face.
        if (rec.FaceName != family)
            QFont::insertSubstitution(rec.FaceName, family);
        rec.Charset = charsetOf(family);
        if (QFontDatabase::isSmoothlyScalable(family)) {
            rec.FontType = TRUETYPE_FONTTYPE;
        } else {
            rec.FontType = RASTER_FONTTYPE;
            for (int s : QFontDatabase::pointSizes(family))
                rec.PointSizes.push_back(s);
        }
        result.Families.push_back(std::move(rec));
    }
    for (const StandIn& s : kStandIns) {
        const QString face = QString::fromLatin1(s.face);
        const QString name = QString::fromLatin1(s.windowsName);
        if (families.contains(face) && !families.contains(name) && QFontDatabase::isSmoothlyScalable(face)) {
            TFontRecord rec;
            rec.FaceName = name;
            rec.Charset = charsetOf(face);
            rec.FontType = TRUETYPE_FONTTYPE;
            result.Families.push_back(std::move(rec));
        }
    }
    return result;
}

// --- TscFontComboBox -----------------------------------------------------------------

TscFontComboBox::TscFontComboBox(QWidget* owner) : TscComboBox(owner)
{
    setEditable(false);
    setItemDelegate(new FontItemDelegate(this));
    m_showSample = true;
    m_defaultFontSize = font().pointSize();
    fillList();
    setCurrentIndex(-1);
}

TscFontComboBox::~TscFontComboBox() = default;

const QStringList& TscFontComboBox::TrueTypeSizes()
{
    static const QStringList sizes = {
        QStringLiteral("8"),  QStringLiteral("9"),  QStringLiteral("10"), QStringLiteral("11"),
        QStringLiteral("12"), QStringLiteral("14"), QStringLiteral("16"), QStringLiteral("18"),
        QStringLiteral("20"), QStringLiteral("22"), QStringLiteral("24"), QStringLiteral("26"),
        QStringLiteral("28"), QStringLiteral("36"), QStringLiteral("48"), QStringLiteral("72")};
    return sizes;
}

void TscFontComboBox::fillList()
{
    const TFontEnumeration e = fontEnumerator() ? fontEnumerator()() : EnumerateInstalledFonts();
    std::vector<TFontRecord> records;
    for (const TFontRecord& rec : e.Families) {
        if (rec.FaceName.isEmpty())
            continue;
        if (!(rec.FontType & (TRUETYPE_FONTTYPE | DEVICE_FONTTYPE)))
            continue;
        // Without a printer only plain TrueType faces are offered.
        if (!e.HasPrinter && rec.FontType != TRUETYPE_FONTTYPE)
            continue;
        const bool listed = std::any_of(records.begin(), records.end(),
                                        [&](const TFontRecord& r) { return r.FaceName == rec.FaceName; });
        if (!listed)
            records.push_back(rec);
    }
    std::stable_sort(records.begin(), records.end(), [](const TFontRecord& a, const TFontRecord& b) {
        return lessText(a.FaceName, b.FaceName);
    });
    m_records = std::move(records);
    clear();
    for (const TFontRecord& rec : m_records)
        addItem(rec.FaceName);
}

const TFontRecord* TscFontComboBox::ItemRecord(int index) const
{
    if (index < 0 || size_t(index) >= m_records.size())
        return nullptr;
    return &m_records[size_t(index)];
}

QString TscFontComboBox::GetFontName() const
{
    const int i = currentIndex();
    return i >= 0 ? itemText(i) : QString();
}

void TscFontComboBox::SetFontName(const QString& name)
{
    const int i = findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (i >= 0) {
        setCurrentIndex(i);
        Change();
    } else {
        setCurrentIndex(-1);
    }
}

void TscFontComboBox::SetShowSample(bool value)
{
    m_showSample = value;
    if (view())
        view()->reset();
    update();
}

void TscFontComboBox::SetSizeComboBox(TscComboBox* box)
{
    m_sizeBox = box;
}

void TscFontComboBox::Change()
{
    TscComboBox::Change();
    if (m_sizeBox)
        refillSizes();
}

void TscFontComboBox::refillSizes()
{
    TscComboBox* box = m_sizeBox;
    const QString text = box->Text();
    const TFontRecord* rec = SelectedRecord();
    QStringList sizes;
    if (rec && (rec->FontType & TRUETYPE_FONTTYPE)) {
        sizes = TrueTypeSizes();
    } else if (rec) {
        std::vector<int> points;
        for (int p : rec->PointSizes)
            if (std::find(points.begin(), points.end(), p) == points.end())
                points.push_back(p);
        std::sort(points.begin(), points.end());
        for (int p : points)
            sizes << QString::number(p);
    }

    const QSignalBlocker block(box);
    box->clear();
    box->addItems(sizes);
    if (sizes.contains(text)) {
        box->SetText(text);
        return;
    }
    // A text that is no listed size stays unless it is no number at all or smaller than the
    // smallest size; then the first size is chosen.
    int value = 0, smallest = 0;
    const bool numeric = sizeNumber(text, value);
    if (!sizes.isEmpty() && (!numeric || (sizeNumber(sizes.first(), smallest) && value < smallest)))
        box->SetText(sizes.first());
    else
        box->SetText(text);
}
