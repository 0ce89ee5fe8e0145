#include "TrendPlot.h"

#include "ChartTime.h"

#include <algorithm>
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

void TrendPlot::update()
{
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
}

void TrendPlot::draw(QCPPainter* painter)
{
    if (m_key->axisRect()->rect().isEmpty()) return;
    update();
    painter->drawImage(m_key->axisRect()->rect().topLeft(), m_cache);
}

QImage TrendPlot::currentImage()
{
    update();
    return m_cache;
}

void TrendPlot::renderColumns(int a, int b)
{
    a = std::max(a, 0);
    b = std::min(b, m_cache.width() - 1);
    if (a > b) return;
    for (int row = 0; row < m_cache.height(); ++row)
        std::memset(reinterpret_cast<QRgb*>(m_cache.scanLine(row)) + a, 0, sizeof(QRgb) * size_t(b - a + 1));

    const Mapping m = mapping();
    const int count = m_store.TrendCount();
    if (count == 0) return;
    int i0 = 0, i1 = count;
    if (m_store.ascending()) {
        // Only the points whose columns can reach a..b, and one more on each side for the
        // segments that cross the range.
        const double* t = m_store.times();
        const auto firstAt = [&](int column) {
            return int(std::partition_point(t, t + count, [&](double v) { return m.x(ChartKey(v)) < column; }) - t);
        };
        i0 = std::max(firstAt(a - Reach) - 1, 0);
        i1 = std::min(firstAt(b + Reach + 1) + 1, count);
    }
    QPainter painter(&m_cache);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setClipRect(QRect(a, 0, b - a + 1, m_cache.height()));
    for (int k = 0; k < SeriesCount; ++k) {
        const Series& s = series[seriesInDrawOrder(k)];
        if (s.active && s.channel >= 1 && s.channel <= TrendStore::Channels) renderSeries(painter, s, m, i0, i1, a, b);
    }
}

void TrendPlot::renderSeries(QPainter& painter, const Series& s, const Mapping& m, int i0, int i1, int a, int b)
{
    const double* t = m_store.times();
    const double* v = m_store.values(s.channel);
    const QRgb colour = s.colour.rgb() | 0xff000000u;
    const int w = m_cache.width();
    const int h = m_cache.height();
    m_poly.clear();

    // Marker squares of one column; distinct ones only (a few per column at most).
    QPoint squares[64];
    int squareCount = 0;
    const auto paintSquares = [&]() {
        for (int q = 0; q < squareCount; ++q) {
            const int x0 = std::max(squares[q].x(), a), x1 = std::min(squares[q].x() + 2 * MarkerHalf - 1, b);
            const int y0 = std::max(squares[q].y(), 0), y1 = std::min(squares[q].y() + 2 * MarkerHalf - 1, h - 1);
            if (x0 > x1) continue;
            for (int y = y0; y <= y1; ++y) {
                QRgb* line = reinterpret_cast<QRgb*>(m_cache.scanLine(y));
                std::fill(line + x0, line + x1 + 1, colour);
            }
        }
        squareCount = 0;
    };
    const auto addPoint = [&](double x, double y) {
        if (m_poly.empty() || m_poly.back().x() != x || m_poly.back().y() != y) m_poly.emplace_back(x, y);
    };

    int j = i0;
    while (j < i1) {
        const double x0 = m.x(ChartKey(t[j]));
        const double column = std::floor(x0);
        int first = j, low = j, high = j;
        double yLow = m.y(v[j], s.right), yHigh = yLow;
        int k = j;
        do {
            const double x = m.x(ChartKey(t[k]));
            if (std::floor(x) != column) break;
            const double y = m.y(v[k], s.right);
            if (y < yLow) yLow = y, low = k;
            if (y > yHigh) yHigh = y, high = k;
            // The marker a point-by-point drawing would paint: a 6 x 6 square, rounded as Qt does.
            const QPoint sq(qRound(Bounded(x, Far) - MarkerHalf), qRound(Bounded(y, Far) - MarkerHalf));
            if (sq.x() + 2 * MarkerHalf > 0 && sq.x() < w && sq.y() + 2 * MarkerHalf > 0 && sq.y() < h) {
                bool seen = false;
                for (int q = 0; q < squareCount && !seen; ++q) seen = squares[q] == sq;
                if (!seen) {
                    if (squareCount == int(std::size(squares))) paintSquares();
                    squares[squareCount++] = sq;
                }
            }
            ++k;
        } while (k < i1);
        const int last = k - 1;
        // The column's path: first, then lowest and highest in the order they came, then last.
        const int mid1 = std::min(low, high), mid2 = std::max(low, high);
        for (int idx : {first, mid1, mid2, last}) addPoint(m.x(ChartKey(t[idx])), m.y(v[idx], s.right));
        j = k;
    }

    // Short pieces rasterise much faster than one long line. Where two pieces meet lies a data
    // point, whose marker covers the line's cap or join there, so the picture is the same.
    painter.setPen(QPen(QColor::fromRgb(colour), LineWidth));
    constexpr int Piece = 16;
    const auto drawRun = [&](size_t from, size_t to) {  // the points from..to, unclipped
        for (size_t p = from; p < to; p += Piece)
            painter.drawPolyline(m_poly.data() + p, int(std::min<size_t>(Piece, to - p) + 1));
    };
    const QRectF box(-Margin, -Margin, w + 2 * Margin, h + 2 * Margin);
    const auto inBox = [&](const QPointF& p) {
        return p.x() >= box.left() && p.x() <= box.right() && p.y() >= box.top() && p.y() <= box.bottom();
    };
    size_t run = 0;  // the current run of segments inside the box starts at this point
    for (size_t p = 0; p + 1 < m_poly.size(); ++p) {
        if (inBox(m_poly[p]) && inBox(m_poly[p + 1])) continue;
        drawRun(run, p);
        run = p + 1;
        QPointF cut[2] = {QPointF(Bounded(m_poly[p].x(), Far), Bounded(m_poly[p].y(), Far)),
                          QPointF(Bounded(m_poly[p + 1].x(), Far), Bounded(m_poly[p + 1].y(), Far))};
        if (ClipSegment(cut[0], cut[1], box)) painter.drawPolyline(cut, 2);
    }
    if (!m_poly.empty()) drawRun(run, m_poly.size() - 1);
    paintSquares();
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
        if (!s.active || s.channel < 1 || s.channel > TrendStore::Channels || count == 0) continue;
        QCPAxis* valueAxis = s.right ? m_right : m_left;
        QVector<QPointF> points;
        for (int i = 1; i <= count; ++i)
            points << QPointF(m_key->coordToPixel(ChartKey(m_store.TrendTime(i))),
                              valueAxis->coordToPixel(m_store.TrendValue(s.channel, i)));
        const QColor colour = QColor::fromRgb(s.colour.rgb());
        painter.setPen(QPen(colour, LineWidth));
        painter.drawPolyline(points.constData(), int(points.size()));
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        for (const QPointF& p : points) painter.drawRect(QRectF(p.x() - MarkerHalf, p.y() - MarkerHalf, 2 * MarkerHalf, 2 * MarkerHalf));
    }
    return image;
}

}  // namespace qm
