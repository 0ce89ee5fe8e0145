#include "TrendPlot.h"

#include "ChartTime.h"
#include "LayerBuffer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace qm {

namespace {
// How far a point's line and marker reach from its pixel column, plus a pixel of slack.
constexpr int Reach = 6;

// The grey background curves first and the four coloured slot curves last, so that a slot curve
// is never hidden by another instrument's grey curve at the same value. k = 0..23.
constexpr int seriesInDrawOrder(int k) { return k < 20 ? k + 5 : k - 19; }
static_assert(TrendPlot::SeriesCount == 24);

// Which segments need drawing. A 6-pixel marker square put at qRound(p - 3) covers every pixel
// whose centre lies within 2.5 of its point p on both axes. Qt fills a 3-pixel line where the pixel
// centre lies within 1.5 of the segment (a hair more for its fixed-point rounding), and its caps
// and joins stay within 1.5 * sqrt(2) of the segment's ends, so under the markers there. A segment
// is therefore not drawn when all within LineReach of it lies under the markers of its two ends,
// which have its colour; and a polyline may be cut into pieces at any point. (A point whose marker
// is not drawn lies more than 8 pixels off the picture, and so does all this near it.)
constexpr double LineReach = 1.55;

// The markers at p (left edge px, top edge py) and q cover the segment p..q's line.
bool underMarkers(QPointF p, QPointF q, int px, int py, int qx, int qy)
{
    // Two squares in the same columns whose rows overlap or touch: one rectangle, see below.
    if (px == qx && px != INT_MIN && std::abs(py - qy) <= 2 * TrendPlot::MarkerHalf) return true;
    // Ends at most 1.9 apart on both axes: the segment lies everywhere within 0.95 of one of its
    // ends, and 0.95 + LineReach < 2.5.
    if (std::fabs(p.x() - q.x()) <= 1.9 && std::fabs(p.y() - q.y()) <= 1.9) return true;
    // Otherwise: the two squares, where their spans overlap or touch, hold the rectangle of their
    // common columns and all their rows; the line is in it when both ends are, LineReach inside.
    if (px == INT_MIN || qx == INT_MIN || std::abs(px - qx) >= 2 * TrendPlot::MarkerHalf
        || std::abs(py - qy) > 2 * TrendPlot::MarkerHalf)
        return false;
    const double left = std::max(px, qx) + LineReach, right = std::min(px, qx) + 2 * TrendPlot::MarkerHalf - LineReach;
    const double top = std::min(py, qy) + LineReach, bottom = std::max(py, qy) + 2 * TrendPlot::MarkerHalf - LineReach;
    return p.x() >= left && p.x() <= right && q.x() >= left && q.x() <= right && p.y() >= top && p.y() <= bottom
           && q.y() >= top && q.y() <= bottom;
}

// Qt rasterises short polylines much faster than long ones.
constexpr int Piece = 16;
}  // namespace

bool TrendPlot::Signature::operator==(const Signature& o) const
{
    return rect == o.rect && key == o.key && left == o.left && right == o.right
           && std::memcmp(config, o.config, sizeof config) == 0 && std::memcmp(colour, o.colour, sizeof colour) == 0;
}

namespace {
// A hand-made trend file may hold any value and date, so a coordinate can be anything a double
// holds. It is bounded before it is rounded to an int; a segment reaching further than Margin
// beyond the image is cut there along its own line, since Qt's rasteriser works in fixed point
// and fills wrong areas for coordinates far outside the image. Everything nearer is drawn as it is.
constexpr double Far = 1e9;
constexpr double Margin = 16384;

// NaN counts as far below.
double Bounded(double v, double limit) { return v >= -limit ? (v <= limit ? v : limit) : -limit; }

// Cuts the segment a-b to the box (Liang-Barsky); false when no part of it lies inside.
bool ClipSegment(QPointF& a, QPointF& b, const QRectF& box)
{
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - box.left(), box.right() - a.x(), a.y() - box.top(), box.bottom() - a.y()};
    double t0 = 0, t1 = 1;
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
    }
    const QPointF from = a;
    a = from + t0 * QPointF(dx, dy);
    b = from + t1 * QPointF(dx, dy);
    return true;
}
}  // namespace

