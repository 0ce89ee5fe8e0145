// The framing work of one answered slot (a request sent, a 23-byte answer collected and judged
// over five ticks) with the frame log off, as it runs at a site, and on (messages discarded, so
// that only the formatting is measured). With the log off the slot must cost what it cost before
// there was a log: compare the "off" line with a build from before.
#include "FakePort.h"
#include "RtuLink.h"

#include <QLoggingCategory>
#include <benchmark/benchmark.h>

namespace {

void discard(QtMsgType, const QMessageLogContext&, const QString&) {}

void AnsweredSlot(benchmark::State& state)
{
    const bool logging = state.range(0) != 0;
    QLoggingCategory::setFilterRules(logging ? QStringLiteral("qm.link.debug=true") : QStringLiteral("qm.link.debug=false"));
    const QtMessageHandler previous = qInstallMessageHandler(discard);

    const QByteArray answer =
        qm::test::withCrc(qm::test::hex("01 03 12 11 01 02 BC 04 D2 00 FA 00 11 14 1A 0C 06 0D 2D 00 0F"));
    const quint8 request[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x09};
    qm::test::FakePort port;
    port.isOpen = true;
    qm::RtuLink link;
    qint32 tick = 0;
    link.setLogTick(&tick);
    for (auto _ : state) {
        std::copy(std::begin(request), std::end(request), link.TxBuffer());
        link.Send(port, 6);
        port.writes.clear();
        port.arrive(answer);
        for (tick = 1; tick <= 5; ++tick) benchmark::DoNotOptimize(link.Collect(port));
        link.FrameHandled();
    }
    qInstallMessageHandler(previous);
    state.SetLabel(logging ? "log on" : "log off");
}
BENCHMARK(AnsweredSlot)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
