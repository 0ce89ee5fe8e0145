#pragma once
// The journal's switch, kept between runs in "journal.cfg" beside it.cfg: one line, "1" when the
// journal is kept, "0" when not. Without the file the journal is off.

#include <QByteArray>
#include <QString>

namespace qm {

inline const QString JournalSettingFileName = QStringLiteral("journal.cfg");

// "1" -> on, "0" -> off (blanks and the line end around it do not matter). Anything else was not
// written by the program: the journal is then kept, since recording too much loses nothing.
bool ParseJournalSetting(const QByteArray& bytes);
QByteArray FormatJournalSetting(bool on);

// Reads the switch from the file in workDir; a missing file means off.
bool ReadJournalSetting(const QString& workDir);
// Replaces the file whole; an empty text on success, else the message for the operator.
QString WriteJournalSetting(const QString& workDir, bool on);

}  // namespace qm
