#pragma once
// Qt strings in GoogleTest's messages as text, not as arrays of 2-byte objects.
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '{';
    for (const QString& s : list) {
        PrintTo(s, os);
        *os << ' ';
    }
    *os << '}';
}