TrendPlot::TrendPlot(QCustomPlot* plot, const TrendStore& store, QCPAxis* keyAxis, QCPAxis* leftAxis,
                     QCPAxis* rightAxis)
    : QCPLayerable(plot), m_store(store), m_key(keyAxis), m_left(leftAxis), m_right(rightAxis)
{
    setAntialiased(false);
    m_poly.reserve(size_t(TrendStore::TrendCapacity) + 8);
}

QRect TrendPlot::clipRect() const { return m_key->axisRect()->rect(); }

void TrendPlot::applyDefaultAntialiasingHint(QCPPainter* painter) const { applyAntialiasingHint(painter, false, QCP::aePlottables); }

TrendPlot::Signature TrendPlot::signature() const
{
    Signature s{};
    s.rect = m_key->axisRect()->rect();
    s.key = m_key->range();
    s.left = m_left->range();
    s.right = m_right->range();
    for (int n = 1; n <= SeriesCount; ++n) {
        const Series& x = series[n];
        s.config[n] = x.active ? (x.channel * 2 + (x.right ? 1 : 0)) + 1 : 0;
        s.colour[n] = x.colour.rgb();
    }
    return s;
}

TrendPlot::Mapping TrendPlot::mapping() const
{
    const QRect r = m_key->axisRect()->rect();
    return Mapping{m_key->range().lower, m_key->range().size(), double(r.width()),
                   m_left->range().lower, m_left->range().size(), m_right->range().lower,
                   m_right->range().size(), double(r.height())};
}

bool TrendPlot::update()
{
    m_changed = QRegion();
    const Signature sig = signature();
    const int count = m_store.TrendCount();
    const quint64 added = m_store.appended() - m_appended;
    const quint64 dropped = m_store.dropped() - m_dropped;
    const bool incremental = m_valid && sig == m_sig && m_store.generation() == m_generation && m_store.ascending()
                             && qint64(count) == qint64(m_count) + qint64(added) - qint64(dropped);
    if (!incremental) {
        if (m_cache.size() != sig.rect.size()) m_cache = QImage(sig.rect.size(), QImage::Format_ARGB32_Premultiplied);
        renderColumns(0, m_cache.width() - 1);
        ++fullRenders;
    } else if (added || dropped) {
        const Mapping m = mapping();
        if (dropped && count > 0) {
            const int a = int(std::floor(Bounded(m.x(m_firstKey), Far))) - Reach;
            const int b = int(std::floor(Bounded(m.x(ChartKey(m_store.TrendTime(1))), Far))) + Reach;
            renderColumns(a, b);
        }
        if (added && count > 0) {
            const double from = m_count > 0 ? m_lastKey : ChartKey(m_store.TrendTime(1));
            const int a = int(std::floor(Bounded(m.x(from), Far))) - Reach;
            const int b = int(std::floor(Bounded(m.x(ChartKey(m_store.TrendTime(count))), Far))) + Reach;
            renderColumns(a, b);
        }
        if (count == 0) renderColumns(0, m_cache.width() - 1);
        ++partialRenders;
    }
    m_valid = true;
    m_sig = sig;
    m_generation = m_store.generation();
    m_appended = m_store.appended();
    m_dropped = m_store.dropped();
    m_count = count;
    m_firstKey = count > 0 ? ChartKey(m_store.TrendTime(1)) : 0;
    m_lastKey = count > 0 ? ChartKey(m_store.TrendTime(count)) : 0;
    return !incremental;
}

void TrendPlot::draw(QCPPainter* painter)
{
    if (m_key->axisRect()->rect().isEmpty()) return;
    update();
    painter->drawImage(m_key->axisRect()->rect().topLeft(), m_cache);
}

