// Qt's own buttons speak Russian like the rest of the window.
#include "QtTranslations.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

TEST(QtTranslations, MessageBoxButtonsAreRussian)
{
    ASSERT_TRUE(qm::InstallQtTranslations(*QCoreApplication::instance()))
        << "Qt's Russian translation (qt6-translations-l10n) is missing";
    QMessageBox box(QMessageBox::Warning, QStringLiteral("QM4700"), QStringLiteral("Очистить график?"),
                    QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Да"));
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')), QStringLiteral("Нет"));
}
