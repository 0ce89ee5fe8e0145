#include "ExchangeStatsWindow.h"

#include "ExchangeText.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace qm {

ExchangeStatsWindow::ExchangeStatsWindow(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Статистика обмена"));
    setObjectName(QStringLiteral("ExchangeStats"));

    m_since = new QLabel(this);
    const QStringList captions = ExchangeStatsCaptions();
    const QStringList hints = ExchangeStatsHints();
    m_table = new QTableWidget(0, int(captions.size()), this);
    m_table->setHorizontalHeaderLabels(captions);
    for (int column = 0; column < captions.size(); ++column)
        m_table->horizontalHeaderItem(column)->setToolTip(hints.value(column));
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    // The arrows move through the counts; Tab goes on to the buttons.
    m_table->setTabKeyNavigation(false);
    m_table->setAccessibleName(QStringLiteral("Статистика обмена по приборам"));
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->setMinimumSize(640, 200);

    m_reset = new QPushButton(QStringLiteral("Сбросить"), this);
    m_reset->setAutoDefault(false);
    m_reset->setToolTip(QStringLiteral("Начать счёт заново"));
    m_close = new QPushButton(QStringLiteral("Закрыть"), this);
    // Enter in the table closes the window, never resets the counts.
    m_close->setDefault(true);
    connect(m_reset, &QPushButton::clicked, this, &ExchangeStatsWindow::resetRequested);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_reset);
    buttons->addStretch(1);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_since);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    m_since->setBuddy(m_table);
    setFocusProxy(m_table);
}

void ExchangeStatsWindow::showStats(const ExchangeStats& stats)
{
    m_since->setText(ExchangeStatsSince(stats.since()));
    const QList<int> addresses = stats.addresses();
    m_table->setRowCount(int(addresses.size()));
    for (int row = 0; row < addresses.size(); ++row) {
        const QStringList texts = ExchangeStatsRow(addresses.at(row), stats.of(addresses.at(row)));
        for (int column = 0; column < texts.size(); ++column) {
            QTableWidgetItem* item = m_table->item(row, column);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                m_table->setItem(row, column, item);
            }
            if (item->text() != texts.at(column)) item->setText(texts.at(column));
        }
    }
    if (!m_table->currentIndex().isValid() && m_table->rowCount() > 0) m_table->setCurrentCell(0, 0);
}

QString ExchangeStatsWindow::sinceText() const { return m_since->text(); }

}  // namespace qm
