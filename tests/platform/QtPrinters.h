#pragma once

#include <ostream>  // ostream

#include <QString>
#include <QStringList>

// Readable GoogleTest failure messages for Qt's text types (found by argument-dependent
// lookup, so they live in Qt's namespace, the global one).
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os) {
  *os << '{';
  for (qsizetype i = 0; i < list.size(); ++i)
    *os << (i ? ", \"" : "\"") << list[i].toStdString() << '"';
  *os << '}';
}
