#pragma once
// A message for the operator: the text, and the detail shown beneath it (may be empty).

#include <QString>

namespace qm {

struct Notice {
    QString text;
    QString detail;
    bool operator==(const Notice&) const = default;
};

}  // namespace qm
