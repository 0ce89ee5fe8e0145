#pragma once
// Draws the 24 trend series straight from the trend store onto one cached image of the plot
// area. A sample that only appends at the right or drops at the left repaints just the columns
// around those ends; anything else (axes, layout, slot choices, clearing) repaints the whole
// image. The grey background curves are drawn first, the coloured slot curves above them.
// Drawing is without antialiasing, like the thin-line charts the operators know; within
// one pixel column a series is reduced to its first, lowest, highest and last point and its
// markers to the distinct pixel squares, which leaves the picture as drawn point by point.

#include "TrendStore.h"

#include <QColor>
#include <QImage>
#include <qcustomplot.h>

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
    };

    TrendPlot(QCustomPlot* plot, const TrendStore& store, QCPAxis* keyAxis, QCPAxis* leftAxis, QCPAxis* rightAxis);

    Series series[SeriesCount + 1];  // 1..24

    // The next draw repaints the whole image.
    void invalidate() { m_valid = false; }

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
    void update();
    void renderColumns(int a, int b);
    void renderSeries(QPainter& painter, const Series& s, const Mapping& m, int i0, int i1, int a, int b);

    const TrendStore& m_store;
    QCPAxis* m_key;
    QCPAxis* m_left;
    QCPAxis* m_right;
    QImage m_cache;
    bool m_valid = false;
    Signature m_sig{};
    quint64 m_generation = 0, m_appended = 0, m_dropped = 0;
    int m_count = 0;
    double m_firstKey = 0, m_lastKey = 0;
    std::vector<QPointF> m_poly;  // reused between draws
};

}  // namespace qm
