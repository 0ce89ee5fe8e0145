// Qt's own texts speak Russian like the rest of the window: the buttons of a message box, and the
// file dialogs with what the program adds to them.
#include "FileDialogs.h"
#include "QStringPrint.h"
#include "QtTranslations.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(QtTranslations, MessageBoxButtonsAreRussian)
{
    ASSERT_TRUE(qm::InstallQtTranslations(*QCoreApplication::instance()))
        << "Qt's Russian translation (qt6-translations-l10n) is missing";
    QMessageBox box(QMessageBox::Warning, QStringLiteral("QM4700"), QStringLiteral("Очистить график?"),
                    QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Да"));
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')), QStringLiteral("Нет"));
}

// Every text a file dialog shows, its list of files included, that has a Latin word in it.
QStringList EnglishTexts(QFileDialog& dialog)
{
    static const QRegularExpression latin(QStringLiteral("[A-Za-z]{2,}"));
    QStringList found;
    const auto check = [&](const QString& where, const QString& text) {
        if (latin.match(text).hasMatch()) found << where + QStringLiteral(": ") + text;
    };
    check(QStringLiteral("title"), dialog.windowTitle());
    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        const QString name = QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') + w->objectName();
        check(name, w->toolTip());
        check(name, w->accessibleName());
        if (auto* b = qobject_cast<QAbstractButton*>(w)) check(name, b->text());
        if (auto* l = qobject_cast<QLabel*>(w)) check(name, l->text());
        auto* view = qobject_cast<QAbstractItemView*>(w);
        if (!view || !view->model() || view->objectName() == QLatin1String("sidebar")) continue;
        const QAbstractItemModel* m = view->model();
        for (int c = 0; c < m->columnCount(view->rootIndex()); ++c) {
            check(name, m->headerData(c, Qt::Horizontal).toString());
            // The file names are the operator's own, and so is a file's suffix in its type.
            for (int r = 0; c > 0 && r < m->rowCount(view->rootIndex()); ++r)
                check(name, m->index(r, c, view->rootIndex()).data().toString().remove(QStringLiteral("TXT")));
        }
    }
    for (QAction* a : dialog.findChildren<QAction*>()) {
        check(QStringLiteral("action"), a->text());
        check(QStringLiteral("action"), a->toolTip());
    }
    return found;
}

class FileDialogTexts : public ::testing::TestWithParam<QFileDialog::AcceptMode> {};

TEST_P(FileDialogTexts, NoEnglishIsLeft)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Журнал")));
    QFile file(dir.filePath(QStringLiteral("АрхивN1_07_12_26.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(6000, 'x'));
    file.close();

    ASSERT_TRUE(qm::InstallQtTranslations(*QCoreApplication::instance()));
    const auto dialog = qm::NewFileDialog(nullptr, GetParam(), dir.path(), QStringLiteral("Файлы архивов (*.txt)"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->show();
    // The list is filled by a thread of the file system model.
    for (int i = 0; i < 50; ++i) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
        auto* list = dialog->findChild<QAbstractItemView*>(QStringLiteral("treeView"));
        if (list && list->model()->rowCount(list->rootIndex()) == 2
            && !list->model()->index(1, 1, list->rootIndex()).data().toString().isEmpty())
            break;
    }
    EXPECT_EQ(EnglishTexts(*dialog), QStringList());
    EXPECT_EQ(qm::FileSizeText(6000), QStringLiteral("5,9 КБ"));
}

INSTANTIATE_TEST_SUITE_P(Modes, FileDialogTexts, ::testing::Values(QFileDialog::AcceptSave, QFileDialog::AcceptOpen));

}  // namespace
