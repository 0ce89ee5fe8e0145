#include "ArchiveChartWindow.h"

#include "ChartGestures.h"
#include "ChartTime.h"
#include "CursorReadout.h"
#include "PixelFont.h"

#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>
#include <numeric>

namespace {

const QColor PhColour(255, 0, 0);
const QColor TColour(0, 128, 0);

// plot's design rectangle in the client area; tLabel keeps its distance to the right edge.
constexpr int ChartLeft = 8;
constexpr int ChartDesignWidth = 873;
constexpr int ChartDesignHeight = 401;
constexpr int Label2Left = 800;
constexpr int LabelTop = 16;

// A filled marker 7 pixels across (half-size 3 around the point) without an outline. The pen is
// set on its own: a style built with Qt::NoPen leaves it undefined, and the graph then draws the
// marker's edge with its 3-pixel line pen.
QCPScatterStyle Marker(QCPScatterStyle::ScatterShape shape, const QColor& colour)
{
    QCPScatterStyle style(shape, 7);
    style.setPen(Qt::NoPen);
    style.setBrush(colour);
    return style;
}

// The readout reads the viewed points in time order: pH and T, as the live table writes them.
class ArchiveReadout : public qm::ReadoutSource {
public:
    explicit ArchiveReadout(const ArchiveChartWindow& window) : m_window(window) {}

    int nearest(qm::DateTime t) const override
    {
        const QVector<int>& order = m_window.pointsByTime();
        if (order.isEmpty()) return 0;
        const auto after = std::lower_bound(order.begin(), order.end(), t,
                                            [this](int i, qm::DateTime v) { return m_window.points.at(i).Time < v; });
        if (after == order.begin()) return 1;
        if (after == order.end()) return int(order.size());
        const int n = int(after - order.begin()) + 1;  // the first at or after t
        return t - point(n - 1).Time <= point(n).Time - t ? n - 1 : n;
    }
    qm::DateTime timeOf(int sample) const override { return point(sample).Time; }
    QList<qm::ReadoutRow> rows(int sample) const override
    {
        const qm::ArchivePoint& p = point(sample);
        return {{PhColour, QStringLiteral("pH"), qm::CursorReadout::valueText(p.Value1, false)},
                {TColour, QStringLiteral("T"), qm::CursorReadout::valueText(p.Value3, true)}};
    }

private:
    // Sample n (1-based) in time order.
    const qm::ArchivePoint& point(int n) const { return m_window.points.at(m_window.pointsByTime().at(n - 1)); }

    const ArchiveChartWindow& m_window;
};

}  // namespace

