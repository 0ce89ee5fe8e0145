#pragma once
// A Panel that records every call, for tick-by-tick tests of the dialogue logic.

#include "Panel.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <functional>

namespace qm::test {

class FakePanel : public Panel {
public:
    int period = 1;  // what SpinEdit6 shows

    QString status;
    QStringList statusHistory;
    QString idText;
    QString clockText;
    QList<int> repainted;
    int currentColumn = -1;
    int currentRow = -1;
    QStringList warnings;   // text, then "\n" and the detail when there is one
    QStringList notices;    // the same, for the boxes that do not wait
    bool connectChecked = false;
    int connectUncheckedCount = 0;
    bool portListEnabled = true;
    QStringList memo{QStringLiteral("Архив")};
    bool linkUp = false;
    int rounds = 0;  // rounds of the walk told
    // Runs while a warning box would be open (the toolkit keeps ticking timers meanwhile).
    std::function<void()> duringWarning;

    void setStatusText(const QString& text) override
    {
        status = text;
        statusHistory << text;
    }
    void setIdText(const QString& text) override { idText = text; }
    void setClockText(const QString& text) override { clockText = text; }
    void setPeriodValue(int value) override { period = std::clamp(value, 1, 255); }
    void repaintDeviceRow(int row) override { repainted << row; }
    void setTableCurrentCell(int column, int row) override
    {
        currentColumn = column;
        currentRow = row;
    }
    void showWarning(const QString& text, const QString& detail) override
    {
        warnings << (detail.isEmpty() ? text : text + QLatin1Char('\n') + detail);
        if (duringWarning) duringWarning();
    }
    void showNotice(const QString& text, const QString& detail) override
    {
        notices << (detail.isEmpty() ? text : text + QLatin1Char('\n') + detail);
    }
    void setConnectChecked(bool checked) override
    {
        if (!checked) ++connectUncheckedCount;
        connectChecked = checked;
    }
    void setPortListEnabled(bool enabled) override { portListEnabled = enabled; }
    void clearMemo() override { memo.clear(); }
    void addMemoLine(const QString& line) override { memo << line; }
    void linkChanged(bool up) override { linkUp = up; }
    void roundDone() override { ++rounds; }
};

}  // namespace qm::test