bool TrendPlot::showChanges()
{
    const QRect area = m_key->axisRect()->rect();
    if (area.isEmpty() || update()) return false;
    if (m_changed.isEmpty()) return true;
    // The layer's buffer holds this image as the last replot drew it, on a transparent ground
    // (the layer has nothing else), so copying the redrawn columns over it gives what a replot of
    // the layer would. Anything else is left to that replot.
    const QSharedPointer<QCPAbstractPaintBuffer> buffer = LayerPaintBuffer(layer());
    if (!buffer || buffer->invalidated() || buffer->devicePixelRatio() != 1.0 || !layer()->visible()
        || layer()->mode() != QCPLayer::lmBuffered || PaintBuffersInvalidated(mParentPlot))
        return false;
    if (QCPPainter* painter = buffer->startPainting()) {
        painter->setCompositionMode(QPainter::CompositionMode_Source);
        for (const QRect& r : m_changed) painter->drawImage(area.topLeft() + r.topLeft(), m_cache, r);
        delete painter;
    }
    buffer->donePainting();
    // Each strip is painted on its own, now: a clip of one rectangle lets Qt blend the chart's
    // buffers straight, where the two strips together (one at each end of the plot) would make a
    // region as wide as the chart that Qt blends span by span.
    for (const QRect& r : m_changed) mParentPlot->repaint(r.translated(area.topLeft()));
    return true;
}

QImage TrendPlot::currentImage()
{
    update();
    return m_cache;
}

void TrendPlot::fillRect(int x0, int x1, int y0, int y1, QRgb colour)
{
    y0 = std::max(y0, 0);
    y1 = std::min(y1, m_cache.height());
    for (int y = y0; y < y1; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(m_bits + y * m_bytesPerLine);
        std::fill(line + x0, line + x1, colour);
    }
}

void TrendPlot::renderColumns(int a, int b)
{
    const int w = m_cache.width();
    a = std::max(a, 0);
    b = std::min(b, w - 1);
    if (a > b) return;
    m_bits = m_cache.bits();
    m_bytesPerLine = m_cache.bytesPerLine();
    for (int row = 0; row < m_cache.height(); ++row)
        std::memset(m_bits + row * m_bytesPerLine + a * qsizetype(sizeof(QRgb)), 0, sizeof(QRgb) * size_t(b - a + 1));
    m_changed += QRect(a, 0, b - a + 1, m_cache.height());

    const Mapping m = mapping();
    const int count = m_store.TrendCount();
    if (count == 0) return;
    const double* t = m_store.times();
    int i0 = 0, i1 = count;
    if (m_store.ascending()) {
        // Only the points whose columns can reach a..b, and one more on each side for the
        // segments that cross the range.
        const auto firstAt = [&](int column) {
            return int(std::partition_point(t, t + count, [&](double v) { return m.x(ChartKey(v)) < column; }) - t);
        };
        i0 = std::max(firstAt(a - Reach) - 1, 0);
        i1 = std::min(firstAt(b + Reach + 1) + 1, count);
    }
    // Where the points lie across, the same for every series; the left edge of each one's marker
    // where that can touch the picture.
    m_x.resize(size_t(i1 - i0));
    m_markerX.resize(size_t(i1 - i0));
    for (int j = i0; j < i1; ++j) {
        const double x = Bounded(m.x(ChartKey(t[j])), Far);
        m_x[size_t(j - i0)] = x;
        m_markerX[size_t(j - i0)] = x >= -2 * MarkerHalf - 2 && x <= w + 2 * MarkerHalf + 2 ? qRound(x - MarkerHalf) : INT_MIN;
    }
    std::optional<QPainter> painter;
    for (int k = 0; k < SeriesCount; ++k) {
        const Series& s = series[seriesInDrawOrder(k)];
        if (s.drawn()) renderSeries(s, m, i0, i1, a, b, painter);
    }
}

