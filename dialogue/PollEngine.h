#pragma once
// The poll engine: one request outstanding at a time, a slot of ten 100 ms ticks per request,
// the address walk, retries and giving up, the archive download, the three instrument commands
// and the connect switch. The window hands it the values of its controls when they change; the
// engine tells what happened through Panel, as facts.
//
// One state machine, written in four files: the tick and the address walk (PollEngine.cpp), the
// port and its switch (PortSwitch.cpp), the archive download (ArchiveDownload.cpp) and the
// commands (InstrumentCommands.cpp). Its state is three typed values:
//   - the link: closed or open;
//   - the request of the running slot, by which its answers are judged;
//   - the walk's business: what the next slot sends (a measurement, the next block of a
//     download, a command);
// beside them the protocol's counters (TickCount, PollAddress, RetryCount, Answered) and the
// download that is or was last running, with its image of the instrument's archive.

#include "ArchiveDownload.h"
#include "EngineEvents.h"
#include "ExchangeStats.h"
#include "ModbusProtocol.h"
#include "PolledRange.h"
#include "RtuLink.h"

#include <QString>
#include <QtGlobal>

#include <optional>
#include <variant>

namespace qm {

class Panel;
class Port;
struct LineTrouble;

class PollEngine {
public:
    static constexpr int ArchiveBlockSize = qm4700::ArchiveBlockRegisters;

    // The port open with the walk running, or closed. A port that goes away or is given up on is
    // closed and opened again within one call, so nothing outside sees a state in between.
    enum class LinkState : quint8 { Closed, Open };

    PollEngine(Port& port, Panel& panel);
    PollEngine(const PollEngine&) = delete;
    PollEngine& operator=(const PollEngine&) = delete;

    // Start-up: the range, PollAddress at its first address, no round done, measurements next.
    void Init(PolledRange range);

    // The window's controls, handed down when they change.
    void setWorkDir(const QString& dir);     // where ports.cfg is read at every open
    void setPortIndex(int index);            // the port list: the port the next open opens
    void setRange(PolledRange range);        // the walk starts again at the first address
    // "NUM": taken when an archive read or a command is built; the next answer of that
    // instrument tells its archive period.
    void setCommandAddress(int address);
    void setArchivePeriod(int minutes);      // "P,мин": what SetPeriod sends

    // The poll timer's tick.
    void Tick();

    // "Соединение". Connecting opens the port and asks for measurements; disconnecting closes it
    // and blanks the row of the instrument being polled. Either way the port list is allowed
    // exactly while the link is down.
    void Connect();
    void Disconnect();

    // The buttons: each names the request of the next slot; the latest press wins.
    void ReadArchive();   // a press during a download continues it from the current block
    void SetPeriod();
    void SetClock();
    void EraseArchive();

    // The values handed down.
    PolledRange Range() const { return m_range; }
    int ChosenAddress() const { return m_chosenAddress; }
    int ArchivePeriod() const { return m_archivePeriod; }
    int PortIndex() const { return m_portIndex; }

    // The engine's state, by the names of the protocol.
    LinkState State() const { return m_linkState; }
    bool PortOpen() const { return m_linkState == LinkState::Open; }
    qint32 TickCount() const { return m_tickCount; }
    quint8 PollAddress() const { return m_pollAddress; }
    qint32 DeviceCount() const { return m_range.count(); }
    // Missed-answer checks charged to the current instrument, two for each slot without an
    // accepted answer; the sixth gives it up.
    quint8 RetryCount() const { return m_retryCount; }
    bool RoundDone() const { return m_roundDone; }
    RequestKind PendingRequest() const;
    // A download is running: from its first request until it lists, finds the archive empty or
    // gives up (another press meanwhile leaves its last block to be answered).
    bool DownloadRunning() const { return m_download.running(); }
    // The instrument's archive area as the current or last download read it.
    const ArchiveBytes& ArchiveImage() const { return m_download.image(); }
    const RtuLink& Link() const { return m_link; }
    // How the measurement exchanges went, per instrument, since connecting or the last reset.
    const ExchangeStats& Stats() const { return m_stats; }
    void ResetStats();

private:
    // The request written at the start of the running slot; its answers are judged by it.
    // A measurement slot keeps how its exchange stands: the latest answer it did not take (NoAnswer
    // while none), and whether how it went has been told (once, answered or at its last check).
    struct MeasurementRead {
        ExchangeOutcome exchange;
        bool told = false;
    };
    struct ArchiveBlockRead {};
    // A command. One that cut in on a download (pressed while a block was being read) has its
    // answer judged as the download's: no confirmation, the block's progress.
    struct CommandWrite {
        bool cutInOnDownload = false;
    };
    using SlotRequest = std::variant<MeasurementRead, ArchiveBlockRead, CommandWrite>;

