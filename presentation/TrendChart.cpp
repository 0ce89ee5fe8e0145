#include "TrendChart.h"

#include "ChartGestures.h"
#include "ChartLimitLines.h"
#include "ChartTime.h"
#include "CursorReadout.h"
#include "PixelFont.h"
#include "TrendPlot.h"
#include "TrendReadout.h"
#include "TrendTimeTicker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPointer>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTableWidget>
#include <qcustomplot.h>

#include <algorithm>
#include <array>
#include <memory>

namespace qm {

namespace {

constexpr DateTime FiveMinutes = 1.0 / 288.0;
constexpr DateTime TenMinutes = 1.0 / 144.0;
// Times come from whole-second texts; a sum of day fractions may miss the next whole second
// by a rounding error, which must not delay a sample or a save by a whole tick.
constexpr DateTime Tolerance = 1.0 / 86400000.0;

const QColor SlotColours[5] = {QColor(), QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 255), QColor(128, 0, 0)};

// A grid cell as a decimal integer: leading blanks and a sign are accepted, nothing else.
bool cellInteger(const QTableWidget* grid, int column, int row, qint32* out)
{
    const QTableWidgetItem* item = grid->item(row, column);
    if (!item) return false;
    static const QRegularExpression re(QStringLiteral("^\\s*[+-]?\\d+$"));
    const QString text = item->text();
    if (!re.match(text).hasMatch()) return false;
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (ok) *out = v;
    return ok;
}

// The scales as the scale grid lays them out: pH then T by row, min, max and step by column.
using ScaleGrid = std::array<std::array<qint32, 3>, 2>;
ScaleGrid scaleGrid(const ChartScales& v)
{
    return {{{v.PhScaleMin, v.PhScaleMax, v.PhScaleStep}, {v.TScaleMin, v.TScaleMax, v.TScaleStep}}};
}

void setCell(QTableWidget* grid, int column, int row, const QString& text)
{
    QTableWidgetItem* item = grid->item(row, column);
    if (!item) grid->setItem(row, column, item = new QTableWidgetItem);
    item->setText(text);
}

}  // namespace

class TrendChart::Private {
public:
    TrendChartWidgets w;
    QPointer<TrendPlot> plot;  // owned by the plot
    QCPLayer* layer = nullptr;
    QSharedPointer<TrendTimeTicker> timeTicker;
    QSharedPointer<QCPAxisTickerFixed> leftTicker, rightTicker;
    int depth = 0;
    std::unique_ptr<ChartGestures> gestures;
    std::unique_ptr<CursorReadout> readout;
    std::unique_ptr<ChartLimitLines> limitLines;
    // The ranges the program's rules set; the axes show them unless the operator moved them.
    QCPRange programTime, programLeft, programRight;
    bool zoomed = false;       // the operator moved the time axis
    bool programSets = false;  // an axis range is being set by the program, not by a gesture
    // What the last full replot showed besides the series.
    struct Frame {
        QCPRange key, left, right;
        bool rightVisible = true;
        QString format;
        double leftStep = 0, rightStep = 0;
        QSize size;
        bool operator==(const Frame& o) const
        {
            return key == o.key && left == o.left && right == o.right && rightVisible == o.rightVisible
                   && format == o.format && leftStep == o.leftStep && rightStep == o.rightStep && size == o.size;
        }
    } lastFrame;
    bool framed = false;

    explicit Private(const TrendChartWidgets& widgets) : w(widgets) {}

    QComboBox* list(int slot) const
    {
        return w.slotLists[size_t(std::clamp(slot, 1, 4) - 1)];
    }
    // Slot list `slot` at item `item` (an item the list lacks: none), without a change event.
    void setListItem(int slot, int item) const
    {
        if (QComboBox* box = list(slot)) {
            const QSignalBlocker blocker(box);
            box->setCurrentIndex(item >= 0 && item < box->count() ? item : -1);
        }
    }
    Frame frame() const
    {
        QCustomPlot* c = w.plot;
        return Frame{c->xAxis->range(), c->yAxis->range(),  c->yAxis2->range(), c->yAxis2->visible(),
                     timeTicker->format(), leftTicker->tickStep(), rightTicker->tickStep(), c->size()};
    }
};

