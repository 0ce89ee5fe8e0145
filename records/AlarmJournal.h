#pragma once
// The alarm journal: every change of an alarm's state appended, as it happens, to the day's file
// "Журнал/Тревоги-yyyy-MM-dd.csv" in the working directory, beside the sample journal and in its
// CSV form (UTF-8 with a byte-order mark, ISO 8601 times with their offset, one whole synced line
// per change). It is always kept, whether the sample journal is on or not. The columns are
// "Время,Прибор,Условие,Значение,Состояние": the instrument by its address, the condition and
// state in the operator's words (the caller words them), the value as the live table shows it.
// No widgets: the caller shows the failure text.

#include "JournalFile.h"

#include <QDate>
#include <QDateTime>
#include <QString>

namespace qm {

struct AlarmJournalLine {
    QDateTime time;
    int address = 0;
    QString condition;  // "pH > 8.50"
    QString value;      // "8.90"; empty when there is none
    QString state;
};

// "<folder>/Тревоги-yyyy-MM-dd.csv" in the journal's folder of workDir.
QString AlarmJournalFilePath(const QString& workDir, const QDate& day);
QByteArray AlarmJournalHeader();
QByteArray AlarmJournalRow(const AlarmJournalLine& line);

class AlarmJournal {
public:
    using Result = JournalFile::Result;

    void setWorkDir(const QString& dir) { m_workDir = dir; }
    // Appends the change to the file of its local day. A failed line is not kept; the next change
    // tries again.
    Result Append(const AlarmJournalLine& line);

private:
    QString m_workDir;
    JournalFile m_file{QStringLiteral("Не удалось записать журнал тревог в файл %1: %2"), QStringLiteral(".qm4700-alarms.lock")};
};

}  // namespace qm
