#pragma once
// The value scales of the charts ("Норм"): the pH axis on the left and the temperature axis on the
// right, each a range and a label step. it.cfg keeps them (lines 9..14); the trend chart edits
// them and the archive chart window draws with them. The defaults are those of a first run.

#include <QtGlobal>

namespace qm {

struct ChartScales {
    qint32 PhScaleMin = 0;
    qint32 PhScaleMax = 10;
    qint32 PhScaleStep = 2;
    qint32 TScaleMin = 0;
    qint32 TScaleMax = 50;
    qint32 TScaleStep = 10;

    bool operator==(const ChartScales&) const = default;
};

}  // namespace qm
