// Builds the shipped paper catalogue from the table of label sheets:
//   papergen <label-sheets.tsv> <program folder>
// writes Paper/<Maker>.def (one file per maker), Paper/german.lng, french.lng, spanish.lng,
// Paper/maskfile.ini and the pictures in Paper/mask/.
// A sheet with several label kinds has one row per kind; the first row gives
// the label positions, the others become other shapes of the same paper.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <map>
#include <vector>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include "platform/guid.h"

namespace {

struct Row {
    QString brand, part, description, kind, sheet, cls;
    int sheetW = 0, sheetH = 0, labelW = 0, labelH = 0, hole = 0;
    std::vector<std::pair<int, int>> positions;
};

struct Sheet {
    QString brand, name;
    std::vector<Row> rows;  // first: the label positions; rest: other shapes
    TGUID id;
};

// Sheets that also ship preview and shape-mask pictures.
bool HasPreview(const Sheet& s) { return s.brand == "Avery" && s.name == "L6015"; }
bool HasMask(const Sheet& s)
{
    return HasPreview(s) || (s.brand == "Neato" && s.name == "HandiCD-R");
}

[[noreturn]] void Fail(const QString& what)
{
    std::fprintf(stderr, "papergen: %s\n", qPrintable(what));
    std::exit(1);
}

int ToInt(const QString& s, const QString& where)
{
    bool ok = false;
    const int v = s.trimmed().toInt(&ok);
    if (!ok || v < 0)
        Fail("bad number '" + s + "' in " + where);
    return v;
}

std::vector<Row> ReadTable(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        Fail("cannot read " + path);
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    std::vector<Row> rows;
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList c = lines[i].split('\t');
        const QString where = path + ":" + QString::number(i + 1);
        if (c.size() != 12)
            Fail("expected 12 columns in " + where);
        Row r;
        r.brand = c[0];
        r.part = c[1];
        r.description = c[2];
        r.sheetW = ToInt(c[3], where);
        r.sheetH = ToInt(c[4], where);
        r.kind = c[5];
        if (r.kind != "cd" && r.kind != "rect")
            Fail("unknown kind in " + where);
        r.labelW = ToInt(c[6], where);
        r.labelH = ToInt(c[7], where);
        r.hole = ToInt(c[8], where);
        for (const QString& p : c[9].split(';')) {
            const QStringList xy = p.split(',');
            if (xy.size() != 2)
                Fail("bad position in " + where);
            r.positions.push_back({ToInt(xy[0], where), ToInt(xy[1], where)});
        }
        r.sheet = c[10];
        r.cls = c[11].trimmed();
        rows.push_back(r);
    }
    return rows;
}

// ---- paper definition file ----

void PutI32(QByteArray& b, int32_t v)
{
    const uint32_t u = uint32_t(v);
    for (int i = 0; i < 4; ++i)
        b.append(char(u >> (8 * i) & 0xFF));
}

// Texts are kept to plain ASCII so every code page reads them alike.
void PutText(QByteArray& b, const QString& text, int width)
{
    QByteArray t = text.toLatin1();
    if (t.size() > width - 1)
        Fail("text too long for its field: " + text);
    b.append(t);
    b.append(width - t.size(), '\0');
}

QString Mm(int tenths)
{
    return QString::number(tenths / 10.0, 'f', 1);
}

QString SheetSizeName(int w, int h)
{
    if (w == 2100 && h == 2970)
        return "A4";
    if (w == 2159 && h == 2794)
        return "Letter";
    return QString();
}

QString ShortDescription(const QString& d)
{
    QString s = d;
    const int paren = s.indexOf(" (");
    if (paren > 0)
        s.truncate(paren);
    return s;
}

QString PaperName(const Sheet& s)
{
    QString name = s.name + " " + ShortDescription(s.rows.front().description);
    if (name.size() > 39)
        name = s.name.left(39);
    return name;
}

