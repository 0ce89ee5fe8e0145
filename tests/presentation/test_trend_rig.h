#pragma once
// The chart's part of the main window, readings handed to it as the engine hands them, and a clock
// that tests move by hand.

#include "PolledRange.h"
#include "Reading.h"
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
    ChartWindow window;
    QDateTime clock{QDate(2026, 12, 6), QTime(14, 0, 0)};
    TrendStore store;
    std::unique_ptr<TrendChart> chart;
    std::function<void()> onSave;  // what a due save does
    PolledRange range;               // as start() handed it to the chart

    ChartRig()
    {
        SetClock([this] { return clock; });
    }
    ~ChartRig()
    {
        chart.reset();
        SetClock({});
    }
    // The chart alone, before any start-up step.
    void makeChart() { chart = std::make_unique<TrendChart>(window.widgets(), store); }
    // The start-up of a first run: no settings file, no trend file.
    void start(int instruments = 1, int firstAddress = 1)
    {
        makeChart();
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
        range = PolledRange(firstAddress, instruments);
        chart->setRange(range);
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
    // The instrument of a device row answered pH and t (as its registers carry them: hundredths
    // and tenths).
    void setRow(int row, double pH, double t)
    {
        Reading r;
        r.address = quint8(range.addressOf(row));
        r.answered = true;
        r.received = clock;
        r.phRaw = qint16(qRound(pH * 100));
        r.tRaw = qint16(qRound(t * 10));
        chart->takeReading(r);
    }
    // The instrument of a row stopped answering.
    void markSilent(int row) { chart->takeReading(Reading::silent(quint8(range.addressOf(row)), clock)); }
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
