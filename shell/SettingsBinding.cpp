#include "SettingsBinding.h"

#include "QM4700_mp.h"
#include "ui_QM4700_mp.h"

namespace qm {

void ApplySetting(TForm1& form, int index, qint32 value)
{
    Ui::TForm1& u = *form.ui;
    TrendChart& chart = *form.Chart;
    const auto select = [](QComboBox* list, qint32 i) { list->setCurrentIndex(i >= 0 && i < list->count() ? i : -1); };
    QSpinBox* const spins[] = {u.SpinEdit1, u.SpinEdit2, u.SpinEdit3, u.SpinEdit4, u.SpinEdit5, u.SpinEdit6};
    QComboBox* const slotLists[] = {u.ComboBox2, u.ComboBox3, u.ComboBox4, u.ComboBox5};
    switch (index) {
    case 0: form.Engine.setPortIndex(value); break;
    case 1: case 2: case 3: case 4: case 5: case 6: spins[index - 1]->setValue(value); break;
    case 7: select(u.ComboBox7, value); break;
    case 8: case 9: case 10: case 11: case 12: case 13: {
        // The file's order of the scales is kept in one place, Settings.
        Settings scales;
        scales.scales = chart.Scales();
        scales.setValue(index, value);
        chart.setScales(scales.scales);
        break;
    }
    case 14: case 15: case 16: case 17:
        chart.setChartSlotDevice(index - 13, value);
        select(slotLists[index - 14], value);
        break;
    default: break;
    }
}

Settings CollectSettings(TForm1& form)
{
    Ui::TForm1& u = *form.ui;
    TrendChart& chart = *form.Chart;
    Settings s;
    form.Engine.setPortIndex(u.ComboBox1->currentIndex());
    s.portIndex = form.Engine.PortIndex();
    s.firstAddress = u.SpinEdit1->value();
    s.trendPoints = u.SpinEdit2->value();
    s.sampleInterval = u.SpinEdit3->value();
    s.deviceCount = u.SpinEdit4->value();
    s.commandAddress = u.SpinEdit5->value();
    s.archivePeriod = u.SpinEdit6->value();
    s.layoutIndex = u.ComboBox7->currentIndex();
    s.scales = chart.Scales();
    QComboBox* const slotLists[] = {u.ComboBox2, u.ComboBox3, u.ComboBox4, u.ComboBox5};
    for (int k = 1; k <= 4; ++k) {
        chart.setChartSlotDevice(k, slotLists[k - 1]->currentIndex());
        s.slotDevice[k - 1] = chart.ChartSlotDevice(k);
    }
    return s;
}

}  // namespace qm