// "2 x CD/DVD labels, diameter 117.0 mm, hole 41.0 mm"
QString KindText(const Row& r)
{
    QString text = QString::number(r.positions.size()) + " x " + r.description;
    if (r.kind == "cd" && r.labelW == r.labelH)
        text += ", diameter " + Mm(r.labelW) + " mm";
    else
        text += ", " + Mm(r.labelW) + " x " + Mm(r.labelH) + " mm";
    if (r.hole)
        text += ", hole " + Mm(r.hole) + " mm";
    return text;
}

QString PaperDescription(const Sheet& s)
{
    const Row& first = s.rows.front();
    QString size = Mm(first.sheetW) + " x " + Mm(first.sheetH) + " mm";
    const QString named = SheetSizeName(first.sheetW, first.sheetH);
    if (!named.isEmpty())
        size += " (" + named + ")";
    QString text = s.brand + " " + s.name + ": " + first.description + ".\r\nSheet " + size + ".";
    for (const Row& r : s.rows) {
        const QString more = "\r\n" + KindText(r) + ".";
        if (text.size() + more.size() > 255)
            break;
        text += more;
    }
    return text;
}

QByteArray PaperRecord(const Sheet& s)
{
    const Row& first = s.rows.front();
    QByteArray b;
    uint8_t id[16];
    s.id.toBytes(id);
    b.append(reinterpret_cast<const char*>(id), 16);
    PutText(b, PaperName(s), 40);
    PutText(b, s.brand, 25);
    PutText(b, first.cls, 25);
    PutText(b, PaperDescription(s), 256);
    b.append(char(0));                    // UserDefined
    b.append(char(HasPreview(s) ? 1 : 0));
    b.append(char(HasMask(s) ? 1 : 0));
    b.append(3, '\0');
    int others = 0;
    for (size_t i = 1; i < s.rows.size(); ++i)
        others += int(s.rows[i].positions.size());
    PutI32(b, first.sheetH);              // PaperLength
    PutI32(b, first.sheetW);              // PaperWidth
    PutI32(b, int32_t(first.positions.size()));
    PutI32(b, first.kind == "cd" ? 0 : 1);
    PutI32(b, first.labelH);
    PutI32(b, first.labelW);
    PutI32(b, first.hole);
    PutI32(b, 0);                         // extra lines
    PutI32(b, others);
    PutI32(b, 0);                         // aux items
    if (b.size() != 408)
        Fail("record layout");
    for (const auto& [x, y] : first.positions) {
        b.append(char(1));                // printed on by default
        b.append(3, '\0');
        PutI32(b, x);
        PutI32(b, y);
    }
    for (size_t i = 1; i < s.rows.size(); ++i) {
        const Row& r = s.rows[i];
        for (const auto& [x, y] : r.positions) {
            b.append(char(r.kind == "cd" ? 0 : 1));
            b.append(3, '\0');
            PutI32(b, r.labelH);
            PutI32(b, r.labelW);
            PutI32(b, r.hole);
            PutI32(b, x);
            PutI32(b, y);
        }
    }
    return b;
}

QByteArray DefinitionFile(const std::vector<const Sheet*>& sheets)
{
    QByteArray b("PAR_2", 6);
    b.append(2, '\0');
    PutI32(b, int32_t(sheets.size()));
    b.append(10 + 40 + 42, '\0');
    for (const Sheet* s : sheets)
        b.append(PaperRecord(*s));
    return b;
}

// ---- pictures ----

struct Image {
    int w, h;
    std::vector<uint32_t> px;  // 0xRRGGBB
    Image(int w_, int h_, uint32_t fill) : w(w_), h(h_), px(size_t(w_) * size_t(h_), fill) {}
    uint32_t& at(int x, int y) { return px[size_t(y) * size_t(w) + size_t(x)]; }
};

