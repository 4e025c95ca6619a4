#include "platform/ini_file.h"

#include "platform/codepage.h"
#include "platform/file_utils.h"

#include <QFile>
#include <algorithm>
#include <QHash>
#include <QStringDecoder>
#include <limits>

namespace {

// Larger files are read only this far: an ini file is never that big, and the cap keeps memory bounded.
constexpr qint64 kMaxIniBytes = 32 * 1024 * 1024;

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

QString trimBlanks(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && (isBlank(s[b]) || s[b] == QChar(0))) ++b;
    while (e > b && (isBlank(s[e - 1]) || s[e - 1] == QChar(0))) --e;
    return s.mid(b, e - b).toString();
}

// Windows drops one pair of matching quotes around a value when reading it.
QString unquote(const QString& v)
{
    if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')) && v.back() == v.front())
        return v.mid(1, v.size() - 2);
    return v;
}

// Line breaks inside a name or value would split the line on the next read.
QString oneLine(const QString& s)
{
    if (!s.contains(QLatin1Char('\n')) && !s.contains(QLatin1Char('\r'))) return s;
    QString r = s;
    r.replace(QLatin1Char('\r'), QLatin1Char(' '));
    r.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return r;
}

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

} // namespace

bool ParseWinInteger(const QString& text, int& value)
{
    QString s = text.trimmed();
    bool neg = false;
    if (s.startsWith(QLatin1Char('-'))) { neg = true; s.remove(0, 1); }
    else if (s.startsWith(QLatin1Char('+'))) s.remove(0, 1);
    int base = 10;
    if (s.startsWith(QLatin1Char('$'))) { base = 16; s.remove(0, 1); }
    else if (s.size() > 2 && s.at(0) == QLatin1Char('0') && (s.at(1) == QLatin1Char('x') || s.at(1) == QLatin1Char('X'))) {
        base = 16;
        s.remove(0, 2);
    }
    if (s.isEmpty()) return false;
    qint64 v = 0;
    for (QChar c : s) {
        int d;
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9') d = u - u'0';
        else if (base == 16 && u >= u'a' && u <= u'f') d = u - u'a' + 10;
        else if (base == 16 && u >= u'A' && u <= u'F') d = u - u'A' + 10;
        else return false;
        v = v * base + d;
        if (v > 0xFFFFFFFFLL) return false;
    }
    if (base == 10) {
        if (neg) v = -v;
        if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return false;
        value = static_cast<int>(v);
    } else {
        // Hexadecimal texts name the 32-bit pattern ("$FFFFFFFF" is -1).
        int32_t bits = static_cast<int32_t>(static_cast<uint32_t>(v));
        value = neg ? -bits : bits;
    }
    return true;
}

std::vector<IniSection> ParseIni(const QByteArray& raw)
{
    QString text;
    if (raw.startsWith("\xFF\xFE")) {
        QStringDecoder dec(QStringDecoder::Utf16LE);
        text = dec(QByteArrayView(raw).sliced(2));
    } else if (raw.startsWith("\xEF\xBB\xBF")) {
        text = QString::fromUtf8(raw.constData() + 3, raw.size() - 3);
    } else {
        text = FromCodePage(AnsiCodePage(), raw);
    }
    // NUL bytes carry nothing in a text file; dropping them keeps names and values writable.
    text.remove(QChar(0));
    std::vector<IniSection> sections;
    QHash<QString, size_t> keyIndex; // keys of the current section, folded
    IniSection* cur = nullptr;
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n) {
        qsizetype end = pos;
        while (end < n && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r')) ++end;
        const QString line = trimBlanks(QStringView(text).mid(pos, end - pos));
        pos = end;
        if (pos < n && text[pos] == QLatin1Char('\r')) ++pos;
        if (pos < n && text[pos] == QLatin1Char('\n')) ++pos;
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
        if (line.startsWith(QLatin1Char('['))) {
            qsizetype close = line.indexOf(QLatin1Char(']'));
            const QString name = trimBlanks(QStringView(line).mid(1, close < 0 ? -1 : close - 1));
            sections.push_back(IniSection{name, {}});
            cur = &sections.back();
            keyIndex.clear();
            continue;
        }
        if (!cur) continue; // lines before the first section belong to none
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        IniEntry e;
        if (eq < 0) {
            e.key = line;
        } else {
            e.key = trimBlanks(QStringView(line).left(eq));
            e.value = trimBlanks(QStringView(line).mid(eq + 1));
        }
        // The first of duplicate keys is the one Windows reads; later ones are dropped.
        const QString folded = e.key.toCaseFolded();
        if (keyIndex.contains(folded)) continue;
        keyIndex.insert(folded, cur->entries.size());
        cur->entries.push_back(std::move(e));
    }
    return sections;
}

QByteArray SerializeIni(const std::vector<IniSection>& sections)
{
    QString out;
    bool first = true;
    for (const IniSection& s : sections) {
        if (!first) out += QStringLiteral("\r\n");
        first = false;
        out += QLatin1Char('[') + oneLine(s.name) + QStringLiteral("]\r\n");
        for (const IniEntry& e : s.entries) {
            out += oneLine(e.key);
            out += QLatin1Char('=');
            out += oneLine(e.value);
            out += QStringLiteral("\r\n");
        }
    }
    return ToAnsi(out);
}

