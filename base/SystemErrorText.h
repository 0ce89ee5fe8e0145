#pragma once
// The operating system's errors in the operator's language. The system speaks English (or
// whatever its locale says); every text this program shows is Russian, so the errors an operator
// meets with a serial port or a file get Russian words here.

#include <QString>

namespace qm {

// A phrase to follow a colon, for example "нет места на диске", for an errno code. A code
// without Russian words gives "ошибка системы N: " and the system's own text.
QString SystemErrorText(int code);

// The same for an error known only by the system's text (what strerror gives, as in Qt's
// errorString()): a known one gets its Russian phrase, any other is put after a Russian
// sentence. An empty text gives the phrase for an unknown failure.
QString SystemErrorTextFor(const QString& systemText);

// "Нет места на диске" from "нет места на диске": the phrase as the start of a sentence.
QString Capitalized(const QString& phrase);

}  // namespace qm
