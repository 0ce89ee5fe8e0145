// "Просмотр" of the main window on what a download leaves and on files that are not files: a
// listing with dates that cannot be right is listed whole but charted without them; a named pipe
// is refused, never opened for a read that would freeze the program.
#include "ArchiveDownload.h"
#include "ArchiveFile.h"
#include "ArchiveView.h"
#include "ChartTime.h"
#include "FeedingFifo.h"
#include "RecordBytes.h"
#include "ArchiveChartWindow.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <qcustomplot.h>

#include <algorithm>

using namespace qm;

namespace {

// "Просмотр" with an open dialog that answers path; keeps the error texts shown.
struct Dialogs {
    QStringList errors;
    ArchiveView view;
    explicit Dialogs(const QString& path)
    {
        ArchiveDialogs d = DefaultArchiveDialogs();
        d.OpenFileName = [path](QWidget*, const QString&) { return path; };
        d.ShowError = [this](QWidget*, const QString& text) { errors << text; };
        view.setDialogs(d);
    }
};

void putRecord(ArchiveBytes& image, int slot, int year, int minutes, float ph)
{
    const test::RecordBytes r = test::EncodeRecord(year, minutes, ph, 0.0f, 0.0f);
    std::copy(r.begin(), r.end(), image.begin() + ArchiveHeaderBytes + ArchiveRecordBytes * (slot - 1));
}

TEST(MainWindowArchive, DatesThatCannotBeRightAreListedButNotCharted)
{
    ArchiveBytes image{};
    image[0] = 4;
    const int morning = 339 * 1440 + 600;  // 6 December, 10:00
    putRecord(image, 1, 26, morning, 7.0f);
    putRecord(image, 2, 213, morning + 5, 6.0f);      // a year byte above 99
    putRecord(image, 3, 26, 400 * 1440, 6.5f);        // minutes beyond the end of the year
    putRecord(image, 4, 26, morning + 10, 7.5f);
    const QStringList listing = ArchiveListing(image);
    ASSERT_EQ(listing.size(), 4);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("АрхивN7_06_12_26.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(EncodeArchiveLines(listing));
    file.close();

    Dialogs dialogs(path);
    QPlainTextEdit memo;
    ArchiveChartWindow window;
    ASSERT_TRUE(dialogs.view.ViewArchive(nullptr, &memo, &window, ChartScales{}));
    EXPECT_EQ(memo.toPlainText(), listing.join(QLatin1Char('\n')));
    ASSERT_EQ(window.points.size(), 2);
    EXPECT_EQ(window.points.at(0).Value1, 7.0);
    EXPECT_EQ(window.points.at(1).Value1, 7.5);
    // The time axis spans the two records, not the centuries between them and the others.
    EXPECT_LT(window.plot->xAxis->range().size(), ChartKey(1.0) - ChartKey(0.0));
    window.close();
}

TEST(MainWindowArchive, NamedPipeIsRefusedNeverRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pipe.txt"));
    test::FeedingFifo fifo(path, "06.12.26 10:30    7,00     -12,3    25,0\r\n");
    ASSERT_TRUE(fifo.created());

    Dialogs dialogs(path);
    QPlainTextEdit memo;
    memo.setPlainText(QStringLiteral("Архив"));
    ArchiveChartWindow window;
    EXPECT_FALSE(dialogs.view.ViewArchive(nullptr, &memo, &window, ChartScales{}));
    EXPECT_FALSE(fifo.opened());
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors.first().startsWith(QStringLiteral("Не удалось открыть файл "))) << dialogs.errors.first().toStdString();
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("Архив"));
    EXPECT_TRUE(window.isHidden());
}

}  // namespace
