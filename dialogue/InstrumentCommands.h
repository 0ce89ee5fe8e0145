#pragma once
// The three one-off commands to the instrument chosen in "NUM": archive period, clock
// correction from the computer's clock, archive erase; and the texts confirming their answers.

#include <QString>
#include <QtGlobal>

namespace qm {

class PollEngine;
class Panel;
class Port;
class DeviceTable;

// The computer's local date and time as the clock command carries it (seconds are not sent).
struct PcClock {
    int year = 0;    // within the century, 0..99
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
};
PcClock ReadPcClock();

// The address in "NUM" (SpinEdit5) as a request carries it, kept within 1..247 so that no
// command ever goes out to the broadcast address 0.
quint8 CommandAddressValue(const Panel& panel);

// Builds the frame of a command kind (SetPeriod, SetClock, EraseArchive) in tx and returns
// the number of bytes before the CRC (6, or 13 for the clock); 0 for any other kind.
// The period is kept within 1..255.
int BuildCommandFrame(quint8 kind, quint8 address, int period, const PcClock& clock, quint8* tx);

// The status literal shown after the address when the command is sent.
QString CommandSentLiteral(quint8 kind);

// The confirmation literal for a command's answer outside an archive download, or an empty
// text when the answer confirms nothing (the generic "-Ok!  " then stays).
QString CommandAnswerLiteral(const quint8* frame, int length);

// The request slot for a pending command: sends it once, shows it, returns to measurement
// polling; after the period command the next matching measurement answer shows the period read back.
void CommandRequest(PollEngine& engine, Port& port, Panel& panel, DeviceTable& table);

}  // namespace qm
