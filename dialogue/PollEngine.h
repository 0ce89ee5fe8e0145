#pragma once
// The poll engine: one request outstanding at a time, a slot of ten 100 ms ticks per request,
// the address walk, retries and giving up, and the serial port's connect switch.

#include "ArchiveDownload.h"
#include "RtuLink.h"

#include <QString>
#include <QtGlobal>

#include <functional>

namespace qm {

class Port;
class Panel;
class DeviceTable;

// The request kinds sit in their own namespace because qm::SetClock also names the clock
// injection of the date-time texts (DateTimeText.h). Outside the engine write
// qm::request::SetClock; the other four are also plain qm:: names, and all five are PollEngine
// members, so the engine's own code uses them unqualified.
namespace request {
enum RequestKind : quint8 {
    ReadMeasurement = 0,
    ReadArchive = 1,
    SetPeriod = 2,
    SetClock = 3,
    EraseArchive = 4,
};
}  // namespace request
using request::RequestKind;
using request::ReadMeasurement;
using request::ReadArchive;
using request::SetPeriod;
using request::EraseArchive;

class PollEngine {
public:
    static constexpr RequestKind ReadMeasurement = request::ReadMeasurement;
    static constexpr RequestKind ReadArchive = request::ReadArchive;
    static constexpr RequestKind SetPeriod = request::SetPeriod;
    static constexpr RequestKind SetClock = request::SetClock;
    static constexpr RequestKind EraseArchive = request::EraseArchive;

    static constexpr int MeasureRegisterCount = 9;
    static constexpr int ArchiveFirstRegister = 250;
    static constexpr int ArchiveBlockSize = 122;

    PollEngine(Port& port, Panel& panel, DeviceTable& table);

    // Port state.
    qint32 PortIndex = 0;   // 0 = "COM1" ... 16 = "COM17"
    bool PortOpen = false;
    bool LinkUp = false;

    // Engine state.
    qint32 TickCount = 0;
    quint8 PollAddress = 0;
    qint32 DeviceCount = 0;
    quint8 RetryCount = 0;
    bool Answered = false;
    bool RoundDone = false;
    quint8 PendingRequest = ReadMeasurement;
    bool ArchiveMode = false;
    quint16 RegisterStart = 0;
    quint8 RegisterCount = 0;
    quint8 CommandAddress = 0;
    qint32 ArchiveRetries = 0;

    RtuLink Link;  // TxBuffer, RxBuffer, RxCount, SilentTicks

    // The instrument's archive area as the current or last download read it; emptied when a
    // download starts, so that nothing of another download is ever listed.
    ArchiveBytes ArchiveImage{};
    ArchiveRegisters ArchiveStored;  // registers of ArchiveImage that this download stored
    ArchiveReads ArchiveLog;         // the archive reads this download wrote

    // Start-up: PollAddress, RoundDone, DeviceCount, RegisterStart, RegisterCount, PendingRequest.
    void Init(int firstAddress, int deviceCount);

    void Timer1Timer();
    void OpenPort();
    void CheckBox1Click(bool checked);
    void ComboBox1Change(int index);

    void Button1Click();  // read archive
    void Button3Click();  // set period
    void Button5Click();  // erase archive
    void Button6Click();  // set clock

    // The polled range changed (SpinEdit1Change / SpinEdit4Change).
    void SetFirstAddress(int firstAddress);
    void SetDeviceCount(int count);  // bounded to 1..10

    // A note for the operator that must not stop polling: the window shows it without waiting
    // for an answer. Used when a /dev/ttyS* port has answered nothing for a whole round.
    std::function<void(const QString& text, const QString& detail)> ShowNotice;

private:
    // Steps of the tick.
    void CollectStep();
    bool DispatchFrame();
    void FinishInstrument();
    void MissedAnswerCheck();
    void GiveUp();
    void RequestSlot();
    void WrapTest();

    // Requests and answers of each kind.
    void MeasurementRequest();
    void ArchiveRequestStep();
    bool ArchiveAnswerStep();
    void CommandRequest();
    void HandleCommandAnswer();

    void ClosePort();
    // The device went away under the open port: given up on at once, as after silence.
    void PortLost();
    // Tells the operator once per connect when a /dev/ttyS* port brought not a byte in a round.
    void CheckSilentLine();
    void ShowStatus(int address, const QString& literal);
    // The device row of an address when it is one of rows 1..DeviceCount, otherwise 0.
    int PolledRow(int address) const;

    Port& m_port;
    Panel& m_panel;
    DeviceTable& m_table;
    bool m_inOpenPort = false;
    QString m_device;             // what the last OpenPort opened or tried to
    bool m_cfgReported = false;   // what ports.cfg could not be read was told since connecting
    int m_silentGiveUps = -1;     // give-ups since connecting with not a byte received; -1: done
    quint64 m_bytesAtConnect = 0;
};

}  // namespace qm
