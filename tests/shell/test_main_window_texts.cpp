// Small things the operator reads in the main window: the "ID" box from its first character,
// one clear message for an oversize it.cfg, the slot lists on the button face.
#include "MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class MainWindowTexts : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Start-up reads and writes files in the current directory: keep them away from the tree.
        ASSERT_TRUE(dir.isValid());
        QDir::setCurrent(dir.path());
    }
    QTemporaryDir dir;
};

QImage Grab(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }

TEST_F(MainWindowTexts, IdBoxShowsTheIdentificationFromItsFirstCharacter)
{
    MainWindow form;
    form.show();
    auto* id = form.findChild<QLineEdit*>(QStringLiteral("Edit4"));
    ASSERT_NE(id, nullptr);
    // Wider than the box: its start must be in view, as a box holding only "1" shows it.
    const QString wide = QStringLiteral("12 63 hex");
    form.setIdText(wide);
    const QImage shown = Grab(id);
    form.setIdText(QStringLiteral("1"));
    const QImage start = Grab(id);
    const int digit = id->fontMetrics().horizontalAdvance(QStringLiteral("1"));
    const QRect firstDigit(0, 0, id->contentsRect().left() + 2 + digit, id->height());
    EXPECT_EQ(shown.copy(firstDigit), start.copy(firstDigit));
}

TEST_F(MainWindowTexts, OversizeFirstLineOfTheSettingsGivesOneClearMessage)
{
    QFile cfg(dir.filePath(QStringLiteral("it.cfg")));
    ASSERT_TRUE(cfg.open(QIODevice::WriteOnly));
    ASSERT_EQ(cfg.write(QByteArray(2 << 20, '7')), 2 << 20);
    cfg.close();

    MainWindow form;
    QStringList boxes;
    // Start-up reports once the event loop runs: answer every box that shows.
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible()) continue;
            boxes << box->text() + QLatin1Char('|') + box->informativeText();
            box->accept();
        }
    });
    watcher.start(10);
    QEventLoop loop;
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    loop.exec();

    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains(QStringLiteral("файл слишком велик"))) << boxes[0].toStdString();
    EXPECT_FALSE(boxes[0].contains(QStringLiteral("Invalid numeric input"))) << boxes[0].toStdString();
}

TEST_F(MainWindowTexts, SlotListsLieOnTheButtonFace)
{
    MainWindow form;
    form.show();
    for (const char* name : {"ComboBox2", "ComboBox3", "ComboBox4", "ComboBox5"}) {
        SCOPED_TRACE(name);
        auto* list = form.findChild<QComboBox*>(QString::fromLatin1(name));
        ASSERT_NE(list, nullptr);
        // Between the item's text and the drop-down arrow only the background shows.
        const QImage image = Grab(list);
        const int x = list->width() * 2 / 3;
        const QColor face = form.palette().color(QPalette::Button);
        int other = 0;
        for (int y = list->height() / 4; y <= list->height() * 3 / 4; ++y) other += QColor(image.pixel(x, y)) != face;
        EXPECT_EQ(other, 0) << "e.g. " << QColor(image.pixel(x, list->height() / 2)).name().toStdString();
    }
}

}  // namespace
