#pragma once
// Draws the 24 trend series straight from the trend store onto one cached image of the plot
// area. A sample that only appends at the right or drops at the left repaints just the columns
// around those ends, and only those columns go to the screen; anything else (axes, layout, slot
// choices, clearing) repaints the whole image. The grey background curves are drawn first, the
// coloured slot curves above them. Drawing is without antialiasing, like the thin-line charts the
// operators know, and gives the picture that drawing every segment and every marker would give
// (referenceImage): markers are filled straight into the image, merged where they overlap, and a
// line segment is handed to Qt only where some of it shows outside the markers of its two ends.

#include "TrendStore.h"

#include <QColor>
#include <QImage>
#include <QRegion>
#include <qcustomplot.h>

#include <climits>
#include <optional>
#include <vector>

namespace qm {

class TrendPlot : public QCPLayerable {
    Q_OBJECT
public:
    static constexpr int SeriesCount = 24;
    static constexpr int LineWidth = 3;
    static constexpr int MarkerHalf = 3;  // a square of 2 * 3 pixels

    struct Series {
        bool active = true;
        int channel = 0;  // 1..20; 0 = empty
        bool right = false;  // on the temperature axis
        QColor colour;
        // Shown and showing a channel the store has.
        bool drawn() const { return active && channel >= 1 && channel <= TrendStore::Channels; }
    };

    TrendPlot(QCustomPlot* plot, const TrendStore& store, QCPAxis* keyAxis, QCPAxis* leftAxis, QCPAxis* rightAxis);

    Series series[SeriesCount + 1];  // 1..24

    // The next draw repaints the whole image.
    void invalidate() { m_valid = false; }

    // Samples further apart than this (in date-time days) are not joined by a line: sampling was
    // paused or the program closed between them. A sample in which an instrument had never
    // answered (0 in both its pH and its temperature) has no point at all for that instrument.
    void setJoinGap(double days);
    double joinGap() const { return m_joinGap; }
    // Whether sample i (1-based) has a point on a series of that channel.
    bool hasPoint(int channel, int i) const;

    // Brings the image up to date and, when only some columns changed, copies just those into
    // the layer's paint buffer and repaints just them on screen. Returns false when that
    // cannot be done (the whole image was drawn again, or the layer's buffer is not ours to
    // patch): the caller then replots the layer.
    bool showChanges();

    // The plot area as drawn point by point, every segment and every marker, for comparison.
    QImage referenceImage() const;
    // The cached image as the next draw would show it.
    QImage currentImage();

    int fullRenders = 0;
    int partialRenders = 0;

protected:
    QRect clipRect() const override;
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override;
    void draw(QCPPainter* painter) override;

private:
    struct Mapping {
        double keyLower, keySize, width;
        double leftLower, leftSize, rightLower, rightSize, height;
        // As QCPAxis::coordToPixel, relative to the plot area's top left corner.
        double x(double key) const { return (key - keyLower) / keySize * width; }
        double y(double value, bool right) const
        {
            return right ? (height - 1) - (value - rightLower) / rightSize * height
                         : (height - 1) - (value - leftLower) / leftSize * height;
        }
    };
    struct Signature {
        QRect rect;
        QCPRange key, left, right;
        int config[SeriesCount + 1];
        QRgb colour[SeriesCount + 1];
        bool operator==(const Signature& o) const;
    };

    Signature signature() const;
    Mapping mapping() const;
    // Returns true when the whole image was drawn; m_changed holds the columns drawn.
    bool update();
    void renderColumns(int a, int b);
    void renderSeries(const Series& s, const Mapping& m, int i0, int i1, int a, int b,
                      std::optional<QPainter>& painter);
    // The markers of one marker column as the points come: a bit per distinct top edge near the
    // first one. Squares whose spans touch are filled as one rectangle.
    struct MarkerColumn {
        int x = INT_MIN;
        int base = 0;
        quint64 tops = 0;
    };
    void fillMarkers(MarkerColumn& column, int a, int b, QRgb colour);
    void addMarkerRows(int x0, int x1, int from, int to, QRgb colour);
    void fillMarkerRows(int a, int b, QRgb colour);
    void fillRect(int x0, int x1, int y0, int y1, QRgb colour);

    const TrendStore& m_store;
    double m_joinGap = 1e9;
    QCPAxis* m_key;
    QCPAxis* m_left;
    QCPAxis* m_right;
    QImage m_cache;
    bool m_valid = false;
    Signature m_sig{};
    quint64 m_generation = 0, m_appended = 0, m_dropped = 0;
    int m_count = 0;
    double m_firstKey = 0, m_lastKey = 0;
    QRegion m_changed;  // columns drawn by the last update, in image coordinates
    // Reused between draws: the points' x and marker column, the line pieces to draw.
    std::vector<double> m_x;
    std::vector<int> m_markerX;
    std::vector<QPointF> m_poly;
    std::vector<int> m_runs;  // where each piece starts in m_poly
    std::vector<int> m_markerTop, m_markerBottom;  // rows covered by markers, per pixel column
    uchar* m_bits = nullptr;  // m_cache's pixels while it is drawn
    qsizetype m_bytesPerLine = 0;
};

}  // namespace qm