// 24-bit bottom-up Windows bitmap.
QByteArray Bmp(const Image& img)
{
    const int stride = (img.w * 3 + 3) & ~3;
    const int dataSize = stride * img.h;
    QByteArray b("BM", 2);
    PutI32(b, 54 + dataSize);
    PutI32(b, 0);
    PutI32(b, 54);
    PutI32(b, 40);
    PutI32(b, img.w);
    PutI32(b, img.h);
    b.append(char(1)).append(char(0));    // planes
    b.append(char(24)).append(char(0));   // bits per pixel
    PutI32(b, 0);                         // BI_RGB
    PutI32(b, dataSize);
    PutI32(b, 3780);                      // 96 dpi
    PutI32(b, 3780);
    PutI32(b, 0);
    PutI32(b, 0);
    for (int y = img.h - 1; y >= 0; --y) {
        for (int x = 0; x < img.w; ++x) {
            const uint32_t c = img.px[size_t(y) * size_t(img.w) + size_t(x)];
            b.append(char(c & 0xFF)).append(char(c >> 8 & 0xFF)).append(char(c >> 16 & 0xFF));
        }
        b.append(stride - img.w * 3, '\0');
    }
    return b;
}

constexpr int kMaskScale = 5;  // tenths of a millimetre per mask pixel
constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000;

// Inside a label of w x h: the disc of the larger side cut by the box (a
// business-card disc when w != h), outside the centre hole. Lengths in pixels.
bool InsideLabel(double px, double py, double w, double h, double hole)
{
    const double cx = w / 2, cy = h / 2;
    const double r = std::max(w, h) / 2, d2 = (px - cx) * (px - cx) + (py - cy) * (py - cy);
    return d2 <= r * r && d2 >= (hole / 2) * (hole / 2);
}

Image LabelMask(const Row& r)
{
    const int w = r.labelW / kMaskScale, h = r.labelH / kMaskScale;
    const double hole = double(r.hole) / kMaskScale;
    Image img(w, h, kWhite);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (InsideLabel(x + 0.5, y + 0.5, w, h, hole))
                img.at(x, y) = kBlack;
    return img;
}

// The label's outline: black on white, two pixels wide.
Image LabelOutline(const Row& r)
{
    const Image mask = LabelMask(r);
    Image img(mask.w, mask.h, kWhite);
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            if (mask.px[size_t(y) * size_t(img.w) + size_t(x)] != kBlack)
                continue;
            bool edge = false;
            for (int dy = -2; dy <= 2 && !edge; ++dy)
                for (int dx = -2; dx <= 2 && !edge; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    edge = nx < 0 || ny < 0 || nx >= img.w || ny >= img.h
                        || mask.px[size_t(ny) * size_t(img.w) + size_t(nx)] != kBlack;
                }
            if (edge)
                img.at(x, y) = kBlack;
        }
    return img;
}

// The whole sheet at two millimetres per pixel, labels in light blue with a
// darker outline, in a frame two pixels wide so that it survives being drawn
// at half size.
constexpr int kPreviewScale = 20;  // tenths of a millimetre per preview pixel

Image SheetPreview(const Sheet& s)
{
    const Row& first = s.rows.front();
    const int w = first.sheetW / kPreviewScale, h = first.sheetH / kPreviewScale;
    std::vector<uint8_t> inside(size_t(w) * size_t(h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double tx = (x + 0.5) * kPreviewScale, ty = (y + 0.5) * kPreviewScale;
            for (const Row& r : s.rows)
                for (const auto& [x0, y0] : r.positions) {
                    if (tx < x0 || ty < y0 || tx >= x0 + r.labelW || ty >= y0 + r.labelH)
                        continue;
                    if (r.kind == "rect" || InsideLabel(tx - x0, ty - y0, r.labelW, r.labelH, r.hole))
                        inside[size_t(y) * size_t(w) + size_t(x)] = 1;
                }
        }
    Image img(w, h, 0xFCFCFC);
    auto in = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < w && y < h && inside[size_t(y) * size_t(w) + size_t(x)];
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (!in(x, y))
                continue;
            const bool edge = !in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1);
            img.at(x, y) = edge ? 0x70B0E0 : 0x8FC1F8;
        }
    for (int x = 0; x < w; ++x)
        for (int t = 0; t < 2; ++t)
            img.at(x, t) = img.at(x, h - 1 - t) = kBlack;
    for (int y = 0; y < h; ++y)
        for (int t = 0; t < 2; ++t)
            img.at(t, y) = img.at(w - 1 - t, y) = kBlack;
    return img;
}

