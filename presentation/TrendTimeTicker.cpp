#include "TrendTimeTicker.h"

#include <QFontMetrics>

#include <algorithm>
#include <iterator>

namespace qm {

double TrendTimeTicker::stepFor(double rangeSeconds) const
{
    static const double steps[] = {60,          120,         300,        600,         900,       1800,
                                   3600,        7200,        3 * 3600,   6 * 3600,    12 * 3600, 86400,
                                   2 * 86400,   7 * 86400,   14 * 86400, 30 * 86400,  91 * 86400,
                                   182 * 86400, 365 * 86400, 3650 * 86400};
    const double space = double(m_labelPixels) + 12.0;  // a label and a gap
    for (double s : steps) {
        if (rangeSeconds <= 0 || m_axisPixels * s / rangeSeconds >= space) return s;
    }
    return steps[std::size(steps) - 1];
}

double TrendTimeTicker::getTickStep(const QCPRange& range)
{
    if (m_axis && m_axis->parentPlot()) {
        // Measured at each replot: the widget's size is known only once it is shown, and the axis
        // rect of the previous layout may still be the default one. The viewport is always current.
        const QMargins margins = m_axis->axisRect()->margins();
        const int pixels = m_axis->parentPlot()->viewport().width() - margins.left() - margins.right();
        const QFontMetrics metrics(m_axis->tickLabelFont());
        setFit(std::max(pixels, 100), metrics.horizontalAdvance(labelText(FromChartKey(range.upper))));
    }
    return stepFor(range.size());
}

int TrendTimeTicker::getSubTickCount(double) { return 0; }

QString TrendTimeTicker::labelText(DateTime t) const
{
    return FromDateTime(t).toString(m_format.isEmpty() ? DefaultTimeLabelFormat() : m_format);
}

QString TrendTimeTicker::getTickLabel(double tick, const QLocale&, QChar, int)
{
    return labelText(FromChartKey(tick));
}

}  // namespace qm