ArchiveChartWindow::ArchiveChartWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FormARHGR"));
    setWindowTitle(QStringLiteral("АРХИВ"));
    // Sizeable, always on top, a close button but no minimise or maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFont(qm::PixelFont(QStringLiteral("MS Sans Serif"), 11, false));
    // The axes' numbers and dates with Latin digits, as the archive files write them.
    setLocale(QLocale::c());
    // Closing the main window ends the program even while this one is on screen.
    setAttribute(Qt::WA_QuitOnClose, false);

    viewMenu = menuBar()->addMenu(QStringLiteral("Вид"));
    viewMenu->setObjectName(QStringLiteral("N1"));
    dateAction = viewMenu->addAction(QStringLiteral("Дата"));
    dateAction->setObjectName(QStringLiteral("N3"));
    timeAction = viewMenu->addAction(QStringLiteral("Время"));
    timeAction->setObjectName(QStringLiteral("N4"));
    for (QAction* item : {dateAction, timeAction}) {
        item->setCheckable(true);
        item->setChecked(true);
        // The menu toggles the mark itself; toggleDateLabels/toggleTimeLabels toggle it from code.
        connect(item, &QAction::toggled, this, &ArchiveChartWindow::applyTimeLabels);
    }

    auto* client = new QWidget(this);
    setCentralWidget(client);
    plot = new QCustomPlot(client);
    plot->setObjectName(QStringLiteral("Chart1"));
    plot->setAccessibleName(QStringLiteral("График архива"));
    plot->setGeometry(ChartLeft, 0, ChartDesignWidth, ChartDesignHeight);
    setupChart();
    // Zoom, pan and the values at the pointer as on the trend chart; the view's own window back
    // with a double-click or Home.
    m_gestures = std::make_unique<qm::ChartGestures>(plot);
    connect(m_gestures.get(), &qm::ChartGestures::resetRequested, this, &ArchiveChartWindow::resetZoom);
    for (QCPAxis* axis : {plot->xAxis, plot->yAxis, plot->yAxis2})
        connect(axis, QOverload<const QCPRange&, const QCPRange&>::of(&QCPAxis::rangeChanged), this,
                [this, axis](const QCPRange& range, const QCPRange& before) { axisMoved(axis, range, before); });
    m_readout = std::make_unique<qm::CursorReadout>(plot, std::make_unique<ArchiveReadout>(*this));
    connect(plot, &QCustomPlot::afterReplot, this, [this] { m_readout->refresh(); });
    // QCustomPlot queues a replot of itself when it is made. This window is hidden until the first
    // view, which draws the chart: drawing it at start-up would only cost time and buffers.
    QCoreApplication::removePostedEvents(plot, QEvent::MetaCall);
    // Whoever drew the chart (a view, a relabel, or QCustomPlot itself on a resize), it is current.
    connect(plot, &QCustomPlot::afterReplot, this, [this] { m_stale = false; });

    const QFont labelFont = qm::PixelFont(QStringLiteral("MS Sans Serif"), 17, true);
    phLabel = new QLabel(QStringLiteral("pH"), plot);
    phLabel->setObjectName(QStringLiteral("Label1"));
    tLabel = new QLabel(QStringLiteral("T"), plot);
    tLabel->setObjectName(QStringLiteral("Label2"));
    for (auto [label, colour] : {std::pair{phLabel, PhColour}, std::pair{tLabel, TColour}}) {
        label->setFont(labelFont);
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, colour);
        label->setPalette(pal);
        label->adjustSize();
    }
    phLabel->move(48, LabelTop);
    tLabel->move(Label2Left, LabelTop);

    setTimeFormat();
    // Without a frame the outer size is the widget's size; showEvent corrects for a real frame.
    resize(DesignWidth, DesignHeight);
    fitChartToWindow();  // a hidden window gets its resize event only when shown
}

ArchiveChartWindow::~ArchiveChartWindow()
{
    // The readout's widgets are the plot's children: it goes while the plot is still there.
    m_readout.reset();
}

void ArchiveChartWindow::setupChart()
{
    const QFont axisFont = qm::BoldArial(17);
    QCPAxis* bottom = plot->xAxis;
    QCPAxis* left = plot->yAxis;
    QCPAxis* right = plot->yAxis2;

    bottom->setTickLabelFont(axisFont);
    bottom->setTickLabelColor(Qt::black);
    left->setTickLabelFont(axisFont);
    left->setLabelFont(axisFont);
    left->setTickLabelColor(PhColour);
    left->setLabelColor(PhColour);
    right->setVisible(true);
    right->setTickLabels(true);
    right->setTickLabelFont(axisFont);
    right->setTickLabelColor(TColour);
    // The scales' step is a wish: a whole multiple of it is used when labels would crowd.
    for (QCPAxis* axis : {left, right}) {
        auto ticker = QSharedPointer<QCPAxisTickerFixed>::create();
        ticker->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
        axis->setTicker(ticker);
    }
    qm::ChartScales defaults;
    left->setRange(m_ownLeft = QCPRange(defaults.PhScaleMin, defaults.PhScaleMax));
    right->setRange(m_ownRight = QCPRange(defaults.TScaleMin, defaults.TScaleMax));
    m_ownTime = bottom->range();
    left->ticker().staticCast<QCPAxisTickerFixed>()->setTickStep(defaults.PhScaleStep);
    right->ticker().staticCast<QCPAxisTickerFixed>()->setTickStep(defaults.TScaleStep);

    phGraph = plot->addGraph(bottom, left);
    phGraph->setName(QStringLiteral("Series1"));
    phGraph->setPen(QPen(PhColour, 3));
    phGraph->setScatterStyle(Marker(QCPScatterStyle::ssCircle, PhColour));

    tGraph = plot->addGraph(bottom, right);
    tGraph->setName(QStringLiteral("Series2"));
    tGraph->setPen(QPen(TColour, 3));
    tGraph->setScatterStyle(Marker(QCPScatterStyle::ssTriangle, TColour));
    // Drawn without antialiasing, as the trend chart is: crisp 7-pixel markers, and an archive of
    // thousands of points on screen in a fraction of the time.
    for (QCPGraph* series : {phGraph, tGraph}) {
        series->setAntialiased(false);
        series->setAntialiasedScatters(false);
    }
}