// ---- translations ----

// The words a paper's texts are made of, in one interface language.
struct PaperLanguage {
    const char* section;   // of the ".lng" file
    const char* file;
    std::map<QString, QString> classes;
    QString rectangle;  // a rectangular label
    QString diameter;
    QString hole;
    QString sheet;
    bool classFirst;        // "Étiquette CD/DVD L6015" rather than "L6015 CD/DVD-Etikett"
};

const std::vector<PaperLanguage>& PaperLanguages()
{
    static const std::vector<PaperLanguage> languages = {
        {"GERMAN", "german.lng",
         {{"CD/DVD label", "CD/DVD-Etikett"}, {"Booklet", "Booklet"}, {"Insert", "Inlay"},
          {"Spine", QString::fromUtf8("Rückenetikett")}},
         "Rechteck-Etikett", "Durchmesser", "Loch", "Bogen", false},
        {"FRENCH", "french.lng",
         {{"CD/DVD label", QString::fromUtf8("Étiquette CD/DVD")}, {"Booklet", "Livret"}, {"Insert", "Jaquette"},
          {"Spine", "Tranche"}},
         QString::fromUtf8("Étiquette rectangulaire"), QString::fromUtf8("diamètre"), "trou", "Feuille", true},
        {"SPANISH", "spanish.lng",
         {{"CD/DVD label", "Etiqueta CD/DVD"}, {"Booklet", "Folleto"}, {"Insert", QString::fromUtf8("Carátula")},
          {"Spine", "Lomo"}},
         "Etiqueta rectangular", QString::fromUtf8("diámetro"), "orificio", "Hoja", true},
    };
    return languages;
}

QString ClassWord(const PaperLanguage& l, const QString& cls)
{
    const auto it = l.classes.find(cls);
    return it == l.classes.end() ? cls : it->second;
}

QString CommaMm(int tenths)
{
    return Mm(tenths).replace('.', ',');
}

QString KindText(const PaperLanguage& l, const Row& r)
{
    QString text = QString::number(r.positions.size()) + " x " +
                   (r.kind == "cd" ? ClassWord(l, "CD/DVD label") : l.rectangle);
    if (r.kind == "cd" && r.labelW == r.labelH)
        text += ", " + l.diameter + " " + CommaMm(r.labelW) + " mm";
    else
        text += ", " + CommaMm(r.labelW) + " x " + CommaMm(r.labelH) + " mm";
    if (r.hole)
        text += ", " + l.hole + " " + CommaMm(r.hole) + " mm";
    return text;
}

// name, manufacturer, classification, description; only the description may
// hold commas, "^^" is a line break.
QString TranslatedValue(const PaperLanguage& l, const Sheet& s)
{
    const Row& first = s.rows.front();
    QString name = s.name;
    name.replace(',', ' ');
    const QString cls = ClassWord(l, first.cls);
    name = (l.classFirst ? cls + " " + name : name + " " + cls).left(39);
    QString desc = s.brand + " " + s.name + "^^" + l.sheet + " " + CommaMm(first.sheetW) + " x " +
                   CommaMm(first.sheetH) + " mm";
    for (const Row& r : s.rows) {
        const QString more = "^^" + KindText(l, r);
        if (desc.size() + more.size() > 250)
            break;
        desc += more;
    }
    return name + "," + s.brand + "," + cls + "," + desc;
}

void Write(const QString& path, const QByteArray& data)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(data) != data.size())
        Fail("cannot write " + path);
}