namespace {

// Handlers nest (the sampling step runs the slot refills, which run ApplyChartSetup); the chart
// is redrawn once, when the outermost one returns.
class Batch {
public:
    explicit Batch(TrendChart* chart, int& depth) : m_chart(chart), m_depth(depth) { ++m_depth; }
    ~Batch()
    {
        if (--m_depth == 0) m_chart->Redraw();
    }

private:
    TrendChart* m_chart;
    int& m_depth;
};

}  // namespace

TrendChart::TrendChart(const TrendChartWidgets& widgets, TrendStore& store)
    : d(new Private(widgets)), m_store(store)
{
}

TrendChart::~TrendChart()
{
    // The series item reads the store: it goes with the chart object unless the plot took it already.
    d->readout.reset();
    d->gestures.reset();
    delete d->plot.data();
    delete d;
}

void TrendChart::Setup() { Setup(NowDateTime()); }

void TrendChart::Setup(DateTime now)
{
    QCustomPlot* c = d->w.plot;
    const QFont font = BoldArial(17);

    // No title, no legend; silver to white behind everything, a transparent plotting area.
    QLinearGradient gradient(0, 0, 0, 1);
    gradient.setCoordinateMode(QGradient::ObjectMode);
    gradient.setColorAt(0, QColor(192, 192, 192));
    gradient.setColorAt(1, Qt::white);
    c->setBackground(QBrush(gradient));
    c->axisRect()->setBackground(Qt::NoBrush);
    c->legend->setVisible(false);
    c->setNoAntialiasingOnDrag(true);

    d->timeTicker = QSharedPointer<TrendTimeTicker>::create();
    d->timeTicker->setAxis(c->xAxis);
    c->xAxis->setTicker(d->timeTicker);
    d->leftTicker = QSharedPointer<QCPAxisTickerFixed>::create();
    d->rightTicker = QSharedPointer<QCPAxisTickerFixed>::create();
    for (auto* t : {d->leftTicker.data(), d->rightTicker.data()}) t->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
    const ChartScales first;  // what the axes show until the scales are applied
    d->leftTicker->setTickStep(m_scales.PhScaleStep > 0 ? m_scales.PhScaleStep : first.PhScaleStep);
    d->rightTicker->setTickStep(m_scales.TScaleStep > 0 ? m_scales.TScaleStep : first.TScaleStep);
    c->yAxis->setTicker(d->leftTicker);
    c->yAxis2->setTicker(d->rightTicker);
    setAxis(c->yAxis, d->programLeft = QCPRange(first.PhScaleMin, first.PhScaleMax));
    setAxis(c->yAxis2, d->programRight = QCPRange(first.TScaleMin, first.TScaleMax));
    c->yAxis2->setVisible(true);
    c->yAxis2->setTickLabels(true);
    for (QCPAxis* axis : {c->xAxis, c->yAxis, c->yAxis2}) {
        axis->setTickLabelFont(font);
        axis->setTickLabelColor(Qt::black);
    }
    c->xAxis2->setVisible(false);

    // The series are drawn by one item straight from the store, above the grid and below the axes.
    if (!d->layer) {
        c->addLayer(QStringLiteral("trend"), c->layer(QStringLiteral("main")), QCustomPlot::limAbove);
        d->layer = c->layer(QStringLiteral("trend"));
        d->layer->setMode(QCPLayer::lmBuffered);
        d->plot = new TrendPlot(c, m_store, c->xAxis, c->yAxis, c->yAxis2);
        d->plot->setLayer(d->layer);
        applyJoinGap();
        d->limitLines = std::make_unique<ChartLimitLines>(c);

        // Wheel, drag and keys; a double-click or Home back to the rules' window.
        d->gestures = std::make_unique<ChartGestures>(c);
        for (QCPAxis* axis : {c->xAxis, c->yAxis, c->yAxis2})
            QObject::connect(axis, QOverload<const QCPRange&, const QCPRange&>::of(&QCPAxis::rangeChanged),
                             d->gestures.get(), [this, axis](const QCPRange& range, const QCPRange& before) {
                                 axisMoved(axis, range, before);
                             });
        QObject::connect(d->gestures.get(), &ChartGestures::resetRequested, d->gestures.get(), [this] { ResetZoom(); });
        d->readout = std::make_unique<CursorReadout>(
            c, std::make_unique<TrendReadout>(m_store, *d->plot, [this](int slot) {
                return d->list(slot) ? d->list(slot)->currentText() : QString();
            }));
        // A wheel zoom redraws through QCustomPlot alone; the values at the resting pointer follow.
        QObject::connect(c, &QCustomPlot::afterReplot, d->readout.get(), [this] { d->readout->refresh(); });
    }
    for (int n = 1; n <= TrendPlot::SeriesCount; ++n) {
        TrendPlot::Series& s = d->plot->series[n];
        s.active = true;
        s.channel = 0;
        if (n <= 4) {
            s.colour = SlotColours[n];
            s.right = n >= 3;
        } else if (n <= 14) {
            const int level = 112 - 2 * (n - 5);
            s.colour = QColor(level, level, level);
            s.right = false;
        } else {
            const int level = 92 - 2 * (n - 15);
            s.colour = QColor(level, level, level);
            s.right = true;
        }
    }

    // The slot lists in their slot's colour, on the button face. The form's style sheet paints
    // them so, and Qt's style sheet style puts the sheet's colours into a copy of the list's
    // palette at every paint: unless the palette holds those very colours already, each paint
    // gets a palette of its own, the Fusion style keys its cached picture of the drop-down arrow
    // by it, and a new picture goes into the pixmap cache at every paint (the chart redraws the
    // columns under a list at every sample). Qt 6.4's cache never lets go of the keys it
    // evicts: about 280 bytes a paint, 40 MB a day. So the palette holds what the sheet puts in:
    // the text in the slot's colour, and the background's colours as the style sheet style
    // derives them from the button face.
    for (int slot = 1; slot <= 4; ++slot) {
        QComboBox* box = d->list(slot);
        if (!box) continue;
        box->setFont(font);
        QPalette p = box->palette();
        for (const QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
            p.setColor(role, SlotColours[slot]);
        const QColor face = p.color(QPalette::Button);
        p.setColor(QPalette::Button, face);
        p.setColor(QPalette::Window, face);
        p.setColor(QPalette::Light, face.lighter(115));
        p.setColor(QPalette::Midlight, face.lighter(107));
        p.setColor(QPalette::Dark, face.darker(150));
        p.setColor(QPalette::Shadow, face.darker(300));
        box->setPalette(p);
    }

    if (QTableWidget* g = d->w.scaleGrid) {
        setCell(g, 1, 0, QStringLiteral("Min"));
        setCell(g, 2, 0, QStringLiteral("Max"));
        setCell(g, 3, 0, QStringLiteral("Cdel"));
        setCell(g, 0, 1, QStringLiteral("pH"));
        setCell(g, 0, 2, QStringLiteral("T"));
        for (int col = 0; col < g->columnCount(); ++col)
            for (int row = 0; row < g->rowCount(); ++row)
                if (QTableWidgetItem* item = g->item(row, col); item && (row == 0 || col == 0))
                    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        g->setVisible(d->w.editScalesBox && d->w.editScalesBox->isChecked());
    }

    Batch batch(this, d->depth);
    d->zoomed = false;
    m_labelFormat = QStringLiteral(" hh:mm");
    d->timeTicker->setFormat(qm::TimeLabelFormat(false, true));
    setWindow(now, now + FiveMinutes);
    d->plot->invalidate();
    d->framed = false;
}

void TrendChart::FinishStartUp(DateTime now)
{
    Batch batch(this, d->depth);
    m_nextSaveTime = now + TenMinutes;
    ApplyChartSetup();
    ApplyLayout();
    m_idleTicks = 100;
}

void TrendChart::ShowLoadedSamples()
{
    Batch batch(this, d->depth);
    const int count = m_store.TrendCount();
    if (count > 0) {
        // From the first sample of the last run whose times go forward: a clock set back while
        // the file was written leaves its times going backwards, and the window must neither be
        // swapped nor hide the newest samples.
        int first = count;
        while (first > 1 && m_store.TrendTime(first - 1) <= m_store.TrendTime(first)) --first;
        setWindow(m_store.TrendTime(first), m_store.TrendTime(count) + FiveMinutes);
    }
    // All four lists first: a refill rebuilds every list from the item it shows.
    for (int slot = 1; slot <= 4; ++slot) d->setListItem(slot, m_slotDevice[slot]);
    for (int slot = 1; slot <= 4; ++slot) SelectSlot(slot);
}

void TrendChart::setSampling(int points, int interval, int longestInterval)
{
    m_points = points;
    m_sampler.setInterval(interval, longestInterval);
    applyJoinGap();
}

// Samples more than three intervals apart (and two seconds for a tick that came late) were not
// taken in one run of sampling: the program was closed or the link down between them, and the
// curves are not joined across that time.
void TrendChart::applyJoinGap()
{
    if (d->plot) d->plot->setJoinGap((3.0 * std::max(m_sampler.interval(), 1) + 2.0) * OneSecond);
}

void TrendChart::setWindow(DateTime min, DateTime max)
{
    // A window the axis would refuse leaves the rules' window as it was, as it leaves the axis.
    if (!QCPRange::validRange(ChartKey(min), ChartKey(max))) return;
    d->programTime = QCPRange(ChartKey(min), ChartKey(max));
    if (!d->zoomed) setAxis(d->w.plot->xAxis, d->programTime);
}

DateTime TrendChart::WindowMin() const { return FromChartKey(d->programTime.lower); }
DateTime TrendChart::WindowMax() const { return FromChartKey(d->programTime.upper); }
bool TrendChart::Zoomed() const { return d->zoomed; }
CursorReadout* TrendChart::Readout() const { return d->readout.get(); }

// Every range the program sets goes through here; any other change of an axis is the operator's.
void TrendChart::setAxis(QCPAxis* axis, const QCPRange& range)
{
    const QScopedValueRollback<bool> program(d->programSets, true);
    axis->setRange(range);
}

void TrendChart::axisMoved(QCPAxis* axis, const QCPRange& range, const QCPRange& before)
{
    if (d->programSets) return;
    // The operator's wheel, drag or keys.
    QCustomPlot* c = d->w.plot;
    if (axis == c->xAxis) d->zoomed = true;
    const QCPRange bounded = ChartGestures::boundedFor(axis, range, before);
    if (bounded != range) setAxis(axis, bounded);
}

void TrendChart::ResetZoom()
{
    Batch batch(this, d->depth);
    QCustomPlot* c = d->w.plot;
    d->zoomed = false;
    setAxis(c->xAxis, d->programTime);
    setAxis(c->yAxis, d->programLeft);
    setAxis(c->yAxis2, d->programRight);
}

void TrendChart::Tick()
{
    ++m_idleTicks;
    if (m_idleTicks > 100) {
        m_idleTicks = 0;
        emit idle();
    }
    DateTime now = NowDateTime();
    // A tick comes every second: a clock that moved further than the window's five minutes since
    // the last one was set (by hand, by summer time) or the computer slept. The next sample
    // starts the window afresh, as at start-up, so that it neither hides nor squeezes the samples.
    if (m_lastTick != 0 && qAbs(now - m_lastTick) > FiveMinutes + Tolerance) m_clockJumped = true;
    m_lastTick = now;
    if (!m_sampler.linkUp()) return;

    // The computer's clock set back (by hand, or at the end of summer time) would leave the next
    // save and sample due far ahead, and the chart frozen until then: they fall due from now.
    if (m_nextSaveTime - now > TenMinutes + Tolerance) m_nextSaveTime = now + TenMinutes;
    m_sampler.followClock(now);
    if (now >= m_nextSaveTime - Tolerance) {
        emit saveDue();
        // Only after the save has returned, so that a failing save is tried again at the next
        // save time and not at every tick.
        m_nextSaveTime = now + TenMinutes;
        // The save may have taken its time: the sample carries the time its values are read.
        now = NowDateTime();
    }
    if (!m_sampler.due(now)) return;

    Batch batch(this, d->depth);
    const int limit = std::clamp(m_points, 1, TrendStore::TrendCapacity);
    const int before = m_store.TrendCount();
    const bool full = limit <= before;
    const DateTime onlyOne = before == 1 ? m_store.TrendTime(1) : 0;
    // Time going back by more than the window's margin since the newest sample held: the clock
    // was set back, or that sample (loaded from the file) is dated in the future.
    const bool backwards = before >= 1 && now < m_store.TrendTime(before) - FiveMinutes - Tolerance;
    // Only what was measured within the last round: anything older goes in as the no-answer mark.
    const Sampler::Channels live = m_sampler.take(now);
    m_store.AddSample(now, live.data(), limit);
    emit sampleTaken();
    if (full && before >= 1) {
        // The left edge follows the oldest sample, but never past the newest.
        const DateTime oldest = before >= 2 ? m_store.TrendTime(1) : onlyOne;
        if (oldest - WindowMin() > FiveMinutes && oldest <= now) setWindow(oldest, WindowMax());
    }
    if (m_clockJumped || backwards || now < WindowMin() - Tolerance) {
        setWindow(now, now + FiveMinutes);
        m_clockJumped = false;
    } else if (now > WindowMax()) {
        setWindow(WindowMin(), now + FiveMinutes);
    }

    m_byUser = false;
    for (int slot = 1; slot <= 4; ++slot) SelectSlot(slot);
    m_byUser = true;
}

void TrendChart::refillSlot(int slot)
{
    if (m_byUser) m_idleTicks = 0;
    const int index = d->list(slot)->currentIndex();
    const bool temperature = slot >= 3;
    const int channel = index < 0 || index >= MaxDevices ? 0 : (temperature ? 2 * index + 2 : 2 * index + 1);
    d->plot->series[slot].channel = channel;
    // The grey curves of every row but the one shown in colour.
    if (slot == 1 || slot == 3) {
        for (int k = 1; k <= MaxDevices; ++k) {
            TrendPlot::Series& s = d->plot->series[(slot == 1 ? 4 : 14) + k];
            const int own = slot == 1 ? 2 * k - 1 : 2 * k;
            s.channel = s.active && own != channel ? own : 0;
        }
    }
    if (slot <= 3) ApplyChartSetup();
}

void TrendChart::SelectSlot(int slot)
{
    Batch batch(this, d->depth);
    refillSlot(slot);
}

void TrendChart::SelectSlot(int slot, int item)
{
    d->setListItem(slot, item);
    SelectSlot(slot);
}

void TrendChart::ResetSlotLists()
{
    for (int slot = 1; slot <= 4; ++slot) {
        QComboBox* box = d->list(slot);
        const QSignalBlocker blocker(box);
        box->setCurrentIndex(box->count() > 0 ? 0 : -1);
    }
}

void TrendChart::applyScales()
{
    // A range whose maximum is not above its minimum, or a step that is not positive, would leave
    // the axis unusable: that axis keeps what it shows.
    QCustomPlot* c = d->w.plot;
    const ChartScales& v = m_scales;
    if (v.PhScaleMin < v.PhScaleMax) setAxis(c->yAxis, d->programLeft = QCPRange(v.PhScaleMin, v.PhScaleMax));
    if (v.PhScaleStep > 0) d->leftTicker->setTickStep(v.PhScaleStep);
    if (v.TScaleMin < v.TScaleMax) setAxis(c->yAxis2, d->programRight = QCPRange(v.TScaleMin, v.TScaleMax));
    if (v.TScaleStep > 0) d->rightTicker->setTickStep(v.TScaleStep);
}

void TrendChart::rebuildLists()
{
    const int first = m_range.first();
    const int count = m_range.count();
    for (int slot = 1; slot <= 4; ++slot) {
        QComboBox* box = d->list(slot);
        m_slotDevice[slot] = box->currentIndex();
        QStringList items;
        const QString prefix = slot <= 2 ? QStringLiteral("pH.") : QStringLiteral("T.");
        for (int i = 1; i <= count; ++i) items << prefix + QString::number(first + i - 1);
        const int index = m_slotDevice[slot] < items.size() ? m_slotDevice[slot] : -1;
        bool same = box->count() == items.size();
        for (int i = 0; same && i < items.size(); ++i) same = box->itemText(i) == items[i];
        // Programmatic changes raise no change events. Rebuilding identical items is skipped, so
        // that an open drop-down is not disturbed every second.
        const QSignalBlocker block(box);
        if (!same) {
            box->clear();
            box->addItems(items);
        }
        if (box->currentIndex() != index) box->setCurrentIndex(index);
    }
}

void TrendChart::ApplyChartSetup()
{
    Batch batch(this, d->depth);
    if (m_byUser) m_idleTicks = 0;
    applyScales();
    rebuildLists();
}

void TrendChart::ApplyLayout()
{
    Batch batch(this, d->depth);
    if (m_byUser) m_idleTicks = 0;
    const int layout = d->w.layoutList ? d->w.layoutList->currentIndex() : -1;
    if (layout < 0 || layout > 4) return;
    struct Layout {
        bool right;
        bool lists[5];
        bool shown[5];
        bool phBackground, tBackground;
    };
    static const Layout layouts[5] = {
        {false, {false, true, false, false, false}, {false, true, false, false, false}, false, false},  // "1"
        {true, {false, true, false, true, false}, {false, true, false, true, false}, false, false},     // "2"
        {true, {false, true, true, true, true}, {false, true, true, true, true}, false, false},         // "4"
        {false, {false, true, false, false, false}, {false, true, false, false, false}, true, false},   // "pH"
        {true, {false, true, false, true, false}, {false, true, false, true, false}, true, true},       // "pH+T"
    };
    const Layout& l = layouts[layout];
    d->w.plot->yAxis2->setVisible(l.right);
    for (int slot = 1; slot <= 4; ++slot) {
        d->list(slot)->setVisible(l.lists[slot]);
        d->plot->series[slot].active = l.shown[slot];
    }
    const int devices = m_range.count();
    for (int k = 1; k <= MaxDevices; ++k) {
        d->plot->series[4 + k].active = l.phBackground && k <= devices;
        d->plot->series[14 + k].active = l.tBackground && k <= devices;
    }
    if (l.phBackground) SelectSlot(1);
    if (l.tBackground) SelectSlot(3);
}

void TrendChart::EditScales()
{
    Batch batch(this, d->depth);
    if (m_byUser) m_idleTicks = 0;
    QTableWidget* g = d->w.scaleGrid;
    const bool checked = d->w.editScalesBox->isChecked();
    g->setVisible(checked);
    if (checked) {
        const ScaleGrid values = scaleGrid(m_scales);
        for (int row = 1; row <= 2; ++row)
            for (int col = 1; col <= 3; ++col) setCell(g, col, row, QString::number(values[row - 1][col - 1]));
        return;
    }
    // A cell that is empty or no integer gives its default.
    const ScaleGrid defaults = scaleGrid(ChartScales());
    qint32 read[2][3];
    for (int row = 1; row <= 2; ++row)
        for (int col = 1; col <= 3; ++col) {
            qint32& v = read[row - 1][col - 1];
            if (!cellInteger(g, col, row, &v)) v = defaults[row - 1][col - 1];
        }
    // An axis whose edited maximum is not above its minimum or whose step is not positive keeps
    // its previous scale, so the chart stays readable and the saved settings stay sound.
    if (read[0][0] < read[0][1] && read[0][2] > 0) {
        m_scales.PhScaleMin = read[0][0];
        m_scales.PhScaleMax = read[0][1];
        m_scales.PhScaleStep = read[0][2];
    }
    if (read[1][0] < read[1][1] && read[1][2] > 0) {
        m_scales.TScaleMin = read[1][0];
        m_scales.TScaleMax = read[1][1];
        m_scales.TScaleStep = read[1][2];
    }
    ApplyChartSetup();
}

void TrendChart::ApplyTimeLabels()
{
    Batch batch(this, d->depth);
    const bool date = d->w.dateLabelsBox && d->w.dateLabelsBox->isChecked();
    const bool time = d->w.timeLabelsBox && d->w.timeLabelsBox->isChecked();
    m_labelFormat = QString(date ? QStringLiteral("dd.mm") : QString()) + (time ? QStringLiteral(" hh:mm") : QString());
    d->timeTicker->setFormat(qm::TimeLabelFormat(date, time));
}

QString TrendChart::TimeLabel(DateTime t) const { return d->timeTicker->labelText(t); }

void TrendChart::ClearChart()
{
    Batch batch(this, d->depth);
    m_store.Clear();
    for (int n = 1; n <= TrendPlot::SeriesCount; ++n) d->plot->series[n].channel = 0;
    d->zoomed = false;  // nothing is left to look at but the new window
    const DateTime now = NowDateTime();
    setWindow(now, now + FiveMinutes);
}

bool TrendChart::SeriesActive(int n) const
{
    return n >= 1 && n <= TrendPlot::SeriesCount && d->plot->series[n].active;
}
int TrendChart::SeriesChannel(int n) const
{
    return n >= 1 && n <= TrendPlot::SeriesCount ? d->plot->series[n].channel : 0;
}
int TrendChart::SeriesPointCount(int n) const { return SeriesChannel(n) ? m_store.TrendCount() : 0; }
TrendPlot* TrendChart::Plot() const { return d->plot; }

void TrendChart::setLimits(const AlarmLimits& limits)
{
    Batch batch(this, d->depth);
    m_limits = limits;
}

bool TrendChart::updateLimitLines()
{
    if (!d->limitLines) return false;
    std::vector<ChartLimitLines::Line> lines;
    for (int slot = 1; slot <= 4; ++slot) {
        const TrendPlot::Series& s = d->plot->series[slot];
        if (!s.drawn()) continue;
        const int row = (s.channel + 1) / 2;
        if (row > m_range.count()) continue;
        const AlarmLimit* limit = FindLimit(m_limits, m_range.addressOf(row), slot <= 2 ? AlarmQuantity::Ph : AlarmQuantity::T);
        if (!limit) continue;
        for (const std::optional<double>& v : {limit->low, limit->high})
            if (v) lines.push_back({*v, slot >= 3, SlotColours[slot]});
    }
    return d->limitLines->show(lines);
}

void TrendChart::Redraw()
{
    QCustomPlot* c = d->w.plot;
    if (!c || !d->plot) return;
    // Keep the time labels apart and the value labels at a readable density.
    const QFontMetrics fm(c->xAxis->tickLabelFont());
    const int labelWidth = fm.horizontalAdvance(d->timeTicker->labelText(WindowMax()));
    const QRect area = c->axisRect()->rect();
    d->timeTicker->setFit(area.width() > 0 ? area.width() : c->width() - 100, labelWidth);
    const int height = area.height() > 0 ? area.height() : c->height() - 60;
    d->leftTicker->setTickCount(std::max(2, height / (fm.height() + 4)));
    d->rightTicker->setTickCount(std::max(2, height / (fm.height() + 4)));

    const bool linesChanged = updateLimitLines();
    const Private::Frame f = d->frame();
    if (d->framed && f == d->lastFrame && !linesChanged) {
        // Only the series changed: the columns they redrew go to the screen, or, where that
        // cannot be done, their layer is drawn again.
        if (!d->plot->showChanges()) d->layer->replot();
        if (d->readout) d->readout->refresh();
    } else {
        c->replot();
        d->lastFrame = f;
        d->framed = true;
    }
}

}  // namespace qm
