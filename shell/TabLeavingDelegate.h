#pragma once
// The item delegate of an editable grid that Tab and Shift+Tab leave: an open cell editor hands
// its text in and the focus goes on to the next or previous control of the window, as it does
// from the grid itself once its own Tab navigation is off. The arrow keys still move between
// cells.

#include <QStyledItemDelegate>

class QAbstractItemView;

namespace qm {

class TabLeavingDelegate : public QStyledItemDelegate {
public:
    // Installs itself on view and turns the view's own Tab navigation off.
    explicit TabLeavingDelegate(QAbstractItemView* view);

protected:
    bool eventFilter(QObject* editor, QEvent* event) override;

private:
    QAbstractItemView* m_view;
};

}  // namespace qm
