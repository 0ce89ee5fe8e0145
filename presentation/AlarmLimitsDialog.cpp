#include "AlarmLimitsDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace qm {

namespace {
enum Column { Instrument, Quantity, Low, High, Deadband, Delay, Columns };

QString cell(const QTableWidget* t, int row, int column)
{
    const QTableWidgetItem* item = t->item(row, column);
    return item ? item->text().trimmed() : QString();
}
}  // namespace

AlarmLimitsDialog::AlarmLimitsDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AlarmLimitsDialog"));
    setWindowTitle(QStringLiteral("Уставки тревог"));
    setModal(false);
    setLocale(QLocale::c());

    auto* hint = new QLabel(QStringLiteral("Пустая уставка — уставки нет. Тревога, когда значение выходит за уставку и "
                                           "держится там не меньше задержки; возврат — когда оно вернётся за зону возврата. "
                                           "pH от 0 до 14, T от −20 до 150 °C, задержка от 0 до 3600 с."),
                            this);
    hint->setWordWrap(true);

    m_table = new QTableWidget(0, Columns, this);
    m_table->setObjectName(QStringLiteral("AlarmLimitsTable"));
    m_table->setAccessibleName(QStringLiteral("Уставки тревог"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Прибор"), QStringLiteral("Величина"), QStringLiteral("Нижняя"),
                                        QStringLiteral("Верхняя"), QStringLiteral("Зона возврата"), QStringLiteral("Задержка, с")});
    m_table->verticalHeader()->hide();
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::AllEditTriggers);
    // Tab leaves the table for the buttons; the arrows move between cells.
    m_table->setTabKeyNavigation(false);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("AlarmLimitsProblem"));
    m_problem->setWordWrap(true);
    QPalette p = m_problem->palette();
    p.setColor(QPalette::WindowText, QColor(176, 0, 0));
    m_problem->setPalette(p);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Save)->setText(QStringLiteral("Сохранить"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &AlarmLimitsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &AlarmLimitsDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
    resize(640, 480);
}

void AlarmLimitsDialog::load(PolledRange range, const AlarmLimits& limits)
{
    m_range = range;
    m_others.clear();
    for (const AlarmLimit& l : limits)
        if (!range.rowOf(l.address)) m_others << l;
    m_table->setRowCount(2 * range.count());
    for (int k = 1; k <= range.count(); ++k) {
        for (AlarmQuantity q : {AlarmQuantity::Ph, AlarmQuantity::T}) {
            const int row = 2 * (k - 1) + (q == AlarmQuantity::T ? 1 : 0);
            const int address = range.addressOf(k);
            const AlarmLimit* l = FindLimit(limits, address, q);
            const QString texts[Columns] = {
                QString::number(address), QuantityName(q), l && l->low ? LimitNumberText(l->low) : QString(),
                l && l->high ? LimitNumberText(l->high) : QString(), l ? LimitNumberText(l->deadband) : QString(),
                l ? QString::number(l->delaySeconds) : QString()};
            for (int c = 0; c < Columns; ++c) {
                auto* item = new QTableWidgetItem(texts[c]);
                if (c <= Quantity) item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                m_table->setItem(row, c, item);
            }
        }
    }
    m_problem->clear();
    if (m_table->rowCount() > 0) m_table->setCurrentCell(0, Low);
}

std::optional<AlarmLimits> AlarmLimitsDialog::collect()
{
    AlarmLimits limits = m_others;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        AlarmLimit l;
        l.address = cell(m_table, row, Instrument).toInt();
        l.quantity = cell(m_table, row, Quantity) == QLatin1String("T") ? AlarmQuantity::T : AlarmQuantity::Ph;
        const QString where = QStringLiteral("Прибор %1, %2: ").arg(l.address).arg(QuantityName(l.quantity));
        QString problem;
        int column = Low;
        const auto number = [&](int c, const char* what) -> std::optional<double> {
            bool absent = false;
            const std::optional<double> v = ParseLimitNumber(cell(m_table, row, c), &absent);
            if (!v && !absent && problem.isEmpty()) {
                problem = QStringLiteral("%1 «%2» не число").arg(QString::fromUtf8(what), cell(m_table, row, c));
                column = c;
            }
            return v;
        };
        l.low = number(Low, "нижняя уставка");
        l.high = number(High, "верхняя уставка");
        l.deadband = number(Deadband, "зона возврата").value_or(0);
        const QString delay = cell(m_table, row, Delay);
        bool ok = true;
        l.delaySeconds = delay.isEmpty() || delay == QLatin1String("-") ? 0 : delay.toInt(&ok);
        if (!ok && problem.isEmpty()) {
            problem = QStringLiteral("задержка «%1» должна быть целым числом секунд").arg(delay);
            column = Delay;
        }
        if (problem.isEmpty() && !l.low && !l.high) continue;  // no limit
        if (problem.isEmpty()) {
            problem = AlarmLimitProblem(l);
            column = problem.contains(QLatin1String("зона")) ? Deadband
                     : problem.contains(QLatin1String("задержка")) ? Delay
                     : problem.startsWith(QLatin1String("верхняя")) ? High
                                                                     : Low;
        }
        if (!problem.isEmpty()) {
            m_problem->setText(where + problem);
            m_table->setCurrentCell(row, column);
            m_table->setFocus(Qt::OtherFocusReason);
            return std::nullopt;
        }
        limits << l;
    }
    m_problem->clear();
    return limits;
}

QString AlarmLimitsDialog::problemText() const { return m_problem->text(); }

void AlarmLimitsDialog::accept()
{
    const std::optional<AlarmLimits> limits = collect();
    if (!limits) return;
    const QString failure = keep ? keep(*limits) : QString();
    if (!failure.isEmpty()) {
        m_problem->setText(failure);
        return;
    }
    QDialog::accept();
}

}  // namespace qm
