#include "platform/codepage.h"

#include <QString>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <map>

namespace {

std::atomic<int> g_codePage{0};

const char* iconvName(int cp)
{
    switch (cp) {
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    default: return "CP1252";
    }
}

bool isSingleByte(int cp) { return cp == 1250 || cp == 1251 || cp == 1252; }

// iconv descriptors are not thread-safe; each thread keeps its own, opened once per page.
iconv_t descriptor(int cp, bool toUnicode)
{
    struct Cache {
        std::map<int, iconv_t> map;
        ~Cache() { for (auto& [k, d] : map) if (d != (iconv_t)-1) iconv_close(d); }
    };
    thread_local Cache cache;
    const int key = toUnicode ? cp : -cp;
    auto it = cache.map.find(key);
    if (it != cache.map.end()) {
        iconv(it->second, nullptr, nullptr, nullptr, nullptr); // reset shift state
        return it->second;
    }
    iconv_t d = toUnicode ? iconv_open("UTF-16LE", iconvName(cp)) : iconv_open(iconvName(cp), "UTF-16LE");
    cache.map.emplace(key, d);
    return d;
}

bool isAscii(const char* p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80) return false;
    return true;
}

QString decode(int cp, const char* data, size_t n)
{
    if (isAscii(data, n)) return QString::fromLatin1(data, static_cast<qsizetype>(n));
    iconv_t d = descriptor(cp, true);
    if (d == (iconv_t)-1) return QString::fromLatin1(data, static_cast<qsizetype>(n));
    QString out;
    out.resize(static_cast<qsizetype>(n)); // one byte never gives more than one UTF-16 unit
    char* in = const_cast<char*>(data);
    size_t inLeft = n;
    char* o = reinterpret_cast<char*>(out.data());
    size_t outLeft = n * 2;
    while (inLeft > 0) {
        if (iconv(d, &in, &inLeft, &o, &outLeft) != (size_t)-1) break;
        if (errno == E2BIG || outLeft < 2) break; // cannot happen; stop rather than overrun
        // Undefined byte or broken sequence: single-byte pages keep the byte's own code point
        // (as Windows does), others give U+FFFD. One byte is consumed either way.
        const unsigned char b = static_cast<unsigned char>(*in);
        const char16_t u = isSingleByte(cp) ? char16_t(b) : char16_t(0xFFFD);
        std::memcpy(o, &u, 2);
        o += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
        iconv(d, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(static_cast<qsizetype>((n * 2 - outLeft) / 2));
    return out;
}

} // namespace

int CodePageForLocale(const QString& locale)
{
    QString l = locale.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    const QString lang = l.section(QLatin1Char('_'), 0, 0).toLower();
    const QString region = l.section(QLatin1Char('_'), 1, 1).toUpper();
    static const char* const central[] = {"cs", "pl", "hu", "sk", "sl", "hr", "ro", "sq", "bs", "tk", nullptr};
    static const char* const cyrillic[] = {"ru", "uk", "be", "bg", "mk", "sr", "kk", "ky", "tt", "mn", "ba", "sah", "tg", nullptr};
    for (const char* const* p = central; *p; ++p)
        if (lang == QLatin1String(*p)) return 1250;
    for (const char* const* p = cyrillic; *p; ++p)
        if (lang == QLatin1String(*p)) {
            // Serbian in Latin script uses the Central European page.
            if (lang == QLatin1String("sr") && locale.contains(QLatin1String("latin"), Qt::CaseInsensitive))
                return 1250;
            return 1251;
        }
    if (lang == QLatin1String("ja")) return 932;
    if (lang == QLatin1String("ko")) return 949;
    if (lang == QLatin1String("zh")) {
        if (region == QLatin1String("TW") || region == QLatin1String("HK") || region == QLatin1String("MO"))
            return 950;
        return 936;
    }
    return 1252;
}

int AnsiCodePage()
{
    int cp = g_codePage.load();
    if (cp) return cp;
    const char* vars[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    QString locale;
    for (const char* v : vars) {
        const char* s = std::getenv(v);
        if (s && *s) { locale = QString::fromLocal8Bit(s); break; }
    }
    int chosen = CodePageForLocale(locale);
    int expected = 0;
    g_codePage.compare_exchange_strong(expected, chosen);
    return g_codePage.load();
}

void SetAnsiCodePage(int cp)
{
    g_codePage.store(cp);
}

QString FromCodePage(int cp, const QByteArray& bytes)
{
    return decode(cp, bytes.constData(), static_cast<size_t>(bytes.size()));
}

QByteArray ToCodePage(int cp, const QString& text)
{
    QByteArray out;
    if (text.isEmpty()) return out;
    bool ascii = true;
    for (QChar c : text)
        if (c.unicode() >= 0x80) { ascii = false; break; }
    if (ascii) return text.toLatin1();
    iconv_t d = descriptor(cp, false);
    if (d == (iconv_t)-1) return text.toLatin1();
    out.resize(text.size() * 2 + 8); // at most two bytes per UTF-16 unit in these pages
    char* in = reinterpret_cast<char*>(const_cast<QChar*>(text.constData()));
    size_t inLeft = static_cast<size_t>(text.size()) * 2;
    char* o = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    while (inLeft > 0) {
        if (iconv(d, &in, &inLeft, &o, &outLeft) != (size_t)-1) break;
        if (errno == E2BIG || outLeft < 1) break;
        char16_t u;
        std::memcpy(&u, in, 2);
        // A character the page lacks (or a lone surrogate) becomes '?'; in single-byte pages the
        // bytes the page leaves undefined come back as themselves, so reading and writing loses nothing.
        *o++ = isSingleByte(cp) && u >= 0x80 && u < 0xA0 ? char(u) : '?';
        --outLeft;
        size_t skip = 2;
        if (u >= 0xD800 && u < 0xDC00 && inLeft >= 4) {
            char16_t lo;
            std::memcpy(&lo, in + 2, 2);
            if (lo >= 0xDC00 && lo < 0xE000) skip = 4;
        }
        if (skip > inLeft) skip = inLeft;
        in += skip;
        inLeft -= skip;
        iconv(d, nullptr, nullptr, nullptr, nullptr);
    }
    // Flush any shift state (none of these pages has one, but iconv wants the call).
    iconv(d, nullptr, nullptr, &o, &outLeft);
    out.resize(out.size() - static_cast<qsizetype>(outLeft));
    return out;
}

QString FromAnsi(const QByteArray& bytes)
{
    const char* p = bytes.constData();
    const void* nul = std::memchr(p, 0, static_cast<size_t>(bytes.size()));
    const size_t n = nul ? static_cast<size_t>(static_cast<const char*>(nul) - p) : static_cast<size_t>(bytes.size());
    return decode(AnsiCodePage(), p, n);
}

QString FromAnsi(const char* p, size_t maxLen)
{
    if (!p || maxLen == 0) return QString();
    const void* nul = std::memchr(p, 0, maxLen);
    const size_t n = nul ? static_cast<size_t>(static_cast<const char*>(nul) - p) : maxLen;
    return decode(AnsiCodePage(), p, n);
}

QByteArray ToAnsi(const QString& text)
{
    return ToCodePage(AnsiCodePage(), text);
}

QString ReadFixedField(const char* p, size_t width)
{
    return FromAnsi(p, width);
}

void WriteFixedField(char* p, size_t width, const QString& text)
{
    if (!p || width == 0) return;
    std::memset(p, 0, width);
    // Each character gives at least one byte, so only the first width-1 characters can fit.
    QString t = text.left(static_cast<qsizetype>(width - 1));
    const int nul = t.indexOf(QChar(0));
    if (nul >= 0) t.truncate(nul);
    QByteArray b = ToAnsi(t);
    while (static_cast<size_t>(b.size()) > width - 1 && !t.isEmpty()) {
        qsizetype cut = 1;
        if (t.size() >= 2 && t.at(t.size() - 1).isLowSurrogate() && t.at(t.size() - 2).isHighSurrogate()) cut = 2;
        t.chop(cut);
        b = ToAnsi(t);
    }
    std::memcpy(p, b.constData(), std::min(static_cast<size_t>(b.size()), width - 1));
}