void TrendPlot::fillMarkers(MarkerColumn& column, int a, int b, QRgb colour)
{
    const int x0 = std::max(column.x, a), x1 = std::min(column.x + 2 * MarkerHalf, b + 1);
    if (x0 < x1) {
        int from = 0, to = INT_MIN;
        for (quint64 bits = column.tops; bits; bits &= bits - 1) {
            const int top = column.base + qCountTrailingZeroBits(bits) - 32;
            if (top > to) {
                if (to != INT_MIN) addMarkerRows(x0, x1, from, to, colour);
                from = top;
            }
            to = top + 2 * MarkerHalf;
        }
        if (to != INT_MIN) addMarkerRows(x0, x1, from, to, colour);
    }
    column.tops = 0;
}

// Neighbouring marker columns overlap by five pixels of six: rather than filling every square,
// each pixel column collects the rows its markers cover while they form one run, and is filled
// once at the end of the series. Rows apart from that run are filled at once.
void TrendPlot::addMarkerRows(int x0, int x1, int from, int to, QRgb colour)
{
    for (int x = x0; x < x1; ++x) {
        int& top = m_markerTop[size_t(x)];
        int& bottom = m_markerBottom[size_t(x)];
        if (top > bottom) {
            top = from;
            bottom = to;
        } else if (from <= bottom && to >= top) {
            top = std::min(top, from);
            bottom = std::max(bottom, to);
        } else {
            fillRect(x, x + 1, from, to, colour);
        }
    }
}

void TrendPlot::fillMarkerRows(int a, int b, QRgb colour)
{
    const int h = m_cache.height();
    for (int x = a; x <= b; ++x) {
        const int top = std::max(m_markerTop[size_t(x)], 0), bottom = std::min(m_markerBottom[size_t(x)], h);
        uchar* pixel = m_bits + top * m_bytesPerLine + x * qsizetype(sizeof(QRgb));
        for (int y = top; y < bottom; ++y, pixel += m_bytesPerLine) *reinterpret_cast<QRgb*>(pixel) = colour;
    }
}

void TrendPlot::renderSeries(const Series& s, const Mapping& m, int i0, int i1, int a, int b,
                             std::optional<QPainter>& painter)
{
    const double* v = m_store.values(s.channel);
    const double* pair = m_store.values(s.channel % 2 ? s.channel + 1 : s.channel - 1);
    const double* times = m_store.times();
    const double* xs = m_x.data() - i0;
    const int* markerXs = m_markerX.data() - i0;
    const QRgb colour = s.colour.rgb() | 0xff000000u;
    const int w = m_cache.width();
    const int h = m_cache.height();
    // As Mapping::y, term by term.
    const double lower = s.right ? m.rightLower : m.leftLower;
    const double size = s.right ? m.rightSize : m.leftSize;
    const double height = m.height, bottom = m.height - 1;
    const double highest = -2 * MarkerHalf - 2, lowest = h + 2 * MarkerHalf + 2;
    const QRectF box(-Margin, -Margin, w + 2 * Margin, h + 2 * Margin);

    m_poly.clear();
    m_runs.clear();
    int pieceLength = 0;
    const auto addSegment = [&](QPointF p, QPointF q) {
        if (m_runs.empty() || pieceLength == Piece || m_poly.back() != p) {
            m_runs.push_back(int(m_poly.size()));
            m_poly.push_back(p);
            pieceLength = 0;
        }
        m_poly.push_back(q);
        ++pieceLength;
    };

    m_markerTop.resize(size_t(w));
    m_markerBottom.resize(size_t(w));
    std::fill(m_markerTop.begin() + a, m_markerTop.begin() + b + 1, 1);
    std::fill(m_markerBottom.begin() + a, m_markerBottom.begin() + b + 1, 0);
    MarkerColumn column;
    QPointF previous;
    int previousX = INT_MIN, previousY = INT_MIN;  // its marker's top left corner, when it has one
    bool havePrevious = false;  // the sample before has a point this one may be joined to
    for (int j = i0; j < i1; ++j) {
        if (v[j] == 0 && pair[j] == 0) {
            // The instrument had never answered: no point, and the curve breaks here.
            havePrevious = false;
            continue;
        }
        const double x = xs[j];
        const double y = Bounded(bottom - (v[j] - lower) / size * height, Far);
        int mx = markerXs[j], my = INT_MIN;
        if (mx != INT_MIN && y >= highest && y <= lowest) {
            my = qRound(y - MarkerHalf);
            if (mx != column.x || my - column.base < -32 || my - column.base > 31) {
                if (column.tops) fillMarkers(column, a, b, colour);
                column.x = mx;
                column.base = my;
            }
            column.tops |= quint64(1) << (my - column.base + 32);
        } else {
            mx = INT_MIN;
        }
        const QPointF point(x, y);
        if (havePrevious && times[j] - times[j - 1] <= m_joinGap
            && !underMarkers(previous, point, previousX, previousY, mx, my)) {
            QPointF p = previous, q = point;
            if ((box.contains(p) && box.contains(q)) || ClipSegment(p, q, box)) addSegment(p, q);
        }
        previous = point;
        previousX = mx;
        previousY = my;
        havePrevious = true;
    }
    if (column.tops) fillMarkers(column, a, b, colour);
    fillMarkerRows(a, b, colour);

    if (m_runs.empty()) return;
    if (!painter) {
        painter.emplace(&m_cache);
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setClipRect(QRect(a, 0, b - a + 1, h));
    }
    painter->setPen(QPen(QColor::fromRgb(colour), LineWidth));
    m_runs.push_back(int(m_poly.size()));
    for (size_t r = 0; r + 1 < m_runs.size(); ++r)
        painter->drawPolyline(m_poly.data() + m_runs[r], m_runs[r + 1] - m_runs[r]);
}