QString ArchiveChartWindow::bottomLabelFormat() const
{
    auto ticker = plot->xAxis->ticker().dynamicCast<QCPAxisTickerDateTime>();
    return ticker ? ticker->dateTimeFormat() : QString();
}

void ArchiveChartWindow::applyTimeLabels()
{
    setTimeFormat();
    redraw();
}

void ArchiveChartWindow::setTimeFormat()
{
    qm::SetTimeLabelFormat(plot->xAxis, qm::TimeLabelFormat(dateAction->isChecked(), timeAction->isChecked()));
}

void ArchiveChartWindow::redraw()
{
    m_stale = true;
    if (isVisible()) plot->replot();
}

void ArchiveChartWindow::toggleDateLabels() { dateAction->toggle(); }
void ArchiveChartWindow::toggleTimeLabels() { timeAction->toggle(); }

void ArchiveChartWindow::fitChartToWindow()
{
    const QSize outer = frameGeometry().size();
    plot->resize(qMax(0, outer.width() - 25), qMax(0, outer.height() - 75));
    tLabel->move(plot->width() - (ChartDesignWidth - Label2Left), LabelTop);
    // Room above the plot for the two labels.
    plot->axisRect()->setMinimumMargins(QMargins(0, qMax(40, plot->height() * 8 / 100), 0, 0));
    fitValueTicks();
}

void ArchiveChartWindow::fitValueTicks()
{
    // As many value labels as fit the axis height without touching.
    const QFontMetrics fm(plot->yAxis->tickLabelFont());
    const int height = qMax(0, plot->height() - 100);
    for (QCPAxis* axis : {plot->yAxis, plot->yAxis2}) axis->ticker()->setTickCount(qMax(2, height / (fm.height() + 4)));
}

namespace {

// A step that is not positive would leave the axis unusable: it keeps what it was.
void ApplyStep(QCPAxis* axis, int step)
{
    if (step > 0) axis->ticker().staticCast<QCPAxisTickerFixed>()->setTickStep(step);
}

}  // namespace

void ArchiveChartWindow::setRange(QCPAxis* axis, const QCPRange& range)
{
    const QScopedValueRollback<bool> program(m_programSets, true);
    axis->setRange(range);
}

void ArchiveChartWindow::axisMoved(QCPAxis* axis, const QCPRange& range, const QCPRange& before)
{
    if (m_programSets) return;
    const QCPRange bounded = qm::ChartGestures::boundedFor(axis, range, before);
    if (bounded != range) setRange(axis, bounded);
}

void ArchiveChartWindow::resetZoom()
{
    setRange(plot->xAxis, m_ownTime);
    setRange(plot->yAxis, m_ownLeft);
    setRange(plot->yAxis2, m_ownRight);
    redraw();
}

