#include "app/dialog_text.h"

#include <limits>
#include <stdexcept>
#include <vector>

int StrToInt(const QString& text)
{
    const QString t = text.trimmed();
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok, 10);
    bool plain = !t.isEmpty();
    for (int i = 0; i < t.size() && plain; ++i)
        plain = (t.at(i).unicode() >= u'0' && t.at(i).unicode() <= u'9')
                || (i == 0 && (t.at(i) == u'-' || t.at(i) == u'+'));
    if (!ok || !plain || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        throw std::runtime_error(QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
    return int(v);
}

QString FormatLangText(const QString& format, std::initializer_list<QVariant> args)
{
    const std::vector<QVariant> values(args);
    size_t next = 0;
    QString out;
    out.reserve(format.size() + 16);
    for (int i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c != u'%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        const QChar kind = format.at(i + 1);
        if (kind == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        const bool number = kind == u'd' || kind == u'i' || kind == u'u';
        const bool text = kind == u's';
        if ((!number && !text) || next >= values.size()) {
            out += c;
            continue;
        }
        const QVariant& v = values[next];
        const bool isNumber = v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong
                              || v.typeId() == QMetaType::UInt;
        if (number != isNumber) {
            out += c;
            continue;
        }
        out += number ? QString::number(v.toLongLong()) : v.toString();
        ++next;
        ++i;
    }
    return out;
}
