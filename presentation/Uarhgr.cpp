#include "Uarhgr.h"

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

// Chart1's design rectangle in the client area; Label2 keeps its distance to the right edge.
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

TFormARHGR::TFormARHGR(QWidget* parent) : QMainWindow(parent)
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

    N1 = menuBar()->addMenu(QStringLiteral("Вид"));
    N1->setObjectName(QStringLiteral("N1"));
    N3 = N1->addAction(QStringLiteral("Дата"));
    N3->setObjectName(QStringLiteral("N3"));
    N4 = N1->addAction(QStringLiteral("Время"));
    N4->setObjectName(QStringLiteral("N4"));
    for (QAction* item : {N3, N4}) {
        item->setCheckable(true);
        item->setChecked(true);
        // The menu toggles the mark itself; N3Click/N4Click toggle it from code.
        connect(item, &QAction::toggled, this, &TFormARHGR::dform);
    }

    auto* client = new QWidget(this);
    setCentralWidget(client);
    Chart1 = new QCustomPlot(client);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    Chart1->setAccessibleName(QStringLiteral("График архива"));
    Chart1->setGeometry(ChartLeft, 0, ChartDesignWidth, ChartDesignHeight);
    setupChart();
    // QCustomPlot queues a replot of itself when it is made. This window is hidden until the first
    // view, which draws the chart: drawing it at start-up would only cost time and buffers.
    QCoreApplication::removePostedEvents(Chart1, QEvent::MetaCall);
    // Whoever drew the chart (a view, a relabel, or QCustomPlot itself on a resize), it is current.
    connect(Chart1, &QCustomPlot::afterReplot, this, [this] { m_stale = false; });

    const QFont labelFont = qm::PixelFont(QStringLiteral("MS Sans Serif"), 17, true);
    Label1 = new QLabel(QStringLiteral("pH"), Chart1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("T"), Chart1);
    Label2->setObjectName(QStringLiteral("Label2"));
    for (auto [label, colour] : {std::pair{Label1, PhColour}, std::pair{Label2, TColour}}) {
        label->setFont(labelFont);
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, colour);
        label->setPalette(pal);
        label->adjustSize();
    }
    Label1->move(48, LabelTop);
    Label2->move(Label2Left, LabelTop);

    setTimeFormat();
    // Without a frame the outer size is the widget's size; showEvent corrects for a real frame.
    resize(DesignWidth, DesignHeight);
    FormResize();  // a hidden window gets its resize event only when shown
}

TFormARHGR::~TFormARHGR() = default;

void TFormARHGR::setupChart()
{
    const QFont axisFont = qm::BoldArial(17);
    QCPAxis* bottom = Chart1->xAxis;
    QCPAxis* left = Chart1->yAxis;
    QCPAxis* right = Chart1->yAxis2;

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

    Series1 = Chart1->addGraph(bottom, left);
    Series1->setName(QStringLiteral("Series1"));
    Series1->setPen(QPen(PhColour, 3));
    Series1->setScatterStyle(Marker(QCPScatterStyle::ssCircle, PhColour));

    Series2 = Chart1->addGraph(bottom, right);
    Series2->setName(QStringLiteral("Series2"));
    Series2->setPen(QPen(TColour, 3));
    Series2->setScatterStyle(Marker(QCPScatterStyle::ssTriangle, TColour));
    // Drawn without antialiasing, as the trend chart is: crisp 7-pixel markers, and an archive of
    // thousands of points on screen in a fraction of the time.
    for (QCPGraph* series : {Series1, Series2}) {
        series->setAntialiased(false);
        series->setAntialiasedScatters(false);
    }
}

QString TFormARHGR::bottomLabelFormat() const
{
    auto ticker = Chart1->xAxis->ticker().dynamicCast<QCPAxisTickerDateTime>();
    return ticker ? ticker->dateTimeFormat() : QString();
}

void TFormARHGR::dform()
{
    setTimeFormat();
    redraw();
}

void TFormARHGR::setTimeFormat()
{
    qm::SetTimeLabelFormat(Chart1->xAxis, qm::TimeLabelFormat(N3->isChecked(), N4->isChecked()));
}

void TFormARHGR::redraw()
{
    m_stale = true;
    if (isVisible()) Chart1->replot();
}

void TFormARHGR::N3Click() { N3->toggle(); }
void TFormARHGR::N4Click() { N4->toggle(); }

void TFormARHGR::FormResize()
{
    const QSize outer = frameGeometry().size();
    Chart1->resize(qMax(0, outer.width() - 25), qMax(0, outer.height() - 75));
    Label2->move(Chart1->width() - (ChartDesignWidth - Label2Left), LabelTop);
    // Room above the plot for the two labels.
    Chart1->axisRect()->setMinimumMargins(QMargins(0, qMax(40, Chart1->height() * 8 / 100), 0, 0));
    fitValueTicks();
}

void TFormARHGR::fitValueTicks()
{
    // As many value labels as fit the axis height without touching.
    const QFontMetrics fm(Chart1->yAxis->tickLabelFont());
    const int height = qMax(0, Chart1->height() - 100);
    for (QCPAxis* axis : {Chart1->yAxis, Chart1->yAxis2}) axis->ticker()->setTickCount(qMax(2, height / (fm.height() + 4)));
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

void TFormARHGR::fillArchive(const QString& path, const QVector<qm::ArchivePoint>& points,
                             const qm::ChartScales& scales)
{
    ArchivePoints = points;
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
    Series1->setData(keys, ph);  // sorts by time
    Series2->setData(keys, t);
    ApplyScale(Chart1->yAxis, scales.PhScaleMin, scales.PhScaleMax, scales.PhScaleStep);
    ApplyScale(Chart1->yAxis2, scales.TScaleMin, scales.TScaleMax, scales.TScaleStep);
    // The time axis follows the points; with none it keeps its range.
    if (!points.isEmpty()) Chart1->xAxis->rescale();
    fitValueTicks();
    setTimeFormat();
    m_stale = true;  // drawn by showOver
}

void TFormARHGR::showOver(QWidget* mainWindow)
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
    if (m_stale) Chart1->replot();
}

void TFormARHGR::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TFormARHGR::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Changed while hidden and not drawn by the layout of the showing.
    if (m_stale) Chart1->replot();
    if (m_fitted) return;
    m_fitted = true;
    // The window manager reports the frame only once the window is mapped.
    QTimer::singleShot(0, this, &TFormARHGR::fitOuterSize);
    QTimer::singleShot(300, this, &TFormARHGR::fitOuterSize);
}

void TFormARHGR::fitOuterSize()
{
    const QSize frame = frameGeometry().size() - size();
    resize(DesignWidth - frame.width(), DesignHeight - frame.height());
}
