#pragma once
// The trend chart's controls laid out as in the main window, in their design state, for tests
// and benchmarks of the chart without the whole window.

#include "TrendChart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <QWheelEvent>
#include <QWidget>
#include <qcustomplot.h>

namespace qm::test {

struct ChartWindow {
    QWidget top;
    QCustomPlot* chart = new QCustomPlot(&top);
    QComboBox* lists[4];
    QComboBox* layout = new QComboBox(&top);
    QTableWidget* grid = new QTableWidget(3, 4, chart);
    QCheckBox* date = new QCheckBox(&top);
    QCheckBox* time = new QCheckBox(&top);
    QCheckBox* norm = new QCheckBox(&top);
    // The window's controls the chart is told about.
    QSpinBox* points = new QSpinBox(&top);
    QSpinBox* interval = new QSpinBox(&top);
    QPlainTextEdit* memo = new QPlainTextEdit(&top);

    ChartWindow()
    {
        top.resize(1236, 807);
        chart->setGeometry(16, 224, 1201, 473);
        const int xs[4] = {64, 192, 888, 1024};
        // The design state: items "1-" ... "20-", indexes 0, 1, 2, 3.
        for (int i = 0; i < 4; ++i) {
            lists[i] = new QComboBox(chart);
            lists[i]->setGeometry(xs[i], 16, 113, 25);
            for (int n = 1; n <= 20; ++n) lists[i]->addItem(QString::number(n) + QLatin1Char('-'));
            lists[i]->setCurrentIndex(i);
        }
        layout->addItems({"1", "2", "4", "pH", "pH+T"});
        layout->setCurrentIndex(-1);
        grid->setGeometry(768, 328, 265, 81);
        grid->horizontalHeader()->hide();
        grid->verticalHeader()->hide();
        time->setChecked(true);
        points->setRange(100, 10000);
        points->setValue(1000);
        interval->setRange(1, 120);
        interval->setValue(5);
        memo->setGeometry(568, 8, 385, 193);
    }
    TrendChartWidgets widgets()
    {
        return TrendChartWidgets{chart, {lists[0], lists[1], lists[2], lists[3]}, layout, grid, date, time, norm};
    }

    // The operator's mouse on the chart, at chart coordinates.
    void mouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QMouseEvent e(type, at, chart->mapToGlobal(at), button, held, modifiers);
        QCoreApplication::sendEvent(chart, &e);
    }
    void pointAt(QPointF at) { mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton); }
    void leave()
    {
        QEvent e(QEvent::Leave);
        QCoreApplication::sendEvent(chart, &e);
    }
    // notches > 0 turns the wheel away from the operator, which zooms in.
    void wheel(QPointF at, int notches, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWheelEvent e(at, chart->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(chart, &e);
    }
    void drag(QPointF from, QPointF to, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, modifiers);
        mouse(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton, modifiers);
        mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, modifiers);
        mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, modifiers);
    }
    void doubleClick(QPointF at)
    {
        mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
        mouse(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    }
};

}  // namespace qm::test
