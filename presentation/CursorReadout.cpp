#include "CursorReadout.h"

#include "ChartTime.h"
#include "PixelFont.h"
#include "PolledRange.h"

#include <QApplication>
#include <QCursor>
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

CursorReadout::CursorReadout(QCustomPlot* plot, std::unique_ptr<ReadoutSource> source)
    : m_plot(plot), m_source(std::move(source)), m_box(new QLabel(plot)), m_line(new QWidget(plot))
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
    // Menus, drop-down lists and dialogs are windows of their own, shown from anywhere.
    qApp->installEventFilter(this);
}

CursorReadout::~CursorReadout() { qApp->removeEventFilter(this); }

bool CursorReadout::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched != m_plot && watched->isWidgetType()) {
        // Shown before it is put on the screen: the readout goes first.
        const auto* w = static_cast<QWidget*>(watched);
        if (w->isWindow() && w->windowType() != Qt::ToolTip && w != m_plot->window()) block();
    } else if (watched == m_plot) {
        if (event->type() == QEvent::MouseMove) pointAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        else if (event->type() == QEvent::Leave) leave();
    }
    return false;
}

void CursorReadout::block()
{
    m_blocked = true;
    m_blockedAt = QCursor::pos();
    hide();
}

void CursorReadout::pointAt(const QPoint& pos)
{
    m_pos = pos;
    m_inside = m_plot->axisRect()->rect().contains(pos);
    if (m_blocked) {
        // A menu or a modal dialog still open, or a move made up for the window under a resting
        // pointer when one closed: the operator has not come back to the chart yet.
        if (QApplication::activePopupWidget() || QApplication::activeModalWidget()
            || m_plot->mapToGlobal(pos) == m_blockedAt)
            return;
        m_blocked = false;
    }
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
    if (m_inside && !m_blocked) pointAt(m_pos);
}

bool CursorReadout::isShown() const { return !m_box->isHidden(); }

int CursorReadout::sampleUnder(int x) const
{
    QCPAxis* axis = m_plot->xAxis;
    const int nearest = m_source->nearest(FromChartKey(axis->pixelToCoord(x)));
    if (nearest == 0) return 0;
    const double column = axis->coordToPixel(ChartKey(m_source->timeOf(nearest)));
    const QRect area = m_plot->axisRect()->rect();
    if (!(std::fabs(column - x) <= Snap) || column < area.left() || column > area.right()) return 0;
    return nearest;
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
    const DateTime t = m_source->timeOf(sample);
    const QString time = FromDateTime(t).toString(QStringLiteral("dd.MM.yy  hh:mm:ss"));
    QString text = time;
    QString html = QStringLiteral("<table cellspacing=0 cellpadding=0><tr><td colspan=2>%1</td></tr>")
                       .arg(QString(time).replace(QStringLiteral("  "), QStringLiteral("&nbsp;&nbsp;")));
    for (const ReadoutRow& row : m_source->rows(sample)) {
        text += QLatin1Char('\n') + row.name + QStringLiteral("  ") + row.value;
        html += QStringLiteral("<tr><td style=\"color:%1\">%2&nbsp;&nbsp;</td><td align=right>%3</td></tr>")
                    .arg(row.colour.name(), row.name.toHtmlEscaped(), row.value.toHtmlEscaped());
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
    const int column = int(std::lround(m_plot->xAxis->coordToPixel(ChartKey(t))));
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
