// Numbers in both windows under other system locales: shown with Latin digits, as the program
// writes them everywhere else, and read as shown.
#include "DateTimeText.h"
#include "MainWindow.h"
#include "ArchiveChartWindow.h"

#include <QDir>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <qcustomplot.h>

#include <gtest/gtest.h>

namespace {

class Locale : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDir::setCurrent(dir.path());
        // What Qt takes from LANG at start-up, for the windows made from now on.
        QLocale::setDefault(QLocale(QString::fromLatin1(GetParam())));
    }
    void TearDown() override { QLocale::setDefault(saved); }

    // Every label of a chart's axes as drawn.
    static void ExpectLatinLabels(QCustomPlot* chart)
    {
        chart->replot();
        static const QRegularExpression latin(QStringLiteral("^[-0-9.: ]*$"));
        for (QCPAxis* axis : {chart->xAxis, chart->yAxis, chart->yAxis2})
            for (const QString& label : axis->tickVectorLabels())
                EXPECT_TRUE(latin.match(label).hasMatch()) << label.toStdString();
    }

    QTemporaryDir dir;
    const QLocale saved;
};

TEST_P(Locale, NumbersAreShownAndReadWithLatinDigits)
{
    MainWindow form;
    const struct {
        const char* name;
        int value;
    } values[] = {{"SpinEdit1", 11}, {"SpinEdit4", 3}, {"SpinEdit3", 5}, {"SpinEdit2", 10000},
                  {"SpinEdit5", 12}, {"SpinEdit6", 255}};
    for (const auto& v : values) {
        auto* spin = form.findChild<QSpinBox*>(QString::fromLatin1(v.name));
        ASSERT_NE(spin, nullptr);
        spin->setValue(v.value);
        EXPECT_EQ(spin->text(), QString::number(v.value)) << v.name;
    }
    EXPECT_EQ(form.engine().DeviceCount(), 3) << "three rows shown, three polled";
    EXPECT_EQ(form.engine().Range().first(), 11);
    ExpectLatinLabels(form.findChild<QCustomPlot*>(QStringLiteral("Chart1")));

    ArchiveChartWindow archive;
    const qm::DateTime t = qm::ToDateTime(QDateTime(QDate(2026, 12, 6), QTime(10, 30)));
    archive.fillArchive(QStringLiteral("a.txt"), {{t, 7.0, -12.3, 25.0}, {t + 1.0 / 24, 7.1, -12.0, 25.5}}, {});
    ExpectLatinLabels(archive.plot);
}

INSTANTIATE_TEST_SUITE_P(Locales, Locale, ::testing::Values("ar_EG", "de_DE", "ru_RU", "C"));

}  // namespace
