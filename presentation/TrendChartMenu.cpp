#include "TrendChartMenu.h"

#include <QMenu>
#include <QWidget>

#include <algorithm>

namespace qm {

TrendChartMenu* TrendChartMenu::of(QWidget* chart1)
{
    if (auto* menu = chart1->findChild<TrendChartMenu*>(QString(), Qt::FindDirectChildrenOnly)) return menu;
    return new TrendChartMenu(chart1);
}

TrendChartMenu::TrendChartMenu(QWidget* chart1) : QObject(chart1), m_chart1(chart1), m_menu(new QMenu(chart1))
{
    m_menu->setObjectName(QStringLiteral("ChartMenu"));
    // Shown with popup(), not exec(): no nested event loop inside the chart's event handler.
    chart1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(chart1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { Update()->popup(m_chart1->mapToGlobal(pos)); });
}

TrendChartMenu::~TrendChartMenu() { delete m_menu.data(); }

QAction* TrendChartMenu::addItem(const QString& text, std::function<void(QAction*)> refresh)
{
    QAction* action = m_menu->addAction(text);
    m_items.push_back(Item{action, std::move(refresh)});
    return action;
}

QMenu* TrendChartMenu::Update()
{
    m_items.erase(std::remove_if(m_items.begin(), m_items.end(), [](const Item& item) { return !item.action; }),
                  m_items.end());
    for (const Item& item : m_items)
        if (item.refresh) item.refresh(item.action);
    return m_menu;
}

}  // namespace qm
