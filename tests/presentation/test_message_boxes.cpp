// What the operator reads in the program's message boxes: paths that never break across lines,
// also when copied, and Russian buttons.
#include "MessageBoxes.h"
#include "QStringPrint.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QTextLayout>

#include <memory>

namespace {

// A port's failure as the main window words it, with a device and a long ports.cfg path.
const QString Detail = QStringLiteral(
    "Нет такого файла или устройства (/dev/pts/10). В файле "
    "/tmp/qm-operator-check-7fA2/рабочая папка/ports.cfg не учтено: строка 3. Чтобы COM1 открывал "
    "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0, впишите его в ports.cfg.");

// Where a label wraps text at width pixels: the offsets at which lines after the first begin.
QList<int> LineStarts(const QString& text, const QFont& font, int width)
{
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QChar::LineSeparator);  // as a label lays out plain text
    QTextLayout layout(shown, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    QList<int> starts;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (line.textStart() > 0) starts << line.textStart();
    }
    layout.endLayout();
    return starts;
}

TEST(MessageBoxes, PathsStayWholeWhileTheTextWrapsAtSpaces)
{
    const std::unique_ptr<QMessageBox> box(qm::NewMessageBox(nullptr, QMessageBox::Warning, QStringLiteral("Предупреждение"),
                                                             QStringLiteral("Порт COM1 занят или не существует"), Detail,
                                                             QMessageBox::Ok));
    box->show();
    auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(qm::WithoutJoiners(label->text()), Detail) << "the operator reads the words unchanged";

    // At every width a box could give its label: the text wraps, and only at spaces.
    bool rawBreaksInAPath = false;
    for (int width = 120; width <= 700; width += 20) {
        SCOPED_TRACE(width);
        const QList<int> starts = LineStarts(label->text(), label->font(), width);
        EXPECT_FALSE(starts.isEmpty());
        for (int start : starts) EXPECT_TRUE(label->text().at(start - 1).isSpace()) << start;
        for (int start : LineStarts(Detail, label->font(), width)) rawBreaksInAPath |= !Detail.at(start - 1).isSpace();
    }
    EXPECT_TRUE(rawBreaksInAPath) << "the same text without the treatment breaks inside a path";
}

TEST(MessageBoxes, ButtonsAreRussian)
{
    const std::unique_ptr<QMessageBox> box(qm::NewMessageBox(nullptr, QMessageBox::Question, QString(), QStringLiteral("?"),
                                                             QString(), QMessageBox::Ok | QMessageBox::Yes | QMessageBox::No));
    const QStringList texts = {box->button(QMessageBox::Ok)->text(), box->button(QMessageBox::Yes)->text().remove('&'),
                               box->button(QMessageBox::No)->text().remove('&')};
    EXPECT_EQ(texts, QStringList({"ОК", "Да", "Нет"}));
}

TEST(MessageBoxes, CopiedTextHasThePathsAsTheyAre)
{
    const std::unique_ptr<QMessageBox> box(qm::NewMessageBox(nullptr, QMessageBox::Warning, QStringLiteral("Предупреждение"),
                                                             QStringLiteral("Порт COM1 занят или не существует"), Detail,
                                                             QMessageBox::Ok));
    box->show();
    QGuiApplication::clipboard()->clear();
    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    QCoreApplication::sendEvent(box.get(), &copy);
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.contains(Detail)) << "[" << copied.toStdString() << "]";
}

}  // namespace
