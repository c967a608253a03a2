#pragma once
// Readable failure messages for Qt text types in every test (force-included by the test build).
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& S, std::ostream* os) {
    *os << '"' << S.toStdString() << '"';
}
inline void PrintTo(const QByteArray& B, std::ostream* os) {
    *os << '"' << B.toStdString() << '"';
}
inline void PrintTo(const QStringList& L, std::ostream* os) {
    *os << '{';
    for (qsizetype i = 0; i < L.size(); ++i)
        *os << (i ? ", \"" : "\"") << L[i].toStdString() << '"';
    *os << '}';
}
