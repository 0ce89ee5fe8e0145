#pragma once
// The settings file it.cfg: eighteen integers, one a line, in a fixed order. Reading and writing
// only; the main window applies the values to its controls and collects them back at close.

#include "ChartScales.h"

#include <QByteArray>
#include <QString>

#include <array>

namespace qm {

inline constexpr int SettingsLineCount = 18;
inline const QString SettingsFileName = QStringLiteral("it.cfg");

// The 18 values in file order. The initial values are what the window has without a file:
// the port and the scales as the program sets them, everything else as the controls are designed
// (layoutIndex -1: the layout list has no selection).
struct Settings {
    qint32 portIndex = 1;        // line 1: 0 = "COM1" ... 16 = "COM17"
    qint32 firstAddress = 1;     // line 2: "Нач.NUM "
    qint32 trendPoints = 1000;   // line 3: "К-во точек"
    qint32 sampleInterval = 5;   // line 4: "Интервал,с"
    qint32 deviceCount = 1;      // line 5: "К-во приб. "
    qint32 commandAddress = 1;   // line 6: "NUM"
    qint32 archivePeriod = 1;    // line 7: "P,мин"
    qint32 layoutIndex = -1;     // line 8: "К-во графиков"
    ChartScales scales;          // lines 9..14: pH min, max, T min, max, pH step, T step
    qint32 slotDevice[4] = {0, 1, 2, 3};  // lines 15..18: the four slot lists

    // Value by its position in the file, 0..17 (line 1..18). Positions outside read as 0 and
    // are not written.
    qint32 value(int index) const;
    void setValue(int index, qint32 v);
    std::array<qint32, SettingsLineCount> values() const;

    bool operator==(const Settings& other) const { return values() == other.values(); }
};

// What reading it.cfg gave. The window applies values[0 .. valuesRead - 1] in order, one after
// the other, and keeps its own values for the rest.
struct SettingsRead {
    bool exists = false;      // a missing file is no error: nothing is read
    int valuesRead = 0;       // how many values, from line 1 on, are to be applied
    int linesPresent = 0;     // of those, how many stood in the file; the rest lay beyond its end and read as 0
    bool failed = false;      // the read stopped at failedLine; message says why
    int failedLine = 0;       // 1..18, or 0 when the file could not be opened at all
    bool linesBeyond = false; // after line 18 the file holds more than blank lines, or more than was read
    QString failure;          // what was wrong at failedLine, in the program's words; empty otherwise
    QString message;          // the warning to show once, in the program's words
    QString detail;           // the system's reason for a failed open; empty otherwise
    // Set by ReadSettingsFile for a file that was not read whole (failed or linesBeyond): the name
    // beside it, "it.<yyyyMMdd-hhmmss>.cfg", that it is renamed to before the settings are
    // written over it, so that nothing the program did not read is lost. message then says so,
    // also when the read itself did not fail.
    QString asidePath;
    std::array<qint32, SettingsLineCount> values{};
};

// Reads the 18 lines of a settings file from its bytes. A line is blanks, one decimal integer
// (optional sign, 32-bit range) and then, after a blank, anything, which is skipped. Lines end in
// CR LF, LF or a lone CR; a UTF-8 byte order mark before line 1 is ignored; bytes are ASCII or
// Windows-1251.
// Beyond the end of the file (including trailing blank lines) every value reads as 0. A line that
// does not hold such an integer (a word, "12abc", a number out of range, an empty line before
// further lines) stops the read there. Lines after the 18th are ignored.
// wholeFile false says that bytes are only the beginning of a larger file: reaching their end
// before the 18th line is complete then fails rather than reading 0.
SettingsRead ParseSettings(const QByteArray& bytes, bool wholeFile = true);

// base with the values of read applied in order, as far as the read went.
Settings WithReadValues(Settings base, const SettingsRead& read);

// 18 decimal lines, each ended by CR LF.
QByteArray FormatSettings(const Settings& settings);

// Reads the file at path. Only its first MaxSettingsFileBytes are looked at; anything but a
// regular file is refused unopened.
inline constexpr qint64 MaxSettingsFileBytes = 1 << 20;
SettingsRead ReadSettingsFile(const QString& path);

// Writes the file at path as a whole: either the new contents are in place, or the old file is
// untouched. With asidePath (a read's asidePath) the file at path, if still there, is first
// renamed to it; when that fails nothing is written. Returns an empty text on success, otherwise
// the warning to show.
QString WriteSettingsFile(const QString& path, const Settings& settings, const QString& asidePath = QString());

}  // namespace qm