void ArchiveChartWindow::closeEvent(QCloseEvent* event)
{
    // The keys go back to the window the operator came from.
    if (m_mainWindow && m_mainWindow->isVisible() && isActiveWindow()) m_mainWindow->activateWindow();
    QMainWindow::closeEvent(event);
}

void ArchiveChartWindow::keyPressEvent(QKeyEvent* event)
{
    // Esc closes the window, as its close button does.
    if (event->matches(QKeySequence::Cancel)) {
        close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void ArchiveChartWindow::fillArchive(const QString& path, const QVector<qm::ArchivePoint>& viewed,
                             const qm::ChartScales& scales)
{
    points = viewed;
    m_byTime.resize(points.size());
    std::iota(m_byTime.begin(), m_byTime.end(), 0);
    std::stable_sort(m_byTime.begin(), m_byTime.end(), [this](int a, int b) { return points[a].Time < points[b].Time; });
    setWindowTitle(QStringLiteral("АРХИВ: ") + QDir::toNativeSeparators(path));

    QVector<double> keys, ph, t;
    keys.reserve(points.size());
    ph.reserve(points.size());
    t.reserve(points.size());
    for (const qm::ArchivePoint& p : points) {
        keys.append(qm::ChartKey(p.Time));
        ph.append(p.Value1);
        t.append(p.Value3);
    }
    phGraph->setData(keys, ph);  // sorts by time
    tGraph->setData(keys, t);
    // A range whose maximum is not above its minimum would leave the axis unusable: that axis
    // keeps what it was.
    if (scales.PhScaleMin < scales.PhScaleMax) m_ownLeft = QCPRange(scales.PhScaleMin, scales.PhScaleMax);
    if (scales.TScaleMin < scales.TScaleMax) m_ownRight = QCPRange(scales.TScaleMin, scales.TScaleMax);
    ApplyStep(plot->yAxis, scales.PhScaleStep);
    ApplyStep(plot->yAxis2, scales.TScaleStep);
    // The time axis follows the points; with none it keeps its range.
    if (!points.isEmpty()) {
        const QScopedValueRollback<bool> program(m_programSets, true);
        plot->xAxis->rescale();
        m_ownTime = plot->xAxis->range();
    }
    // Each view starts in its own window, whatever the last one was zoomed to.
    setRange(plot->xAxis, m_ownTime);
    setRange(plot->yAxis, m_ownLeft);
    setRange(plot->yAxis2, m_ownRight);
    fitValueTicks();
    setTimeFormat();
    m_stale = true;  // drawn by showOver
}

void ArchiveChartWindow::showOver(QWidget* mainWindow)
{
    m_mainWindow = mainWindow;
    if (!m_placed && mainWindow) {
        m_placed = true;
        const QRect main = mainWindow->frameGeometry();
        move(main.x() + (main.width() - DesignWidth) / 2, main.y() + (main.height() - DesignHeight) / 2);
    }
    if (!m_fitted) {
        // Where the platform knows the frame as soon as the window exists, the outer size is
        // right before the first show, and the chart is laid out and drawn once, not again
        // for a corrected size.
        winId();
        fitOuterSize();
    }
    show();  // a first show lays the chart out, which draws it
    raise();
    // The keys go to the chart the operator asked to see (Esc closes it again).
    activateWindow();
    if (m_stale) plot->replot();
}

void ArchiveChartWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    fitChartToWindow();
}

void ArchiveChartWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Changed while hidden and not drawn by the layout of the showing.
    if (m_stale) plot->replot();
    if (m_fitted) return;
    m_fitted = true;
    // The window manager reports the frame only once the window is mapped.
    QTimer::singleShot(0, this, &ArchiveChartWindow::fitOuterSize);
    QTimer::singleShot(300, this, &ArchiveChartWindow::fitOuterSize);
}

void ArchiveChartWindow::fitOuterSize()
{
    const QSize frame = frameGeometry().size() - size();
    resize(DesignWidth - frame.width(), DesignHeight - frame.height());
}
