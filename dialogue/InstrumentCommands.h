#pragma once
// The three one-off commands to the instrument chosen in "NUM": archive period, clock correction
// from the computer's clock, archive erase; their frames and the recognition of their
// confirmations. The slot that sends a command is part of the poll engine (InstrumentCommands.cpp).

#include "EngineEvents.h"

#include <QtGlobal>

#include <optional>

namespace qm {

// The computer's local date and time as the clock command carries it (seconds are not sent).
struct PcClock {
    int year = 0;    // within the century, 0..99
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
};
PcClock ReadPcClock();

// Builds the frame of a command kind (SetPeriod, SetClock, EraseArchive) in tx and returns the
// number of bytes before the CRC (6, or 13 for the clock); 0 for any other kind.
// The period is kept within 1..255.
int BuildCommandFrame(RequestKind kind, quint8 address, int period, const PcClock& clock, quint8* tx);

// The one place where an answer is recognised as a command's confirmation: the command a valid
// frame outside an archive download confirms, or none. Function 0x10 confirms the clock;
// function 6 confirms the period or the erase by the register in byte 3. frame must hold at least
// four bytes, as the receive buffer always does: byte 3 is read as it stands there.
std::optional<RequestKind> ConfirmedCommand(const quint8* frame);

}  // namespace qm