    // What the next slot sends.
    struct Measuring {};
    struct Downloading {
        bool fromStart = true;    // the next block is the first, into an empty image
        int unansweredSlots = 0;  // ArchiveRetries: archive slots in a row without their block
    };
    struct Commanding {
        RequestKind kind = RequestKind::SetPeriod;
    };
    using Business = std::variant<Measuring, Downloading, Commanding>;

    // What a connect has told or watched for since it was made.
    struct ConnectNotes {
        bool portsCfgTold = false;  // what ports.cfg could not be read
        // Give-ups while not a byte came in; none once the line brought one or it was told.
        std::optional<int> silentGiveUps;
        quint64 bytesAtConnect = 0;
    };

    // Steps of the tick.
    void CollectStep();
    bool DispatchFrame();
    void FinishInstrument();
    void MissedAnswerCheck();
    // How the measurement slot's exchange went: an answer it did not take is noted, the outcome
    // told once when it is answered or when its last check finds it unanswered.
    void NoteRejected(ExchangeOutcome outcome);
    void TellExchange(ExchangeOutcome outcome);
    void GiveUp();
    void RequestSlot();
    void WrapTest();

    // Requests and answers of each kind.
    void SendRead(quint8 address, quint16 registerStart, quint8 registerCount);
    void MeasurementRequest();
    ExchangeOutcome TakeMeasurement(const quint8* frame, int length, quint8 address, bool ownAnswer);
    // How a valid frame in a measurement slot went for the instrument asked.
    ExchangeOutcome JudgeMeasurementAnswer(quint8 asked, const ExchangeOutcome& taken) const;
    bool ArchiveRequestStep(Downloading& business);
    bool ArchiveAnswerStep();
    void ShowArchiveProgress(quint16 registerStart);
    void TellDownloadProgress(int percent);
    void FailDownload();
    // A download cut short before it could end is told so; nothing when none is running.
    void AbandonDownload();
    void FinishDownload();
    void EndDownload();
    void CommandRequest(RequestKind kind);
    void HandleCommandAnswer();

    // The port and its switch.
    void OpenPort();
    void ClosePort();
    // The device went away under the open port: given up on at once, as after silence.
    void PortLost();
    // A network line lost its connection, or could not make it: told; the port connects again on
    // its own while the walk goes on finding its instruments silent.
    void LineTroubled(const LineTrouble& trouble);
    // Tells once per connect when a /dev/ttyS* port or a network line brought not a byte in a
    // round of give-ups.
    void CheckSilentLine();
    // Whether what ports.cfg could not be read is to be told now: the first time since connecting
    // that it is asked, when there is something to tell.
    bool takePortsCfgReport();
    void setLinkState(LinkState state);

    // The address in "NUM" as a request carries it, kept within 1..247 so that no command ever
    // goes out to the broadcast address 0.
    quint8 RequestAddress() const;
    void ShowStatus(const WalkStatus& status);

    Port& m_port;
    Panel& m_panel;

    // Handed down by the window.
    QString m_workDir;
    PolledRange m_range;
    int m_chosenAddress = 1;  // "NUM"
    int m_archivePeriod = 1;  // "P,мин"
    int m_portIndex = 0;      // 0 = "COM1" ... 16 = "COM17"

    // The link.
    LinkState m_linkState = LinkState::Closed;
    QString m_device;  // what the last open opened or tried to
    ConnectNotes m_connectNotes;

    // The walk and the slot.
    qint32 m_tickCount = 0;
    quint8 m_pollAddress = 0;
    quint8 m_retryCount = 0;
    bool m_answered = false;  // the running slot's request has been answered
    bool m_roundDone = false;
    int m_roundSlots = 0;  // measurement slots since the walk last went back to the first address
    // The next answer of the instrument in "NUM" that passes identification tells its period.
    bool m_periodPending = false;
    SlotRequest m_slotRequest = MeasurementRead{{}, true};  // none written yet: nothing to tell
    Business m_business = Measuring{};
    RtuLink m_link;  // TxBuffer, RxBuffer, RxCount, SilentTicks

    ArchiveDownload m_download;
    ExchangeStats m_stats;
};

}  // namespace qm
