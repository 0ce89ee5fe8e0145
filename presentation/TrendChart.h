#pragma once
// The trend chart: the trend store, the sampling tick (Timer2Timer), the four slot lists, the
// layouts, the scales ("Норм"), the time labels and clearing.

#include "TrendStore.h"

#include <QString>
#include <functional>

class QCustomPlot;
class QComboBox;
class QCheckBox;
class QSpinBox;
class QTableWidget;
class QWidget;

namespace qm {

class DeviceTable;
class PollEngine;

struct TrendChartWidgets {
    QCustomPlot* Chart1 = nullptr;
    QComboBox* ComboBox2 = nullptr;  // slot 1, red, pH
    QComboBox* ComboBox3 = nullptr;  // slot 2, green, pH
    QComboBox* ComboBox4 = nullptr;  // slot 3, blue, T
    QComboBox* ComboBox5 = nullptr;  // slot 4, maroon, T
    QComboBox* ComboBox7 = nullptr;  // layout
    QTableWidget* StringGrid1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;  // "Дата"
    QCheckBox* CheckBox3 = nullptr;  // "Время"
    QCheckBox* CheckBox4 = nullptr;  // "Норм"
    QSpinBox* SpinEdit1 = nullptr;   // first address
    QSpinBox* SpinEdit2 = nullptr;   // points kept
    QSpinBox* SpinEdit3 = nullptr;   // interval, s
    QSpinBox* SpinEdit4 = nullptr;   // number of instruments
    QWidget* Memo1 = nullptr;        // takes the focus when the chart is idle
};

class TrendChart {
public:
    TrendChart(const TrendChartWidgets& widgets, const DeviceTable& table, const PollEngine& engine);
    ~TrendChart();

    // Series, axes, colours and fonts of Chart1; the window now .. now + 5 minutes, label " hh:mm".
    void Setup();

    void Timer2Timer();
    void ComboBox2Change();
    void ComboBox3Change();
    void ComboBox4Change();
    void ComboBox5Change();
    void ApplyChartSetup();
    void ComboBox7Change();
    void CheckBox4Click();
    void CheckBox2Click();
    void BitBtn1Click();
    void SpinEdit2Change();
    void SpinEdit3Change();

    TrendStore Store;

    qint32 PhScaleMin = 0, PhScaleMax = 10, PhScaleStep = 2;
    qint32 TScaleMin = 0, TScaleMax = 50, TScaleStep = 10;
    qint32 ChartSlotDevice[5] = {0, 0, 1, 2, 3};  // 1..4 used

    DateTime NextSampleTime = 0;
    DateTime NextSaveTime = 0;
    qint32 IdleTicks = 0;
    bool ByUser = false;

    // Writes the trend data file; set by the window.
    std::function<void()> SaveTrendFile;
    // Asks a Yes/No question; the window shows a message box, tests answer directly.
    std::function<bool(const QString&)> AskYesNo;

private:
    class Private;
    Private* d = nullptr;
};

}  // namespace qm
