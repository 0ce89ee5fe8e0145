#pragma once
// The trend chart's bottom axis ticks: a desired step of one minute, widened to 2, 5, 10, 15,
// 30 minutes, hours or days when the labels would otherwise overlap. Keys are ChartKey values.

#include "ChartTime.h"

#include <qcustomplot.h>

namespace qm {

class TrendTimeTicker : public QCPAxisTicker {
public:
    // A QDateTime format ("dd.MM hh:mm"); empty means the default date-time labels.
    void setFormat(const QString& format) { m_format = format; }
    QString format() const { return m_format; }
    // The axis whose length and label font decide the step at every replot. Without one the
    // step follows setFit.
    void setAxis(QCPAxis* axis) { m_axis = axis; }
    // The axis length and the widest label, in pixels.
    void setFit(int axisPixels, int labelPixels)
    {
        m_axisPixels = axisPixels;
        m_labelPixels = labelPixels;
    }
    // Step in seconds for a range of rangeSeconds with the current fit.
    double stepFor(double rangeSeconds) const;
    // The label at time t with the current format.
    QString labelText(DateTime t) const;

protected:
    double getTickStep(const QCPRange& range) override;
    int getSubTickCount(double tickStep) override;
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override;

private:
    QString m_format = QStringLiteral(" hh:mm");
    int m_axisPixels = 1000;
    int m_labelPixels = 60;
    QCPAxis* m_axis = nullptr;
};

}  // namespace qm
