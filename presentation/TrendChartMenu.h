#pragma once
// The trend chart's menu. A right click on Chart1 opens it, and so do the Menu key and Shift+F10
// while the chart has the focus (ChartGestures turns them into the same request). The menu
// belongs to the chart: whoever offers something there adds an item with addItem ("Вести
// журнал" and "Экспорт в CSV…" come from TrendRecords), and each item is brought up to date
// as the menu opens. Only the context-menu request is taken, so dragging and the wheel stay the
// chart's.

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace qm {

class TrendChartMenu : public QObject {
    Q_OBJECT
public:
    // The menu of chart1, made at the first call; it lives as long as the chart.
    static TrendChartMenu* of(QWidget* chart1);
    ~TrendChartMenu() override;

    // Adds an item at the end of the menu. refresh, when given, brings it up to date (its tick,
    // whether it can be chosen) each time the menu opens. The item goes when the menu goes, or
    // earlier when its owner deletes it.
    QAction* addItem(const QString& text, std::function<void(QAction*)> refresh = {});

    // The menu, its items brought up to date, as it opens now.
    QMenu* Update();

private:
    explicit TrendChartMenu(QWidget* chart1);

    QWidget* m_chart1;
    // One menu for the whole run: a menu deleted after use could go while its own click is still
    // being handled (a dialog's event loop runs pending deletions).
    QPointer<QMenu> m_menu;  // a child of chart1, for its look; goes with this object
    struct Item {
        QPointer<QAction> action;
        std::function<void(QAction*)> refresh;
    };
    std::vector<Item> m_items;
};

}  // namespace qm
