#include "TrendChartMenu.h"

#include <QMenu>
#include <QTimer>
#include <QWidget>

namespace qm {

TrendChartMenu::TrendChartMenu(QWidget* chart1)
    : QObject(chart1), m_chart1(chart1), m_menu(new QMenu(chart1))
{
    m_menu->setObjectName(QStringLiteral("ChartMenu"));
    m_journal = m_menu->addAction(QStringLiteral("Вести журнал"));
    m_journal->setCheckable(true);
    m_export = m_menu->addAction(QStringLiteral("Экспорт в CSV…"));

    // triggered, not toggled: the program's own setChecked in Update() is no choice of the operator.
    connect(m_journal, &QAction::triggered, this, [this](bool on) {
        if (SetJournalOn) SetJournalOn(on);
    });
    // The save dialog opens once the menu's click is over, not inside it.
    connect(m_export, &QAction::triggered, this, [this] {
        QTimer::singleShot(0, this, [this] {
            if (ExportCsv) ExportCsv();
        });
    });

    // Shown with popup(), not exec(): no nested event loop inside the chart's event handler.
    chart1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(chart1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { Update()->popup(m_chart1->mapToGlobal(pos)); });
}

TrendChartMenu::~TrendChartMenu() { delete m_menu.data(); }

QMenu* TrendChartMenu::Update()
{
    m_journal->setChecked(JournalOn && JournalOn());
    m_export->setEnabled(CanExport && CanExport());
    return m_menu;
}

}  // namespace qm
