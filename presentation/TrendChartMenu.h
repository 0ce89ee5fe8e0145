#pragma once
// The trend chart's mouse menu: a right click on the chart offers "Вести журнал" (checkable) and
// "Экспорт в CSV…". Only the context-menu request is taken, so dragging and the wheel stay the
// chart's. What the items do is given by the owner.

#include <QObject>
#include <QPointer>
#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace qm {

class TrendChartMenu : public QObject {
    Q_OBJECT
public:
    explicit TrendChartMenu(QWidget* chart1);
    ~TrendChartMenu() override;

    std::function<bool()> JournalOn;
    std::function<void(bool)> SetJournalOn;
    std::function<bool()> CanExport;
    std::function<void()> ExportCsv;

    // The menu, its items brought up to date, as it opens now.
    QMenu* Update();

private:
    QWidget* m_chart1;
    // One menu for the whole run: a menu deleted after use could go while its own click is still
    // being handled (a dialog's event loop runs pending deletions).
    QPointer<QMenu> m_menu;  // a child of chart1, for its look; goes with this object
    QAction* m_journal;
    QAction* m_export;
};

}  // namespace qm
