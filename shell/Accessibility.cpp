#include "Accessibility.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>

namespace qm {

namespace {

// A drop-down list called by its accessible name, with its current item as its value, as Qt
// does on other systems. On Linux Qt names a list by its current item and leaves the label to a
// relation, which leaves a list with no label beside it (the chart's slot lists) or with no
// item chosen (the layout list at first run) without any name.
class NamedList : public QAccessibleWidget {
public:
    explicit NamedList(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child && child->object() == list()->view() ? 0 : -1;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value) return list()->currentText();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        if (action != showMenuAction() && action != pressAction()) {
            QAccessibleWidget::doAction(action);
        } else if (list()->view()->isVisible()) {
            list()->hidePopup();
        } else {
            list()->showPopup();
        }
    }

private:
    QComboBox* list() const { return static_cast<QComboBox*>(widget()); }
};

}  // namespace

void RegisterAccessibleInterfaces(QWidget* window)
{
    // Qt's own interfaces are made at the first question; registering first puts these in their
    // place. The main window is a plain widget, which Qt would announce as a mere pane.
    QAccessible::registerAccessibleInterface(new QAccessibleWidget(window, QAccessible::Window));
    for (QComboBox* list : window->findChildren<QComboBox*>())
        if (!list->accessibleName().isEmpty()) QAccessible::registerAccessibleInterface(new NamedList(list));
}

}  // namespace qm
