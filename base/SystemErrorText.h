#pragma once
// The operating system's errors in the operator's language. The system speaks English (or
// whatever its locale says); every text this program shows is Russian, so the errors an operator
// meets with a serial port or a file get Russian words here.

#include <QString>

class QFileDevice;

namespace qm {

// A phrase to follow a colon, for example "нет места на диске", for an errno code. A code
// without Russian words gives "ошибка системы N: " and the system's own text.
QString SystemErrorText(int code);

// The same for an error known only by the system's text (what strerror gives, as in Qt's
// errorString()): a known one gets its Russian phrase, one that Qt's translation already gives in
// Russian stands as it is, any other is put after a Russian sentence. An empty text gives the phrase for an unknown failure.
QString SystemErrorTextFor(const QString& systemText);

// Why a read of file or a write to it failed, in these words; a write without a reason from the
// system gives "ошибка записи".
QString ReadErrorText(const QFileDevice& file);
QString WriteErrorText(const QFileDevice& file);

// Why a pipe or a device under a file's name is neither read nor written: it could block or
// swallow what is written.
QString NotRegularFileText();

// "Нет места на диске" from "нет места на диске": the phrase as the start of a sentence.
QString Capitalized(const QString& phrase);

}  // namespace qm
