#pragma once
// What the poll engine tells whoever shows it: the main window implements it, the display-less
// collector too, and tests use a FakePanel that records every call. Each call is a fact; the
// receiver decides how it looks. The values of the window's controls travel the other way: the
// window hands them to the engine when they change.

#include "EngineEvents.h"
#include "Reading.h"

namespace qm {

class Panel {
public:
    virtual ~Panel() = default;

    // What happened last on the line (the status line).
    virtual void walkStatus(const WalkStatus& status) = 0;

    // A polled instrument answered and identified itself at its own address: its reading. A
    // reading that is not answered is an instrument given up on: its row goes blank and its
    // channels carry the no-answer mark.
    virtual void reading(const Reading& reading) = 0;
    // An answer identified a QM4700 other than the polled instrument at that address (it names
    // another address, or lies outside the polled range): only its identification is shown.
    virtual void otherIdentification(quint16 id) = 0;
    // The instrument's row (when it is polled) and the identification and clock boxes go blank;
    // its channels keep their values.
    virtual void instrumentCleared(int address) = 0;
    // The archive period read back from the instrument in "NUM", 1..255.
    virtual void archivePeriodRead(int minutes) = 0;

    // A problem with the port, told once; nothing waits for it to be read.
    virtual void portProblem(const PortProblem& problem) = 0;
    // The engine gave the connection up (the port could not be opened): "Соединение" is unticked.
    virtual void connectionDropped() = 0;
    // Whether the port list may be changed: exactly while the link is down.
    virtual void portChoiceAllowed(bool allowed) = 0;
    // The link came up or went down: samples are taken only while it is up.
    virtual void linkChanged(bool up) = 0;
    // The address walk passed the last instrument and went back to the first (RoundDone); the
    // round took that many measurement slots (one per instrument, three for one given up on).
    virtual void roundDone(int measurementSlots) = 0;

    // An archive download ended: its listing, an empty archive, no listing, or cut short.
    virtual void archiveDownloadEnded(const ArchiveOutcome& outcome) = 0;
    // A download started or took a block: how far it has come.
    virtual void archiveProgress(const ArchiveDownloadProgress&) {}

    // How the measurement slot of an instrument went (answered, silent, or why its answer was not
    // taken): once per slot.
    virtual void exchange(const ExchangeOutcome&) {}
};

}  // namespace qm
