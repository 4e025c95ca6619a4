#pragma once
// Names in stored component streams and documents match whatever the case of their letters.
#include <QByteArray>
#include <QByteArrayView>

inline bool SameText(const QByteArray& a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
