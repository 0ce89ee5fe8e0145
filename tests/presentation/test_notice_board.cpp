// The notice board: a notice raised from a timer's slot never holds that timer, the same words are
// not stacked, and a keyed notice takes over its own open box.
#include "NoticeBoard.h"
#include "QStringPrint.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

using namespace qm;

namespace {

QList<QMessageBox*> boxes(QWidget& window)
{
    QList<QMessageBox*> shown;
    for (QMessageBox* box : window.findChildren<QMessageBox*>())
        if (box->isVisible()) shown << box;
    return shown;
}

void runFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(NoticeBoard, ANoticeFromATimersSlotDoesNotHoldThatTimer)
{
    QWidget window;
    window.show();
    NoticeBoard notices(&window);
    QTimer timer;
    timer.setInterval(10);
    int ticks = 0;
    bool openInsideTheSlot = true;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks == 1) {
            notices.post({QStringLiteral("Порт COM1 занят или не существует"), QStringLiteral("подробности")});
            openInsideTheSlot = !boxes(window).isEmpty();
        }
    });
    timer.start();
    runFor(400);
    EXPECT_FALSE(openInsideTheSlot) << "the box opens after the slot has returned";
    const QList<QMessageBox*> shown = boxes(window);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.first()->text(), QStringLiteral("Порт COM1 занят или не существует"));
    EXPECT_EQ(shown.first()->informativeText(), QStringLiteral("подробности"));
    EXPECT_GE(ticks, 10) << "the timer went on while the box was open";
    EXPECT_EQ(notices.openCount(), 1);
}

TEST(NoticeBoard, SameWordsAreNotStackedAKeyedNoticeTakesOverItsBox)
{
    QWidget window;
    window.show();
    NoticeBoard notices(&window);
    for (int i = 0; i < 3; ++i) notices.post({QStringLiteral("Файл ports.cfg прочитан не весь"), QString()});
    notices.post({QStringLiteral("Не удалось записать файл 1"), QString()}, QStringLiteral("save"));
    runFor(50);
    notices.post({QStringLiteral("Не удалось записать файл 2"), QString()}, QStringLiteral("save"));
    runFor(50);
    EXPECT_TRUE(notices.amend(QStringLiteral("save"), QStringLiteral("возобновлено")));
    EXPECT_FALSE(notices.amend(QStringLiteral("other"), QStringLiteral("x")));

    QStringList texts;
    for (QMessageBox* box : boxes(window)) texts << box->text() + QLatin1Char('|') + box->informativeText();
    texts.sort();
    EXPECT_EQ(texts, QStringList({"Не удалось записать файл 2|возобновлено", "Файл ports.cfg прочитан не весь|"}));
}

}  // namespace
