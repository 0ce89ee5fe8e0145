#include "NoticeBoard.h"

#include "MessageBoxes.h"

#include <QMessageBox>
#include <QTimer>
#include <QWidget>

namespace qm {

NoticeBoard::NoticeBoard(QWidget* window) : QObject(window), m_window(window) {}

NoticeBoard::~NoticeBoard() = default;

QMessageBox* NoticeBoard::makeBox(const Notice& notice)
{
    return NewMessageBox(m_window, QMessageBox::Warning, QStringLiteral("Предупреждение"), notice.text, notice.detail,
                         QMessageBox::Ok);
}

void NoticeBoard::post(const Notice& notice, const QString& key)
{
    ++m_queued;
    // Opened from the event loop: whoever raised the notice, a timer's slot included, returns
    // first and is never held by it.
    QTimer::singleShot(0, this, [this, notice, key] {
        --m_queued;
        open(notice, key);
    });
}

void NoticeBoard::open(const Notice& notice, const QString& key)
{
    m_open.removeAll(nullptr);
    if (!key.isEmpty()) {
        if (QMessageBox* box = m_keyed.value(key)) {
            box->setText(KeepPathsWhole(notice.text));
            setDetail(box, notice.detail);
            box->raise();
            return;
        }
    }
    // The same words already on screen are not stacked into another box.
    for (const QPointer<QMessageBox>& box : std::as_const(m_open))
        if (box && box->text() == KeepPathsWhole(notice.text) && box->informativeText() == KeepPathsWhole(notice.detail))
            return;

    QMessageBox* box = makeBox(notice);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    m_open << box;
    if (!key.isEmpty()) m_keyed.insert(key, box);
    box->show();
    box->raise();
}

bool NoticeBoard::amend(const QString& key, const QString& detail)
{
    QMessageBox* box = m_keyed.value(key);
    if (!box) return false;
    setDetail(box, detail);
    return true;
}

void NoticeBoard::showAndWait(const Notice& notice)
{
    QMessageBox* box = makeBox(notice);
    box->exec();
    delete box;
}

int NoticeBoard::openCount() const
{
    int open = m_queued;
    for (const QPointer<QMessageBox>& box : m_open)
        if (box) ++open;
    return open;
}

}  // namespace qm
