#pragma once
// Archive lines as a download lists them: "dd.MM.yy hh:mm", then pH, E and T right-aligned in 5,
// 7 and 5 characters after three blanks each, with a comma as decimal mark; every tenth record
// has its number after five more blanks.

#include <QDateTime>
#include <QString>

namespace qm::test {

// One value field of a line.
inline QString ArchiveValueText(double v, int width, int decimals)
{
    return QString::number(v, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(',')).rightJustified(width);
}

// pH, E and T of a line, from the pH field on.
inline QString ArchiveValuesText(double ph, double e, double temp)
{
    return ArchiveValueText(ph, 5, 2) + QStringLiteral("   ") + ArchiveValueText(e, 7, 1) + QStringLiteral("   ")
           + ArchiveValueText(temp, 5, 1);
}

// The whole line of record number (0: a line without one).
inline QString ArchiveLineText(const QDateTime& t, double ph, double e, double temp, int number = 0)
{
    QString line = t.toString(QStringLiteral("dd.MM.yy hh:mm")) + QStringLiteral("   ") + ArchiveValuesText(ph, e, temp);
    if (number % 10 == 0 && number > 0) line += QStringLiteral("     ") + QString::number(number);
    return line;
}

}  // namespace qm::test