void TrendPlot::setJoinGap(double days)
{
    if (days == m_joinGap) return;
    m_joinGap = days;
    invalidate();
}

bool TrendPlot::hasPoint(int channel, int i) const
{
    const int pair = channel % 2 ? channel + 1 : channel - 1;
    return m_store.TrendValue(channel, i) != 0 || m_store.TrendValue(pair, i) != 0;
}

QImage TrendPlot::referenceImage() const
{
    const QRect r = m_key->axisRect()->rect();
    QImage image(r.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.translate(-r.topLeft());
    const int count = m_store.TrendCount();
    for (int k = 0; k < SeriesCount; ++k) {
        const Series& s = series[seriesInDrawOrder(k)];
        if (!s.drawn() || count == 0) continue;
        QCPAxis* valueAxis = s.right ? m_right : m_left;
        // The curve in pieces: a sample without a point, or a pause, ends a piece.
        QList<QVector<QPointF>> pieces;
        bool joined = false;
        for (int i = 1; i <= count; ++i) {
            if (!hasPoint(s.channel, i)) {
                joined = false;
                continue;
            }
            const QPointF p(m_key->coordToPixel(ChartKey(m_store.TrendTime(i))),
                            valueAxis->coordToPixel(m_store.TrendValue(s.channel, i)));
            if (!joined || m_store.TrendTime(i) - m_store.TrendTime(i - 1) > m_joinGap) pieces.append(QVector<QPointF>());
            pieces.last() << p;
            joined = true;
        }
        const QColor colour = QColor::fromRgb(s.colour.rgb());
        painter.setPen(QPen(colour, LineWidth));
        for (const QVector<QPointF>& piece : pieces)
            if (piece.size() > 1) painter.drawPolyline(piece.constData(), int(piece.size()));
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        for (const QVector<QPointF>& piece : pieces)
            for (const QPointF& p : piece)
                painter.drawRect(QRectF(p.x() - MarkerHalf, p.y() - MarkerHalf, 2 * MarkerHalf, 2 * MarkerHalf));
    }
    return image;
}

}  // namespace qm
