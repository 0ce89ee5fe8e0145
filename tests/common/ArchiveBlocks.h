#pragma once
// The wire starts of the fourteen 122-register reads that fetch a whole archive, in order.

#include <QList>

namespace qm::test {

inline QList<int> ArchiveBlockStarts()
{
    QList<int> out;
    for (int k = 0; k < 14; ++k) out << 249 + 122 * k;
    return out;
}

}  // namespace qm::test
