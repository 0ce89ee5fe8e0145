#include "ArchiveChartWindow.h"

#include "ChartTime.h"
#include "PixelFont.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QShowEvent>
#include <QTimer>
#include <qcustomplot.h>

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

ArchiveChartWindow::~ArchiveChartWindow() = default;

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
    left->setRange(defaults.PhScaleMin, defaults.PhScaleMax);
    right->setRange(defaults.TScaleMin, defaults.TScaleMax);
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

// A range whose maximum is not above its minimum, or a step that is not positive, would leave
// the axis unusable: that part keeps what it was.
void ApplyScale(QCPAxis* axis, int min, int max, int step)
{
    if (min < max) axis->setRange(min, max);
    if (step > 0) axis->ticker().staticCast<QCPAxisTickerFixed>()->setTickStep(step);
}

}  // namespace

void ArchiveChartWindow::fillArchive(const QString& path, const QVector<qm::ArchivePoint>& viewed,
                             const qm::ChartScales& scales)
{
    points = viewed;
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
    ApplyScale(plot->yAxis, scales.PhScaleMin, scales.PhScaleMax, scales.PhScaleStep);
    ApplyScale(plot->yAxis2, scales.TScaleMin, scales.TScaleMax, scales.TScaleStep);
    // The time axis follows the points; with none it keeps its range.
    if (!points.isEmpty()) plot->xAxis->rescale();
    fitValueTicks();
    setTimeFormat();
    m_stale = true;  // drawn by showOver
}

void ArchiveChartWindow::showOver(QWidget* mainWindow)
{
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
