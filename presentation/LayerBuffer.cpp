#include "LayerBuffer.h"

#include <qcustomplot.h>

namespace qm {

namespace {

// A derived class may name its base's protected members; the member pointers so formed work on
// any object of the base class. Neither class is ever instantiated.
struct LayerAccess : QCPLayer {
    static QSharedPointer<QCPAbstractPaintBuffer> buffer(QCPLayer* layer)
    {
        return (layer->*(&LayerAccess::mPaintBuffer)).toStrongRef();
    }
};

struct PlotAccess : QCustomPlot {
    static bool invalidated(QCustomPlot* plot) { return (plot->*(&PlotAccess::hasInvalidatedPaintBuffers))(); }
};

}  // namespace

QSharedPointer<QCPAbstractPaintBuffer> LayerPaintBuffer(QCPLayer* layer)
{
    return layer ? LayerAccess::buffer(layer) : QSharedPointer<QCPAbstractPaintBuffer>();
}

bool PaintBuffersInvalidated(QCustomPlot* plot) { return plot && PlotAccess::invalidated(plot); }

}  // namespace qm
