#pragma once
// The poll engine: one request outstanding at a time, a slot of ten 100 ms ticks per request,
// the address walk, retries and giving up, the archive download, the three instrument commands
// and the serial port's connect switch. The window hands it the values of its controls when they
// change; the engine tells the window what happened through Panel.
//
// One state machine, written in four files: the tick and the address walk (PollEngine.cpp), the
// port and its switch (PortSwitch.cpp), the archive download (ArchiveDownload.cpp) and the
// commands (InstrumentCommands.cpp).

#include "ArchiveDownload.h"
#include "PolledRange.h"
#include "RtuLink.h"

#include <QString>
#include <QtGlobal>

namespace qm {

class DeviceTable;
class Panel;
class Port;

// What the next request slot sends.
enum class RequestKind : quint8 {
    ReadMeasurement = 0,  // the measurement of the instrument at PollAddress
    ReadArchive = 1,      // the next block of the archive of the instrument in "NUM"
    SetPeriod = 2,        // the archive period, once
    SetClock = 3,         // the computer's clock into the instrument's, once
    EraseArchive = 4,     // the instrument's archive erased, once
};

class PollEngine {
public:
    static constexpr int ArchiveBlockSize = 122;

    PollEngine(Port& port, Panel& panel, DeviceTable& table);
    PollEngine(const PollEngine&) = delete;
    PollEngine& operator=(const PollEngine&) = delete;

    // Start-up: PollAddress, RoundDone, DeviceCount, RegisterStart, RegisterCount, PendingRequest.
    void Init(PolledRange range);

    // The window's controls, handed down when they change.
    void setWorkDir(const QString& dir);     // where ports.cfg is read at every OpenPort
    void setPortIndex(int index);            // ComboBox1: the port the next OpenPort opens
    void setRange(PolledRange range);        // SpinEdit1, SpinEdit4: the walk starts again at the first address
    void setCommandAddress(int address);     // SpinEdit5 "NUM": taken when an archive read or a command is built
    void setArchivePeriod(int minutes);      // SpinEdit6 "P,мин": what SetPeriod sends

    // Timer1's tick.
    void Tick();

    // "Соединение". Connecting opens the port and asks for measurements; disconnecting closes it
    // and blanks the row of the instrument being polled. Either way the port list is enabled
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

    // The engine's state, by the names of the protocol.
    int PortIndex() const { return m_portIndex; }
    bool PortOpen() const { return m_portOpen; }
    bool LinkUp() const { return m_linkUp; }
    qint32 TickCount() const { return m_tickCount; }
    quint8 PollAddress() const { return m_pollAddress; }
    qint32 DeviceCount() const { return m_range.count; }
    // Failures charged to the current instrument: one for each bad frame and one for each
    // missed-answer check, of which a slot without an answer has two.
    quint8 RetryCount() const { return m_retryCount; }
    bool Answered() const { return m_answered; }
    bool RoundDone() const { return m_roundDone; }
    RequestKind PendingRequest() const { return m_pendingRequest; }
    bool ArchiveMode() const { return m_archiveMode; }
    quint16 RegisterStart() const { return m_registerStart; }
    quint8 RegisterCount() const { return m_registerCount; }
    quint8 CommandAddress() const { return m_commandAddress; }
    qint32 ArchiveRetries() const { return m_archiveRetries; }
    // The instrument's archive area as the current or last download read it.
    const ArchiveBytes& ArchiveImage() const { return m_archiveImage; }
    const RtuLink& Link() const { return m_link; }

private:
    static constexpr quint8 ReadRegistersFunction = 0x03;  // Modbus "read holding registers"

    // Steps of the tick.
    void CollectStep();
    bool DispatchFrame();
    void FinishInstrument();
    void MissedAnswerCheck();
    void GiveUp();
    void RequestSlot();
    void WrapTest();

    // Requests and answers of each kind.
    void SendRead(quint8 address);
    void MeasurementRequest();
    bool ArchiveRequestStep();
    bool ArchiveAnswerStep();
    void ShowArchiveProgress(quint16 registerStart);
    void FailDownload();
    void FinishDownload();
    void EndDownload();
    void CommandRequest();
    void HandleCommandAnswer();

    // The port and its switch.
    void OpenPort();
    void ClosePort();
    // The device went away under the open port: given up on at once, as after silence.
    void PortLost();
    // Tells the operator once per connect when a /dev/ttyS* port brought not a byte in a round.
    void CheckSilentLine();
    // What of ports.cfg could not be read, the first time it is asked for since connecting.
    QString takePortsCfgReport();

    // The address in "NUM" as a request carries it, kept within 1..247 so that no command ever
    // goes out to the broadcast address 0.
    quint8 RequestAddress() const;
    void setLinkUp(bool up);
    void ShowStatus(int address, const QString& literal);
    // The device row of an address when it is one of rows 1..DeviceCount, otherwise 0.
    int PolledRow(int address) const;

    Port& m_port;
    Panel& m_panel;
    DeviceTable& m_table;

    // Handed down by the window.
    QString m_workDir;
    PolledRange m_range;
    int m_chosenAddress = 1;  // "NUM"
    int m_archivePeriod = 1;  // "P,мин"

    // The port.
    int m_portIndex = 0;  // 0 = "COM1" ... 16 = "COM17"
    bool m_portOpen = false;
    bool m_linkUp = false;
    bool m_inOpenPort = false;
    QString m_device;             // what the last OpenPort opened or tried to
    bool m_cfgReported = false;   // what ports.cfg could not be read was told since connecting
    int m_silentGiveUps = -1;     // give-ups since connecting with not a byte received; -1: done
    quint64 m_bytesAtConnect = 0;

    // The walk and the slot.
    qint32 m_tickCount = 0;
    quint8 m_pollAddress = 0;
    quint8 m_retryCount = 0;
    bool m_answered = false;
    bool m_roundDone = false;
    RequestKind m_pendingRequest = RequestKind::ReadMeasurement;
    bool m_archiveMode = false;
    quint16 m_registerStart = 0;
    quint8 m_registerCount = 0;
    quint8 m_commandAddress = 0;
    RtuLink m_link;  // TxBuffer, RxBuffer, RxCount, SilentTicks

    // The archive download. The image is emptied when a download starts, so that nothing of
    // another download is ever listed.
    qint32 m_archiveRetries = 0;
    ArchiveBytes m_archiveImage{};
    ArchiveRegisters m_archiveStored;  // registers of the image that this download stored
    ArchiveReads m_archiveLog;         // the archive reads this download wrote
};

}  // namespace qm
