#pragma once
// GoogleTest shows a QString that fails a comparison as its quoted text rather than as bytes.

#include <QString>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
