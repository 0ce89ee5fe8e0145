#pragma once
// The chart's part of the main window, the live channels it samples, and a clock that tests move
// by hand.

#include "PolledRange.h"
#include "TrendChart.h"
#include "TrendPlot.h"
#include "TrendTimeTicker.h"
#include "ChartTime.h"
#include "ChartWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <qcustomplot.h>

#include <functional>
#include <memory>

namespace qm::test {

struct ChartRig {
    float live[ChannelCount + 1] = {};  // LiveValues as the device table keeps them
    ChartWindow window;
    QDateTime clock{QDate(2026, 12, 6), QTime(14, 0, 0)};
    TrendStore store;
    std::unique_ptr<TrendChart> chart;
    std::function<void()> onSave;  // what a due save does

    ChartRig()
    {
        SetClock([this] { return clock; });
    }
    ~ChartRig()
    {
        chart.reset();
        SetClock({});
    }
    // The start-up of a first run: no settings file, no trend file.
    void start(int instruments = 1, int firstAddress = 1)
    {
        chart = std::make_unique<TrendChart>(window.widgets(), store, live);
        // Wired as the main window wires them.
        const auto handSampling = [this] {
            chart->setSampling(window.points->value(), window.interval->value(), window.interval->maximum());
        };
        handSampling();
        QObject::connect(window.points, &QSpinBox::valueChanged, chart.get(), handSampling);
        QObject::connect(window.interval, &QSpinBox::valueChanged, chart.get(), handSampling);
        QObject::connect(chart.get(), &TrendChart::saveDue, chart.get(), [this] {
            if (onSave) onSave();
        });
        QObject::connect(chart.get(), &TrendChart::idle, window.memo, [this] { window.memo->setFocus(Qt::OtherFocusReason); });
        chart->setRange({firstAddress, instruments});
        const DateTime now = NowDateTime();
        chart->Setup(now);
        chart->FinishStartUp(now);
    }
    DateTime now() const { return ToDateTime(clock); }
    // One second passes, then Timer2 ticks.
    void tick(int seconds = 1)
    {
        clock = clock.addSecs(seconds);
        chart->Tick();
    }
    void setRow(int row, float pH, float t)
    {
        live[2 * row - 1] = pH;
        live[2 * row] = t;
    }
    // The instrument of a row stopped answering.
    void markSilent(int row) { setRow(row, NoDataMark, NoDataMark); }
    // The engine tells that the link is up and the walk has gone round once.
    void linkUp()
    {
        chart->setLinkUp(true);
        chart->setRoundDone();
    }
    void show()
    {
        window.top.show();
        QCoreApplication::processEvents();
    }
    // The chart as it is on screen.
    QImage grab()
    {
        chart->Redraw();
        return window.chart->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
};

}  // namespace qm::test
