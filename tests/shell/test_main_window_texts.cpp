// Small things the operator reads in the main window: the "ID" box from its first character,
// one clear message for an oversize it.cfg, the slot lists on the button face, a download's progress
// bar beside the status text.
#include "MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
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

// A download's progress shows in a bar beside the status text, which keeps its own words; the bar
// goes when the download ends, here cut short, which the archive text area says.
TEST_F(MainWindowTexts, DownloadProgressBarSitsBesideTheStatusTextUntilTheEnd)
{
    MainWindow form;
    form.show();
    auto* bar = form.findChild<QProgressBar*>(QStringLiteral("ArchiveProgress"));
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->isVisible());
    form.walkStatus(qm::walk::ArchiveProgress{7, 14});
    form.archiveProgress({7, 14, 29, 57});
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->value(), 14);
    EXPECT_EQ(bar->text(), QStringLiteral("Архив прибора 7: 14 %, 29 записей из 57"));
    EXPECT_EQ(form.statusText(), QStringLiteral("7-АРХИВ-  14 %"));

    form.archiveDownloadEnded({qm::ArchiveOutcome::Kind::Abandoned, 7, {}});
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(form.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText(), QStringLiteral("ЧТЕНИЕ АРХИВА ПРЕРВАНО"));
    EXPECT_EQ(form.statusText(), QStringLiteral("7-АРХИВ-  14 %"));
}

}  // namespace
