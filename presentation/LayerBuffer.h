#pragma once
// QCustomPlot keeps a buffered layer's paint buffer, and its check that all paint buffers are
// current, to itself. The trend series patch the few columns they redrew straight into their
// layer's buffer instead of clearing and refilling the whole buffer every second.

#include <QSharedPointer>

class QCPAbstractPaintBuffer;
class QCPLayer;
class QCustomPlot;

namespace qm {

// The layer's own paint buffer; null when it has none.
QSharedPointer<QCPAbstractPaintBuffer> LayerPaintBuffer(QCPLayer* layer);
// Some paint buffer of the plot waits for a full replot (after a resize or a new layer).
bool PaintBuffersInvalidated(QCustomPlot* plot);

}  // namespace qm