TIniFile::TIniFile(const QString& path) : m_path(FindPathNoCase(path))
{
    QFile f(m_path);
    // Asking for the whole cap would allocate all of it whatever the file's size.
    if (f.open(QIODevice::ReadOnly)) m_sections = ParseIni(f.read(std::clamp<qint64>(f.size(), 0, kMaxIniBytes)));
}

TIniFile::~TIniFile()
{
    UpdateFile();
}

void TIniFile::buildIndex() const
{
    if (m_indexValid) return;
    m_sectionIndex.clear();
    m_keyIndex.assign(m_sections.size(), {});
    for (size_t i = 0; i < m_sections.size(); ++i) {
        const QString f = m_sections[i].name.toCaseFolded();
        if (!m_sectionIndex.contains(f)) m_sectionIndex.insert(f, i);
        auto& keys = m_keyIndex[i];
        const auto& entries = m_sections[i].entries;
        for (size_t k = 0; k < entries.size(); ++k) {
            const QString kf = entries[k].key.toCaseFolded();
            if (!keys.contains(kf)) keys.insert(kf, k);
        }
    }
    m_indexValid = true;
}

IniSection* TIniFile::find(const QString& section)
{
    return const_cast<IniSection*>(static_cast<const TIniFile*>(this)->find(section));
}

const IniSection* TIniFile::find(const QString& section) const
{
    buildIndex();
    auto it = m_sectionIndex.constFind(section.trimmed().toCaseFolded());
    return it == m_sectionIndex.cend() ? nullptr : &m_sections[*it];
}

const IniEntry* TIniFile::findEntry(const QString& section, const QString& ident) const
{
    const IniSection* s = find(section);
    if (!s) return nullptr;
    const auto& keys = m_keyIndex[static_cast<size_t>(s - m_sections.data())];
    auto it = keys.constFind(ident.trimmed().toCaseFolded());
    return it == keys.cend() ? nullptr : &s->entries[*it];
}

QString TIniFile::ReadString(const QString& section, const QString& ident, const QString& def) const
{
    const IniEntry* e = findEntry(section, ident);
    return e ? unquote(e->value) : def;
}

int TIniFile::ReadInteger(const QString& section, const QString& ident, int def) const
{
    const IniEntry* e = findEntry(section, ident);
    int v;
    return e && ParseWinInteger(unquote(e->value), v) ? v : def;
}

bool TIniFile::ReadBool(const QString& section, const QString& ident, bool def) const
{
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString& section, const QString& ident, const QString& value)
{
    m_dirty = true;
    if (const IniEntry* e = findEntry(section, ident)) {
        const_cast<IniEntry*>(e)->value = value;
        return;
    }
    IniSection* s = find(section);
    if (!s) {
        m_sections.push_back(IniSection{section.trimmed(), {}});
        s = &m_sections.back();
        m_sectionIndex.insert(s->name.toCaseFolded(), m_sections.size() - 1);
        m_keyIndex.emplace_back();
    }
    m_keyIndex[static_cast<size_t>(s - m_sections.data())].insert(ident.trimmed().toCaseFolded(), s->entries.size());
    s->entries.push_back(IniEntry{ident.trimmed(), value});
}

void TIniFile::WriteInteger(const QString& section, const QString& ident, int value)
{
    WriteString(section, ident, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& ident, bool value)
{
    WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QStringList TIniFile::ReadSection(const QString& section) const
{
    QStringList out;
    if (const IniSection* s = find(section))
        for (const IniEntry& e : s->entries) out << e.key;
    return out;
}

QStringList TIniFile::ReadSections() const
{
    QStringList out;
    QHash<QString, bool> seen;
    for (const IniSection& s : m_sections) {
        const QString folded = s.name.toCaseFolded();
        if (seen.contains(folded)) continue;
        seen.insert(folded, true);
        out << s.name;
    }
    return out;
}

QStringList TIniFile::ReadSectionValues(const QString& section) const
{
    QStringList out;
    if (const IniSection* s = find(section))
        for (const IniEntry& e : s->entries) out << e.key + QLatin1Char('=') + unquote(e.value);
    return out;
}

void TIniFile::EraseSection(const QString& section)
{
    const auto before = m_sections.size();
    std::erase_if(m_sections, [&](const IniSection& s) { return sameName(s.name.trimmed(), section.trimmed()); });
    if (m_sections.size() != before) {
        m_dirty = true;
        m_indexValid = false;
    }
}

void TIniFile::DeleteKey(const QString& section, const QString& ident)
{
    IniSection* s = find(section);
    if (!s) return;
    const auto before = s->entries.size();
    std::erase_if(s->entries, [&](const IniEntry& e) { return sameName(e.key, ident.trimmed()); });
    if (s->entries.size() != before) {
        m_dirty = true;
        m_indexValid = false;
    }
}

bool TIniFile::SectionExists(const QString& section) const
{
    const IniSection* s = find(section);
    return s && !s->entries.empty();
}

bool TIniFile::ValueExists(const QString& section, const QString& ident) const
{
    return findEntry(section, ident) != nullptr;
}

bool TIniFile::UpdateFile()
{
    if (!m_dirty) return true;
    if (!WriteFileAtomic(m_path, SerializeIni(m_sections))) return false;
    m_dirty = false;
    return true;
}
