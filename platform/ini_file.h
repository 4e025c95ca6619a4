#pragma once
// Ini files with Windows rules: names compared without case, values raw text, order kept.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

struct IniEntry {
    QString key;
    QString value;
};
struct IniSection {
    QString name;
    std::vector<IniEntry> entries;
};

// Parses ini bytes (ANSI code page). Bounded by the input: damaged input is read as far as it makes sense.
std::vector<IniSection> ParseIni(const QByteArray& data);
QByteArray SerializeIni(const std::vector<IniSection>& sections);
// Integer text as the Windows readers take it: decimal, "0x"/"$" hexadecimal, sign; false on anything else.
bool ParseWinInteger(const QString& text, int& value);

class TIniFile {
public:
    explicit TIniFile(const QString& path);
    ~TIniFile();   // flushes pending writes
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    QString ReadString(const QString& section, const QString& ident, const QString& def) const;
    int ReadInteger(const QString& section, const QString& ident, int def) const;
    bool ReadBool(const QString& section, const QString& ident, bool def) const;
    void WriteString(const QString& section, const QString& ident, const QString& value);
    void WriteInteger(const QString& section, const QString& ident, int value);
    void WriteBool(const QString& section, const QString& ident, bool value);

    QStringList ReadSection(const QString& section) const;        // keys in order
    QStringList ReadSections() const;
    QStringList ReadSectionValues(const QString& section) const;  // "key=value" lines
    void EraseSection(const QString& section);
    void DeleteKey(const QString& section, const QString& ident);
    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& ident) const;

    // Writes pending changes now (temporary file + rename). True when nothing failed.
    bool UpdateFile();
    QString FileName() const { return m_path; }

private:
    IniSection* find(const QString& section);
    const IniSection* find(const QString& section) const;
    const IniEntry* findEntry(const QString& section, const QString& ident) const;
    void buildIndex() const;

    QString m_path;
    std::vector<IniSection> m_sections;
    bool m_dirty = false;
    // Folded names to positions, so large files (thousands of keys) stay fast to read and write.
    mutable bool m_indexValid = false;
    mutable QHash<QString, size_t> m_sectionIndex;
    mutable std::vector<QHash<QString, size_t>> m_keyIndex;
};
