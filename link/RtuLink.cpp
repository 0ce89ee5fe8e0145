// Placeholder: sending and collecting come with the link work.
#include "RtuLink.h"

namespace qm {
void RtuLink::Send(Port&, int) {}
RtuLink::Verdict RtuLink::Collect(Port&) { return Verdict::Pending; }
}  // namespace qm
