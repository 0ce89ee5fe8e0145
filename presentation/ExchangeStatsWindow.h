#pragma once
// "Статистика обмена": per instrument, how many measurement requests were answered, went
// unanswered, or were answered wrongly, since connecting or the last reset. Non-modal; Esc or
// "Закрыть" closes it, "Сбросить" asks for the counts to start afresh. It only shows the counts
// it is handed: the counting is the poll engine's.

#include "ExchangeStats.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace qm {

class ExchangeStatsWindow : public QDialog {
    Q_OBJECT
public:
    explicit ExchangeStatsWindow(QWidget* parent);

    // Shows these counts; the current cell stays where it was.
    void showStats(const ExchangeStats& stats);
    QTableWidget* table() const { return m_table; }
    QString sinceText() const;

signals:
    void resetRequested();

private:
    QLabel* m_since = nullptr;
    QTableWidget* m_table = nullptr;
    QPushButton* m_reset = nullptr;
    QPushButton* m_close = nullptr;
};

}  // namespace qm
