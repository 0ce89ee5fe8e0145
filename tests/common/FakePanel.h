#pragma once
// A Panel that records every call, for tick-by-tick tests of the dialogue logic. It also keeps
// what a window would show, in the program's own words: the status line, the identification and
// clock boxes, each polled instrument's row texts, the live channels, the archive text area and
// the notices.

#include "ExchangeText.h"
#include "LiveChannels.h"
#include "Panel.h"
#include "PortTexts.h"
#include "ReadingText.h"
#include "StatusText.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <algorithm>

namespace qm::test {

class FakePanel : public Panel {
public:
    QString workDir;   // where notices look for ports.cfg
    PolledRange range;  // how the window maps addresses to rows
    int period = 1;    // what "P,мин" shows

    QString status;
    QStringList statusHistory;
    QList<WalkStatus> statuses;
    QString idText;
    QString clockText;
    QList<Reading> readings;           // every reading told, in order
    QList<int> cleared;                // addresses told as cleared
    QMap<int, Reading> rows;           // the latest answered reading shown, by address
    LiveChannels live;                 // what a sample would take, by the age of each reading
    double told[ChannelCount + 1] = {};  // the latest value each channel was told, no age
    QList<PortProblem> problems;
    QStringList notices;               // each problem worded: text, then "\n" and the detail
    bool connectChecked = false;
    int connectUncheckedCount = 0;
    bool portListEnabled = true;
    QStringList memo{QStringLiteral("Архив")};
    QList<ArchiveOutcome> downloads;
    QList<ArchiveDownloadProgress> progress;  // every progress told
    QString progressText;                     // what the progress bar reads; empty when none runs
    QList<ExchangeOutcome> exchanges;         // every exchange told, in order
    QMap<int, QString> lastExchange;          // a row's words for its last exchange, by address
    bool linkUp = false;
    int rounds = 0;  // rounds of the walk told

    FakePanel() { live.setRange(range); }
    void setRange(PolledRange r)
    {
        range = r;
        live.setRange(r);
    }

    // A cell of the instrument's row as the live table words it (column 1..7); empty when blank.
    QString cell(int column, int address) const
    {
        const auto it = rows.find(address);
        return it == rows.end() ? QString() : LiveCellText(*it, column);
    }
    // The latest value told for the instrument's pH (or temperature), whatever its age: 0 before
    // any, the no-answer mark after a give-up.
    double channel(int address, bool temperature = false) const
    {
        const int row = range.rowOf(address);
        return row ? told[2 * row - (temperature ? 0 : 1)] : 0.0;
    }
    double liveValue(int channel) const { return channel >= 1 && channel <= ChannelCount ? told[channel] : 0.0; }

    void walkStatus(const WalkStatus& s) override
    {
        statuses << s;
        status = StatusText(s);
        statusHistory << status;
    }
    void reading(const Reading& r) override
    {
        readings << r;
        live.take(r);
        if (const int row = range.rowOf(r.address)) {
            told[2 * row - 1] = r.answered ? r.ph() : NoDataMark;
            told[2 * row] = r.answered ? r.tC() : NoDataMark;
        }
        if (r.answered) {
            idText = WordHexText(r.id);
            clockText = InstrumentClockText(r);
            rows.insert(r.address, r);
        } else {
            idText.clear();
            clockText.clear();
            rows.remove(r.address);
        }
    }
    void otherIdentification(quint16 id) override { idText = WordHexText(id); }
    void instrumentCleared(int address) override
    {
        cleared << address;
        idText.clear();
        clockText.clear();
        rows.remove(address);
    }
    void archivePeriodRead(int minutes) override { period = std::clamp(minutes, 1, 255); }
    void portProblem(const PortProblem& problem) override
    {
        problems << problem;
        const Notice n = PortProblemNotice(problem, workDir);
        notices << (n.detail.isEmpty() ? n.text : n.text + QLatin1Char('\n') + n.detail);
    }
    void connectionDropped() override
    {
        ++connectUncheckedCount;
        connectChecked = false;
    }
    void portChoiceAllowed(bool allowed) override { portListEnabled = allowed; }
    void linkChanged(bool up) override { linkUp = up; }
    void roundDone(int measurementSlots) override
    {
        ++rounds;
        live.roundDone(measurementSlots);
    }
    void archiveDownloadEnded(const ArchiveOutcome& outcome) override
    {
        downloads << outcome;
        memo = ArchiveMemoLines(outcome);
        progressText.clear();
    }
    void archiveProgress(const ArchiveDownloadProgress& p) override
    {
        progress << p;
        progressText = ArchiveProgressText(p);
    }
    void exchange(const ExchangeOutcome& outcome) override
    {
        exchanges << outcome;
        lastExchange.insert(outcome.address, LastExchangeText(outcome));
    }
};

}  // namespace qm::test
