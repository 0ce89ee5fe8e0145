#include "StatusText.h"

#include "PortNames.h"

namespace qm {

namespace {

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

QString sentLiteral(RequestKind command)
{
    switch (command) {
    case RequestKind::SetPeriod: return QStringLiteral("-Период-");
    case RequestKind::SetClock: return QStringLiteral("-Коррекция времени - ");
    case RequestKind::EraseArchive: return QStringLiteral("-Удалить архив-");
    default: return QString();
    }
}

QString confirmedLiteral(RequestKind command)
{
    switch (command) {
    case RequestKind::SetPeriod: return QStringLiteral("-Период-Ok!");
    case RequestKind::SetClock: return QStringLiteral("-Коррекция времени -Ok!");
    case RequestKind::EraseArchive: return QStringLiteral("-Удалить архив-Ok!");
    default: return QString();
    }
}

const QString NotReadText = QStringLiteral("АРХИВ НЕ ПРОЧИТАН");

QString at(int address, const QString& literal) { return QString::number(address) + literal; }

}  // namespace

QString StatusText(const WalkStatus& status)
{
    return std::visit(
        Overloaded{
            [](const walk::PortOpening& s) { return PortMessageName(s.portIndex); },
            [](const walk::Requested& s) { return at(s.address, QStringLiteral("-")); },
            [](const walk::Answered& s) { return at(s.address, QStringLiteral("-Ok!  ")); },
            [](const walk::NoAnswer& s) {
                return at(s.address, QStringLiteral("-No  ") + QString::number(s.bytesHeld));
            },
            [](const walk::IdentificationFailed& s) { return at(s.address, QStringLiteral("- Ошибка идентификации")); },
            [](const walk::ArchiveRequested& s) { return at(s.address, QStringLiteral("-АРХИВ-  ")); },
            [](const walk::ArchiveProgress& s) {
                return at(s.address, QStringLiteral("-АРХИВ-  ") + QString::number(s.percent) + QStringLiteral(" %"));
            },
            [](const walk::ArchiveNotRead& s) { return at(s.address, QLatin1Char('-') + NotReadText); },
            [](const walk::CommandSent& s) { return at(s.address, sentLiteral(s.command)); },
            [](const walk::CommandConfirmed& s) { return at(s.address, confirmedLiteral(s.command)); },
        },
        status);
}

QStringList ArchiveMemoLines(const ArchiveOutcome& outcome)
{
    switch (outcome.kind) {
    case ArchiveOutcome::Kind::Listed: return outcome.lines;
    case ArchiveOutcome::Kind::Empty: return {QStringLiteral("АРХИВ ОТСУТСТВУЕТ")};
    case ArchiveOutcome::Kind::NotRead: return {NotReadText};
    case ArchiveOutcome::Kind::Abandoned: return {QStringLiteral("ЧТЕНИЕ АРХИВА ПРЕРВАНО")};
    }
    return {};
}

QString ArchiveProgressText(const ArchiveDownloadProgress& progress)
{
    QString text = QStringLiteral("Архив прибора %1: %2 %").arg(progress.address).arg(progress.percent);
    if (progress.recordCount < 0) return text;
    // 1, 21 запись; 2..4, 22..24 записи; 0, 5..20, 25.. записей.
    const int n = progress.recordsRead;
    const int last = n % 10, lastTwo = n % 100;
    const QString records = last == 1 && lastTwo != 11                                 ? QStringLiteral("запись")
                            : last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14) ? QStringLiteral("записи")
                                                                                         : QStringLiteral("записей");
    return text + QStringLiteral(", %1 %2 из %3").arg(n).arg(records).arg(progress.recordCount);
}

}  // namespace qm
