#pragma once
// Every notice the operator must read reaches the screen through here: a warning box that does
// not wait for its answer, opened once the event that raised it (a timer's tick, say) has
// returned, so that no timer is ever held by a box. A notice already on screen is not stacked
// again; a notice posted under a key replaces the text of that key's open box.

#include "Notice.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

class QMessageBox;
class QWidget;

namespace qm {

class NoticeBoard : public QObject {
    Q_OBJECT
public:
    // Boxes open over window.
    explicit NoticeBoard(QWidget* window);
    ~NoticeBoard() override;

    // Shows the notice without waiting for its answer, after the current event. With a key, an
    // open box of that key takes the new text instead of another box opening.
    void post(const Notice& notice, const QString& key = QString());
    // Changes the detail of the open box of key; false when none is open.
    bool amend(const QString& key, const QString& detail);
    // Shows the notice and waits for its answer: for the program's last words at closing, when
    // no timer is left to hold.
    void showAndWait(const Notice& notice);

    // Boxes on screen or about to open.
    int openCount() const;

private:
    void open(const Notice& notice, const QString& key);
    QMessageBox* makeBox(const Notice& notice);

    QWidget* m_window;
    QHash<QString, QPointer<QMessageBox>> m_keyed;
    QList<QPointer<QMessageBox>> m_open;
    int m_queued = 0;
};

}  // namespace qm
