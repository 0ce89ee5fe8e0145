#include "CursorReadout.h"

#include "ChartTime.h"
#include "PixelFont.h"
#include "PolledRange.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace qm {

namespace {
// The box keeps this distance from the pointer, so that it never sits under it.
constexpr int Offset = 16;
}  // namespace

CursorReadout::CursorReadout(QCustomPlot* plot, const TrendStore& store, const TrendPlot& series, SlotName name)
    : m_plot(plot), m_store(store), m_series(series), m_name(std::move(name)), m_box(new QLabel(plot)),
      m_line(new QWidget(plot))
{
    m_box->setFont(BoldArial(15));
    m_box->setTextFormat(Qt::RichText);
    m_box->setStyleSheet(QStringLiteral(
        "QLabel { background: rgba(255, 255, 255, 235); color: black; border: 1px solid #404040; padding: 3px; }"));
    m_line->setStyleSheet(QStringLiteral("background: #404040;"));
    m_line->setAttribute(Qt::WA_StyledBackground);
    for (QWidget* w : {static_cast<QWidget*>(m_box), m_line}) {
        w->setAttribute(Qt::WA_TransparentForMouseEvents);
        w->hide();
    }
    plot->setMouseTracking(true);
    plot->installEventFilter(this);
}

bool CursorReadout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_plot) {
        if (event->type() == QEvent::MouseMove) pointAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        else if (event->type() == QEvent::Leave) leave();
    }
    return false;
}

void CursorReadout::pointAt(const QPoint& pos)
{
    m_pos = pos;
    m_inside = m_plot->axisRect()->rect().contains(pos);
    const int sample = m_inside ? sampleUnder(pos.x()) : 0;
    if (sample) show(sample);
    else hide();
}

void CursorReadout::leave()
{
    m_inside = false;
    hide();
}

void CursorReadout::refresh()
{
    if (m_inside) pointAt(m_pos);
}

bool CursorReadout::isShown() const { return !m_box->isHidden(); }

int CursorReadout::sampleUnder(int x) const
{
    const int count = m_store.TrendCount();
    if (count == 0) return 0;
    QCPAxis* axis = m_plot->xAxis;
    const DateTime t = FromChartKey(axis->pixelToCoord(x));
    const double* times = m_store.times();
    int best = 0;  // 0-based here
    if (m_store.ascending()) {
        const int after = int(std::lower_bound(times, times + count, t) - times);
        best = after == count || (after > 0 && t - times[after - 1] <= times[after] - t) ? after - 1 : after;
    } else {
        // Times loaded out of order: look at every one (a few microseconds for a full store).
        for (int j = 1; j < count; ++j)
            if (std::fabs(times[j] - t) < std::fabs(times[best] - t)) best = j;
    }
    const double column = axis->coordToPixel(ChartKey(times[best]));
    const QRect area = m_plot->axisRect()->rect();
    if (!(std::fabs(column - x) <= Snap) || column < area.left() || column > area.right()) return 0;
    return best + 1;
}

QString CursorReadout::valueText(double value, bool temperature)
{
    if (value == NoDataMark) return QStringLiteral("нет ответа");
    // Values read from a file may be anything: very large ones in exponent form.
    if (!std::isfinite(value) || std::fabs(value) >= 1e7) return QString::number(value, 'g', 6);
    return QString::number(value, 'f', temperature ? 1 : 2);
}

void CursorReadout::show(int sample)
{
    const QString time = FromDateTime(m_store.TrendTime(sample)).toString(QStringLiteral("dd.MM.yy  hh:mm:ss"));
    QString text = time;
    QString html = QStringLiteral("<table cellspacing=0 cellpadding=0><tr><td colspan=2>%1</td></tr>")
                       .arg(QString(time).replace(QStringLiteral("  "), QStringLiteral("&nbsp;&nbsp;")));
    for (int slot = 1; slot <= 4; ++slot) {
        const TrendPlot::Series& s = m_series.series[slot];
        if (!s.drawn()) continue;
        const QString name = m_name ? m_name(slot) : QString();
        const QString value = valueText(m_store.TrendValue(s.channel, sample), s.channel % 2 == 0);
        text += QLatin1Char('\n') + name + QStringLiteral("  ") + value;
        html += QStringLiteral("<tr><td style=\"color:%1\">%2&nbsp;&nbsp;</td><td align=right>%3</td></tr>")
                    .arg(s.colour.name(), name.toHtmlEscaped(), value);
    }
    html += QStringLiteral("</table>");
    if (sample != m_sample || text != m_text) {
        m_box->setText(html);
        m_box->adjustSize();
    }
    m_sample = sample;
    m_text = text;

    // Beside the pointer, on whichever side leaves the box inside the chart.
    const QSize size = m_box->size();
    int x = m_pos.x() + Offset, y = m_pos.y() + Offset;
    if (x + size.width() > m_plot->width()) x = m_pos.x() - Offset - size.width();
    if (y + size.height() > m_plot->height()) y = m_pos.y() - Offset - size.height();
    m_box->move(std::max(x, 0), std::max(y, 0));
    const QRect area = m_plot->axisRect()->rect();
    const int column = int(std::lround(m_plot->xAxis->coordToPixel(ChartKey(m_store.TrendTime(sample)))));
    m_line->setGeometry(column, area.top(), 1, area.height());
    m_line->show();
    m_box->show();
    m_box->raise();
}

void CursorReadout::hide()
{
    m_sample = 0;
    m_text.clear();
    m_box->hide();
    m_line->hide();
}

}  // namespace qm
