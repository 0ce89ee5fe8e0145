#include "AlarmJournal.h"

#include "TrendJournalFormat.h"

#include <QDir>

namespace qm {

QString AlarmJournalFilePath(const QString& workDir, const QDate& day)
{
    return QDir(workDir).filePath(JournalDirName() + QStringLiteral("/Тревоги-") + day.toString(QStringLiteral("yyyy-MM-dd"))
                                  + QStringLiteral(".csv"));
}

QByteArray AlarmJournalHeader() { return QStringLiteral("Время,Прибор,Условие,Значение,Состояние\r\n").toUtf8(); }

QByteArray AlarmJournalRow(const AlarmJournalLine& line)
{
    QByteArray out = JournalTime(line.time);
    out.append(',');
    out.append(QByteArray::number(line.address));
    for (const QString* field : {&line.condition, &line.value, &line.state}) {
        out.append(',');
        AppendCsvField(out, field->toUtf8());
    }
    out.append("\r\n");
    return out;
}

AlarmJournal::Result AlarmJournal::Append(const AlarmJournalLine& line)
{
    QDate day = line.time.date();
    if (!day.isValid()) day = QDate::currentDate();
    return m_file.Append(AlarmJournalFilePath(m_workDir, day), AlarmJournalHeader(), AlarmJournalRow(line));
}

}  // namespace qm