QString FileStem(const QString& text)
{
    QString out;
    for (QChar c : text)
        if (c.isLetterOrNumber())
            out += c;
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: papergen <label-sheets.tsv> <program folder>\n");
        return 2;
    }
    const std::vector<Row> rows = ReadTable(QString::fromLocal8Bit(argv[1]));
    const QString out = QString::fromLocal8Bit(argv[2]);

    // Sheets in table order, grouped by maker in first-seen order.
    std::vector<Sheet> sheets;
    std::map<QString, size_t> index;
    for (const Row& r : rows) {
        const QString key = r.brand + "/" + r.sheet;
        auto it = index.find(key);
        if (it == index.end()) {
            Sheet s;
            s.brand = r.brand;
            s.name = r.sheet;
            s.id = NameGUID(key.toUtf8());
            index[key] = sheets.size();
            sheets.push_back(s);
            it = index.find(key);
        }
        Sheet& s = sheets[it->second];
        if (!s.rows.empty() && (r.sheetW != s.rows.front().sheetW || r.sheetH != s.rows.front().sheetH))
            Fail("rows of " + key + " disagree on the sheet size");
        s.rows.push_back(r);
    }

    const QString paperDir = out + "/Paper";
    const QString maskDir = paperDir + "/mask";
    if (!QDir().mkpath(maskDir))
        Fail("cannot create " + maskDir);

    std::map<QString, std::vector<const Sheet*>> byMaker;
    QStringList makers;
    for (const Sheet& s : sheets) {
        if (!byMaker.count(s.brand))
            makers << s.brand;
        byMaker[s.brand].push_back(&s);
    }
    for (const QString& maker : makers)
        Write(paperDir + "/" + FileStem(maker) + ".def", DefinitionFile(byMaker[maker]));

    for (const PaperLanguage& l : PaperLanguages()) {
        QByteArray lng = "; Paper texts in the interface language: name,manufacturer,classification,description\r\n[" +
                         QByteArray(l.section) + "]\r\n";
        for (const Sheet& s : sheets)
            lng += GUIDToString(s.id).toLatin1() + "=" + TranslatedValue(l, s).toLatin1() + "\r\n";
        Write(paperDir + "/" + QString::fromLatin1(l.file), lng);
    }

    QByteArray sections[4] = {"[paper_preview]\r\n", "[shape_mask]\r\n", "[shape_mask_full]\r\n",
                              "[shape_mask_full_out_line]\r\n"};
    for (const Sheet& s : sheets) {
        if (!HasMask(s) && !HasPreview(s))
            continue;
        const QByteArray key = GUIDToString(s.id).toLatin1();
        const QString stem = (FileStem(s.brand) + "_" + FileStem(s.name)).toLower();
        if (HasPreview(s)) {
            Write(maskDir + "/" + stem + "_preview.bmp", Bmp(SheetPreview(s)));
            sections[0] += key + "=" + stem.toLatin1() + "_preview.bmp\r\n";
        }
        if (HasMask(s)) {
            const Image mask = LabelMask(s.rows.front());
            Write(maskDir + "/" + stem + "_mask.bmp", Bmp(mask));
            Write(maskDir + "/" + stem + "_full.bmp", Bmp(mask));
            Write(maskDir + "/" + stem + "_outline.bmp", Bmp(LabelOutline(s.rows.front())));
            sections[1] += key + "=" + stem.toLatin1() + "_mask.bmp\r\n";
            sections[2] += key + "=" + stem.toLatin1() + "_full.bmp\r\n";
            sections[3] += key + "=" + stem.toLatin1() + "_outline.bmp\r\n";
        }
    }
    Write(paperDir + "/maskfile.ini", sections[0] + "\r\n" + sections[1] + "\r\n" + sections[2] + "\r\n" + sections[3]);

    std::printf("papergen: %zu rows, %zu paper types, %lld makers\n", rows.size(), sheets.size(),
                static_cast<long long>(makers.size()));
    return 0;
}
