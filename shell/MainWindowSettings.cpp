// it.cfg's values and where they live in the main window, in both directions.
#include "MainWindow.h"

#include <QComboBox>
#include <QSpinBox>

void MainWindow::applySetting(int index, qint32 value)
{
    qm::TrendChart& chart = *m_chart;
    const auto select = [](QComboBox* list, qint32 i) { list->setCurrentIndex(i >= 0 && i < list->count() ? i : -1); };
    // The file's order of the spin edits.
    QSpinBox* const spins[] = {m_firstAddressSpin, m_pointsSpin,         m_intervalSpin,
                               m_deviceCountSpin,  m_commandAddressSpin, m_periodSpin};
    switch (index) {
    case 0: m_engine.setPortIndex(value); break;
    case 1: case 2: case 3: case 4: case 5: case 6: spins[index - 1]->setValue(value); break;
    case 7: select(m_layoutList, value); break;
    case 8: case 9: case 10: case 11: case 12: case 13: {
        // The file's order of the scales is kept in one place, Settings.
        qm::Settings scales;
        scales.scales = chart.Scales();
        scales.setValue(index, value);
        chart.setScales(scales.scales);
        break;
    }
    case 14: case 15: case 16: case 17:
        chart.setChartSlotDevice(index - 13, value);
        select(m_slotLists[size_t(index - 14)], value);
        break;
    default: break;
    }
}

qm::Settings MainWindow::collectSettings()
{
    qm::TrendChart& chart = *m_chart;
    qm::Settings s;
    m_engine.setPortIndex(m_portList->currentIndex());
    s.portIndex = m_engine.PortIndex();
    s.firstAddress = m_firstAddressSpin->value();
    s.trendPoints = m_pointsSpin->value();
    s.sampleInterval = m_intervalSpin->value();
    s.deviceCount = m_deviceCountSpin->value();
    s.commandAddress = m_commandAddressSpin->value();
    s.archivePeriod = m_periodSpin->value();
    s.layoutIndex = m_layoutList->currentIndex();
    s.scales = chart.Scales();
    for (int k = 1; k <= 4; ++k) {
        chart.setChartSlotDevice(k, m_slotLists[size_t(k - 1)]->currentIndex());
        s.slotDevice[k - 1] = chart.ChartSlotDevice(k);
    }
    return s;
}
