#include "ChartTime.h"

#include <qcustomplot.h>

namespace qm {

QString TimeLabelFormat(bool withDate, bool withTime)
{
    QString format;
    if (withDate) format += QStringLiteral("dd.MM");
    if (withTime) format += QStringLiteral(" hh:mm");
    return format;
}

QString DefaultTimeLabelFormat()
{
    static const QString format = QCPAxisTickerDateTime().dateTimeFormat();
    return format;
}

void SetTimeLabelFormat(QCPAxis* axis, const QString& format)
{
    auto ticker = axis->ticker().dynamicCast<QCPAxisTickerDateTime>();
    if (!ticker) {
        ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
        ticker->setDateTimeSpec(Qt::UTC);
        axis->setTicker(ticker);
    }
    ticker->setDateTimeFormat(format.isEmpty() ? DefaultTimeLabelFormat() : format);
}

}  // namespace qm
