#pragma once
// Registry stand-in: one hive file per root key in the .reg text format.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

enum class RootKey { CurrentUser, LocalMachine };

// One value of a key. Kind follows the .reg text forms.
struct RegValue {
    enum Kind { String, DWord, Binary };
    QString name;        // empty = the key's default value ("@")
    Kind kind = String;
    QString text;        // String
    uint32_t dword = 0;  // DWord
    QByteArray bytes;    // Binary (hex:)
    uint32_t rawType = 3; // the hex(N) type a Binary or String value was read with (3 = plain hex:)
};

struct RegKey {
    QString path;                 // full path without root, backslash separated, original case
    std::vector<RegValue> values; // creation order

    // The value of that name without regard to case, or none. Whoever removes values calls
    // forgetIndex() afterwards.
    RegValue* findValue(const QString& name);
    const RegValue* findValue(const QString& name) const;
    void forgetIndex() { m_index.clear(); }

private:
    QHash<QString, size_t> m_index; // folded name -> position in values
};

// Keys nested deeper than this (the Windows registry's own limit) are not taken from a file.
constexpr int RegMaxKeyDepth = 512;

// A parsed hive: keys in file order. Lookup is without regard to case.
class RegHive {
public:
    std::vector<RegKey> keys;

    // Reads as much of a hive file as parses; damaged lines are skipped. Never throws. whole
    // is cleared when something could not be kept (a key deeper than RegMaxKeyDepth).
    static RegHive parse(const QByteArray& data, bool* whole = nullptr);
    QByteArray serialize(const QString& rootName) const;

    RegKey* findKey(const QString& path);
    const RegKey* findKey(const QString& path) const;
    RegKey& createKey(const QString& path); // parents too
    // Removes the key and every key below it; returns whether anything went.
    bool eraseKey(const QString& path);
    // Names (last component, original case) of the direct subkeys of path, in order.
    QStringList subKeys(const QString& path) const;

private:
    void reindex();
    QHash<QString, size_t> m_index; // folded path -> position in keys
};

// How many times this process has parsed a hive file (tests and benchmarks).
int RegHiveFileParses();

// Normalises a key path: backslashes, no leading/trailing/doubled separators.
QString RegNormalizePath(const QString& path);
// Name of the root as the hive's key lines write it ("HKEY_CURRENT_USER").
QString RegRootName(RootKey root);
// Full path of the hive file of a root key.
QString RegHiveFile(RootKey root);

// The settings object. Every hive file is read and parsed once per process and then kept in
// memory; it is parsed again only when the file changed on disk (another process wrote it).
// Writes go to memory and straight through to the file, which is never written when it could not
// be read whole (too large, unreadable, nested too deep): that run's changes then stay in memory.
class TRegIniFile {
public:
    explicit TRegIniFile(const QString& key, RootKey root = RootKey::CurrentUser);
    ~TRegIniFile();
    TRegIniFile(const TRegIniFile&) = delete;
    TRegIniFile& operator=(const TRegIniFile&) = delete;

    QString ReadString(const QString& section, const QString& ident, const QString& def);
    int ReadInteger(const QString& section, const QString& ident, int def);
    bool ReadBool(const QString& section, const QString& ident, bool def);
    void WriteString(const QString& section, const QString& ident, const QString& value);
    void WriteInteger(const QString& section, const QString& ident, int value);
    void WriteBool(const QString& section, const QString& ident, bool value);
    // Typed writes, for values that must be stored as dword or binary.
    void WriteDWord(const QString& section, const QString& ident, uint32_t value);
    void WriteBinary(const QString& section, const QString& ident, const QByteArray& value);
    QByteArray ReadBinary(const QString& section, const QString& ident);

    QStringList ReadSection(const QString& section);   // value names
    QStringList ReadSections();                        // subkeys of the key
    void EraseSection(const QString& section);
    void DeleteKey(const QString& section, const QString& ident);
    bool ValueExists(const QString& section, const QString& ident);
    bool KeyExists(const QString& section);

    QString FileName() const;   // the hive file
    QString CurrentPath() const { return m_key; }
    // False when the last write could not be saved.
    bool LastWriteOk() const { return m_writeOk; }
    // False when the hive file could not be read whole, so that it is never written.
    bool HiveWritable() const;

private:
    QString sectionPath(const QString& section) const;
    const RegValue* findValue(const RegHive& hive, const QString& section, const QString& ident) const;
    // createOnly: only make the key of section when it is missing.
    void setValue(const QString& section, const RegValue& v, bool createOnly = false);
    // Runs edit on the hive under the file's lock; when it reports a change, the hive is written.
    bool change(const std::function<bool(RegHive&)>& edit);
    template <class F>
    auto read(F&& f) const;

    QString m_key;
    RootKey m_root;
    bool m_writeOk = true;
};
