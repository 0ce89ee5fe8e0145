// The archive file buttons: saving Memo1 to a file, viewing a file in Memo1 and the archive chart
// window. The dialogs are answered by the tests; the files are real.
#include "ArchiveFile.h"
#include "ArchiveLineText.h"
#include "ArchiveView.h"
#include "ChartTime.h"
#include "DateTimeText.h"
#include "Files.h"
#include "FixedClock.h"
#include "ArchiveChartWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <qcustomplot.h>

namespace {

using qm::test::ReadAll;
using qm::test::WriteAll;

QVector<double> Keys(const QCPGraph* g)
{
    QVector<double> keys;
    for (auto it = g->data()->constBegin(); it != g->data()->constEnd(); ++it) keys.append(it->key);
    return keys;
}

QVector<double> Values(const QCPGraph* g)
{
    QVector<double> values;
    for (auto it = g->data()->constBegin(); it != g->data()->constEnd(); ++it) values.append(it->value);
    return values;
}

// The listing of a download: 25 records ten minutes apart, every tenth numbered.
QStringList Listing()
{
    QStringList lines;
    for (int n = 1; n <= 25; ++n) {
        const QDateTime t(QDate(2026, 12, 6), QTime(10, 0).addSecs(600 * n));
        lines.append(qm::test::ArchiveLineText(t, 6.5 + 0.02 * n, -20.0 + n, 20.0 + 0.5 * n, n));
    }
    return lines;
}

class ArchiveViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        view.setWorkDir(dir.path());
        owner.setWindowTitle(QStringLiteral("QM4700 ModBus Ver3.0"));
        owner.setGeometry(100, 80, 1040, 700);
        memo = new QPlainTextEdit(&owner);
        memo->setReadOnly(true);
        memo->setPlainText(QStringLiteral("Архив"));
        spin = new QSpinBox(&owner);
        spin->setRange(1, 99);
        spin->setValue(12);

        qm::ArchiveDialogs d;
        d.SaveFileName = [this](QWidget*, const QString& workDir, const QString& proposed) {
            EXPECT_EQ(workDir, dir.path());
            proposedNames.append(proposed);
            return chosen;
        };
        d.OpenFileName = [this](QWidget*, const QString& workDir) {
            EXPECT_EQ(workDir, dir.path());
            ++openDialogs;
            return chosen;
        };
        d.AskYesNo = [this](QWidget*, const QString& question) {
            questions.append(question);
            return answerYes;
        };
        d.ShowError = [this](QWidget*, const QString& text) {
            errors.append(text);
            // The box appears once Memo1 shows what was read.
            memoAtError = qm::MemoLines(memo);
        };
        view.setDialogs(d);
    }
    QString InDir(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    void SetMemo(const QStringList& lines) { memo->setPlainText(lines.join(QLatin1Char('\n'))); }

    bool Save(const QString& name)
    {
        chosen = name.isEmpty() ? QString() : InDir(name);
        return view.SaveArchive(&owner, memo, spin->text());
    }
    bool View(const QString& name, const qm::ChartScales& scales = {})
    {
        chosen = name.isEmpty() ? QString() : InDir(name);
        return view.ViewArchive(&owner, memo, &window, scales);
    }
    bool ViewBytes(const QByteArray& bytes, const qm::ChartScales& scales = {})
    {
        EXPECT_TRUE(WriteAll(InDir(QStringLiteral("v.txt")), bytes));
        return View(QStringLiteral("v.txt"), scales);
    }

    QTemporaryDir dir;
    qm::ArchiveView view;
    QWidget owner;
    QPlainTextEdit* memo = nullptr;
    QSpinBox* spin = nullptr;
    ArchiveChartWindow window;

    QString chosen;
    bool answerYes = true;
    int openDialogs = 0;
    QStringList proposedNames, questions, errors, memoAtError;
    qm::test::FixedClock clock{QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9))};
};

TEST_F(ArchiveViewTest, ProposedNameIsAddressAndTodayAndTxtIsAdded)
{
    SetMemo(Listing());
    chosen = InDir(QStringLiteral("АрхивN12_06_12_26"));
    view.SaveArchive(&owner, memo, spin->text());
    EXPECT_EQ(proposedNames, QStringList{QStringLiteral("АрхивN12_06_12_26")});
    EXPECT_EQ(qm::DateTag(), QStringLiteral("06_12_26"));
    EXPECT_TRUE(QFile::exists(InDir(QStringLiteral("АрхивN12_06_12_26.txt"))));
    EXPECT_FALSE(QFile::exists(InDir(QStringLiteral("АрхивN12_06_12_26"))));
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(ArchiveViewTest, ChosenExtensionRule)
{
    const struct {
        const char* chosen;
        const char* written;
    } cases[] = {{"a.csv", "a.csv"}, {"b", "b.txt"}, {"c.backup", "c.backup.txt"}, {"d.txt", "d.txt"}};
    for (const auto& c : cases) {
        EXPECT_TRUE(Save(QString::fromUtf8(c.chosen))) << c.chosen;
        EXPECT_EQ(ReadAll(InDir(QString::fromUtf8(c.written))), QByteArray("\xc0\xf0\xf5\xe8\xe2\r\n")) << c.chosen;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 4);
}

TEST_F(ArchiveViewTest, FileIsWindows1251WithCrLf)
{
    SetMemo({QStringLiteral("АРХИВ ОТСУТСТВУЕТ")});
    ASSERT_TRUE(Save(QStringLiteral("empty")));
    EXPECT_EQ(ReadAll(InDir(QStringLiteral("empty.txt"))),
              QByteArray::fromHex("c0d0d5c8c220ced2d1d3d2d1d2c2d3c5d2") + "\r\n");

    // Lines as added, however narrow the text area wraps them on screen.
    memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memo->resize(60, 100);
    const QStringList lines = Listing();
    SetMemo(lines);
    ASSERT_TRUE(Save(QStringLiteral("long")));
    EXPECT_EQ(ReadAll(InDir(QStringLiteral("long.txt"))), (lines.join(QStringLiteral("\r\n")) + "\r\n").toLatin1());

    // An empty text area writes an empty file.
    memo->clear();
    ASSERT_TRUE(Save(QStringLiteral("none")));
    EXPECT_EQ(ReadAll(InDir(QStringLiteral("none.txt"))), QByteArray());
}

TEST_F(ArchiveViewTest, ExistingFileIsReplacedOnlyAfterYes)
{
    const QString path = InDir(QStringLiteral("x.txt"));
    ASSERT_TRUE(WriteAll(path, "old\r\n"));

    answerYes = false;
    EXPECT_FALSE(Save(QStringLiteral("x")));  // ".txt" is added before the question
    EXPECT_EQ(questions, QStringList{QStringLiteral("Файл уже существует. Переписать?")});
    EXPECT_EQ(ReadAll(path), QByteArray("old\r\n"));

    answerYes = true;
    EXPECT_TRUE(Save(QStringLiteral("x.txt")));
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(ReadAll(path), QByteArray("\xc0\xf0\xf5\xe8\xe2\r\n"));
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(ArchiveViewTest, CancelledDialogsChangeNothing)
{
    EXPECT_FALSE(Save(QString()));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    SetMemo(Listing());
    EXPECT_FALSE(View(QString()));
    EXPECT_EQ(openDialogs, 1);
    EXPECT_EQ(qm::MemoLines(memo), Listing());
    EXPECT_TRUE(window.isHidden());
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(ArchiveViewTest, FailedSaveIsReported)
{
    chosen = InDir(QStringLiteral("no such dir/a.txt"));
    EXPECT_FALSE(view.SaveArchive(&owner, memo, spin->text()));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith(QStringLiteral("Не удалось сохранить файл ") + QDir::toNativeSeparators(chosen)
                                     + QStringLiteral(": ")))
        << errors[0].toStdString();
    EXPECT_GT(errors[0].size(), (QStringLiteral("Не удалось сохранить файл ") + chosen + QStringLiteral(": ")).size());

    // A directory in the way of the file: reported, and the directory stays.
    QDir(dir.path()).mkdir(QStringLiteral("d.txt"));
    EXPECT_FALSE(Save(QStringLiteral("d.txt")));
    EXPECT_EQ(errors.size(), 2);
    EXPECT_TRUE(QFileInfo(InDir(QStringLiteral("d.txt"))).isDir());
}

TEST_F(ArchiveViewTest, SavedListingViewsAsTheSameLinesWithOnePointEach)
{
    const QStringList lines = Listing();
    SetMemo(lines);
    ASSERT_TRUE(Save(QStringLiteral("АрхивN12_06_12_26")));
    const QByteArray saved = ReadAll(InDir(QStringLiteral("АрхивN12_06_12_26.txt")));

    memo->setPlainText(QStringLiteral("Архив"));
    // Typed without ".txt" in the open dialog: the program completes the name.
    ASSERT_TRUE(View(QStringLiteral("АрхивN12_06_12_26")));
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(qm::MemoLines(memo), lines);
    EXPECT_EQ(window.points.size(), lines.size());
    EXPECT_EQ(window.phGraph->dataCount(), lines.size());
    EXPECT_EQ(window.tGraph->dataCount(), lines.size());
    EXPECT_EQ(window.windowTitle(),
              QStringLiteral("АРХИВ: ") + QDir::toNativeSeparators(InDir(QStringLiteral("АрхивN12_06_12_26.txt"))));
    EXPECT_TRUE(window.isVisible());

    QVector<double> keys, ph, t;
    for (int n = 1; n <= 25; ++n) {
        keys.append(qm::ChartKey(qm::ToDateTime(QDateTime(QDate(2026, 12, 6), QTime(10, 0).addSecs(600 * n)))));
        ph.append(std::round((6.5 + 0.02 * n) * 100) / 100);
        t.append(20.0 + 0.5 * n);
    }
    EXPECT_EQ(Keys(window.phGraph), keys);
    EXPECT_EQ(Keys(window.tGraph), keys);
    const QVector<double> phRead = Values(window.phGraph);
    ASSERT_EQ(phRead.size(), ph.size());
    for (int i = 0; i < ph.size(); ++i) EXPECT_NEAR(phRead[i], ph[i], 1e-9);
    EXPECT_EQ(Values(window.tGraph), t);

    // Saved again, the viewed archive is the same file.
    ASSERT_TRUE(Save(QStringLiteral("again")));
    EXPECT_EQ(ReadAll(InDir(QStringLiteral("again.txt"))), saved);
}

TEST_F(ArchiveViewTest, RecordLinesGiveTimePhAndTemperature)
{
    const struct {
        QByteArray line;
        QTime time;
    } cases[] = {
        {"06.12.26 10:30    7,00     -12,3    25,0     10\r\n", QTime(10, 30)},
        {"06.12.26 10:30:15   7,00   -12,3   25,0\r\n", QTime(10, 30, 15)},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(ViewBytes(c.line)) << c.line.constData();
        ASSERT_EQ(window.phGraph->dataCount(), 1);
        ASSERT_EQ(window.tGraph->dataCount(), 1);
        const double key = qm::ChartKey(qm::ToDateTime(QDateTime(QDate(2026, 12, 6), c.time)));
        EXPECT_DOUBLE_EQ(window.phGraph->data()->at(0)->key, key);
        EXPECT_DOUBLE_EQ(window.phGraph->data()->at(0)->value, 7.0);
        EXPECT_DOUBLE_EQ(window.tGraph->data()->at(0)->key, key);
        EXPECT_DOUBLE_EQ(window.tGraph->data()->at(0)->value, 25.0);
        EXPECT_DOUBLE_EQ(window.points.at(0).Value2, -12.3);  // kept, not plotted
        EXPECT_EQ(window.plot->graphCount(), 2);
    }
}

TEST_F(ArchiveViewTest, EmptyFileShowsTheWindowWithNoPoints)
{
    window.fillArchive(QStringLiteral("/old.txt"), {qm::ArchivePoint{46000, 7, 0, 25}}, {});
    ASSERT_TRUE(ViewBytes(QByteArray()));
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_TRUE(qm::MemoLines(memo).isEmpty());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("АРХИВ: ") + QDir::toNativeSeparators(InDir(QStringLiteral("v.txt"))));
    EXPECT_EQ(window.phGraph->dataCount(), 0);
    EXPECT_EQ(window.tGraph->dataCount(), 0);
    EXPECT_TRUE(window.points.isEmpty());
}

TEST_F(ArchiveViewTest, LineWithoutDateStopsTheViewing)
{
    // A window already on screen keeps what it showed.
    ASSERT_TRUE(ViewBytes("06.12.26 10:30    7,00     -12,3    25,0\r\n"));
    const QString caption = window.windowTitle();

    const struct {
        QByteArray bytes;
        QStringList listed;
        QString error;
    } cases[] = {
        {"\xc0\xf0\xf5\xe8\xe2\r\n", {QStringLiteral("Архив")}, QStringLiteral("'Архив' is not a valid date and time")},
        {"06.12.26 10:30    7,00     -12,3    25,0\r\n\xc0\xd0\xd5\xc8\xc2 \xce\xd2\xd1\xd3\xd2\xd1\xd2\xc2\xd3\xc5\xd2\r\n"
         "06.12.26 10:40    7,00     -12,3    25,0\r\n",
         {QStringLiteral("06.12.26 10:30    7,00     -12,3    25,0"), QStringLiteral("АРХИВ ОТСУТСТВУЕТ")},
         QStringLiteral("'АРХИВ ОТСУТСТВУ' is not a valid date and time")},
        {"06.12.26 10:30    7,00     -12,3    25,0\r\n\r\nx\r\n",
         {QStringLiteral("06.12.26 10:30    7,00     -12,3    25,0"), QString()},
         QStringLiteral("'' is not a valid date and time")},
    };
    for (const auto& c : cases) {
        errors.clear();
        EXPECT_FALSE(ViewBytes(c.bytes));
        EXPECT_EQ(errors, QStringList{c.error});
        // Box shown with the lines read so far, the failing one included.
        EXPECT_EQ(memoAtError.join(u'|').toStdString(), c.listed.join(u'|').toStdString());
        EXPECT_EQ(qm::MemoLines(memo).size(), c.listed.size());
        EXPECT_EQ(window.windowTitle(), caption);
        EXPECT_EQ(window.phGraph->dataCount(), 1);
        EXPECT_EQ(window.points.size(), 1);
    }

    // Never shown before: it stays hidden.
    ArchiveChartWindow fresh;
    chosen = InDir(QStringLiteral("v.txt"));
    ASSERT_TRUE(WriteAll(chosen, "\xc0\xf0\xf5\xe8\xe2\r\n"));
    EXPECT_FALSE(view.ViewArchive(&owner, memo, &fresh, {}));
    EXPECT_TRUE(fresh.isHidden());
    EXPECT_EQ(fresh.windowTitle(), QStringLiteral("АРХИВ"));
}

// Files written by other programs: any line end, no line end at the end, another encoding. What
// reads as archive lines is plotted; otherwise the operator sees the line as it was read.
TEST_F(ArchiveViewTest, FilesFromOtherEditorsViewAsFarAsTheirLinesRead)
{
    const QByteArray a = "06.12.26 10:30    7,00     -12,3    25,0";
    const QByteArray b = "06.12.26 10:40:30   7,10   -12,0   25,5     10";
    const struct {
        const char* name;
        QByteArray bytes;
        int points;         // -1: refused with the error
        double ph;          // of the first point
        QString error;
    } cases[] = {
        {"LF", a + "\n" + b + "\n", 2, 7.0, {}},
        {"CR", a + "\r" + b + "\r", 2, 7.0, {}},
        {"no final line end", a + "\r\n" + b, 2, 7.0, {}},
        // Only blanks part the values: a tab-separated rest is one malformed field.
        {"tab-separated values", "06.12.26 10:30 \t7,00\t-12,3\t25,0\r\n", 1, 0.0, {}},
        {"blank line at the end", a + "\r\n\r\n", -1, 0, QStringLiteral("'' is not a valid date and time")},
        {"UTF-8 byte order mark", "\xEF\xBB\xBF" + a + "\r\n", -1, 0,
         QStringLiteral("'п»ї06.12.26 10:30 ' is not a valid date and time")},
        {"UTF-8 Cyrillic", "\xD0\x90\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2\r\n", -1, 0,
         QStringLiteral("'РђСЂС…РёРІ' is not a valid date and time")},
        {"date with dashes", "06-12-26 10:30    7,00\r\n", -1, 0,
         QStringLiteral("'06-12-26 10:30 ' is not a valid date and time")},
    };
    for (const auto& c : cases) {
        errors.clear();
        EXPECT_EQ(ViewBytes(c.bytes), c.points >= 0) << c.name;
        EXPECT_EQ(errors, c.error.isEmpty() ? QStringList() : QStringList{c.error}) << c.name;
        if (c.points >= 0) {
            EXPECT_EQ(window.points.size(), c.points) << c.name;
            EXPECT_EQ(qm::MemoLines(memo).size(), c.points) << c.name;
            EXPECT_DOUBLE_EQ(window.points.at(0).Value1, c.ph) << c.name;
        }
    }
}

// The real error box: a critical box over the main window, in the program's words.
TEST_F(ArchiveViewTest, RealErrorBoxShowsTheText)
{
    const qm::ArchiveDialogs real = qm::DefaultArchiveDialogs();
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        answer.stop();
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        box->accept();
    });
    answer.start();
    real.ShowError(memo, QStringLiteral("'Архив' is not a valid date and time"));
    EXPECT_EQ(text, QStringLiteral("'Архив' is not a valid date and time"));
    EXPECT_EQ(title, QStringLiteral("QM4700 ModBus Ver3.0"));
    EXPECT_EQ(icon, QMessageBox::Critical);
}

TEST_F(ArchiveViewTest, UnreadableFileIsReportedAndChangesNothing)
{
    SetMemo(Listing());
    EXPECT_FALSE(View(QStringLiteral("missing")));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith(QStringLiteral("Не удалось открыть файл ")
                                     + QDir::toNativeSeparators(InDir(QStringLiteral("missing.txt"))) + QStringLiteral(": ")))
        << errors[0].toStdString();
    EXPECT_TRUE(errors[0].endsWith(QStringLiteral(": нет такого файла или устройства"))) << errors[0].toStdString();
    EXPECT_EQ(qm::MemoLines(memo), Listing());
    EXPECT_TRUE(window.isHidden());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("АРХИВ"));

    QDir(dir.path()).mkdir(QStringLiteral("folder.txt"));
    EXPECT_FALSE(View(QStringLiteral("folder.txt")));
    EXPECT_EQ(errors.size(), 2);
    EXPECT_EQ(qm::MemoLines(memo), Listing());
    EXPECT_TRUE(window.isHidden());
}

// A real archive file is a few kilobytes; reading a huge one would hold the window and the poll
// timers for seconds. It is refused before a line is read.
TEST_F(ArchiveViewTest, HugeFileIsRefusedWithoutTouchingMemoOrChart)
{
    SetMemo(Listing());
    QByteArray line("06.12.26 10:30    7,00     -12,3    25,0\r\n");
    EXPECT_FALSE(ViewBytes(line.repeated((2 << 20) / line.size())));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith(QStringLiteral("Не удалось открыть файл ")
                                     + QDir::toNativeSeparators(InDir(QStringLiteral("v.txt")))
                                     + QStringLiteral(": файл слишком велик")))
        << errors[0].toStdString();
    EXPECT_EQ(qm::MemoLines(memo), Listing());
    EXPECT_TRUE(window.isHidden());
}

TEST_F(ArchiveViewTest, AxesFollowTheScalesWhateverTheData)
{
    qm::ChartScales scales;
    scales.PhScaleMin = 0;
    scales.PhScaleMax = 10;
    scales.PhScaleStep = 2;
    scales.TScaleMin = -10;
    scales.TScaleMax = 40;
    scales.TScaleStep = 5;
    ASSERT_TRUE(ViewBytes("06.12.26 10:30    14,00     -12,3    95,0\r\n"
                          "06.12.26 11:30    -3,00     -12,3   -50,0\r\n",
                          scales));
    window.plot->replot();
    EXPECT_EQ(window.plot->yAxis->range(), QCPRange(0, 10));
    EXPECT_EQ(window.plot->yAxis2->range(), QCPRange(-10, 40));
    EXPECT_EQ(window.plot->yAxis->tickVector(), (QVector<double>{0, 2, 4, 6, 8, 10}));
    EXPECT_EQ(window.plot->yAxis2->tickVector(), (QVector<double>{-10, -5, 0, 5, 10, 15, 20, 25, 30, 35, 40}));
    // The time axis spans the points.
    const QCPRange x = window.plot->xAxis->range();
    EXPECT_DOUBLE_EQ(x.lower, qm::ChartKey(qm::ToDateTime(QDateTime(QDate(2026, 12, 6), QTime(10, 30)))));
    EXPECT_DOUBLE_EQ(x.upper, qm::ChartKey(qm::ToDateTime(QDateTime(QDate(2026, 12, 6), QTime(11, 30)))));

    // Unusable scales leave that axis as it was.
    qm::ChartScales bad = scales;
    bad.PhScaleMin = 5;
    bad.PhScaleMax = 5;
    bad.TScaleStep = 0;
    ASSERT_TRUE(ViewBytes("06.12.26 10:30    7,00     -12,3    25,0\r\n", bad));
    window.plot->replot();
    EXPECT_EQ(window.plot->yAxis->range(), QCPRange(0, 10));
    EXPECT_EQ(window.plot->yAxis2->tickVector(), (QVector<double>{-10, -5, 0, 5, 10, 15, 20, 25, 30, 35, 40}));
}

TEST_F(ArchiveViewTest, WindowOpensOverTheMainWindowsCentreOnce)
{
    owner.show();
    ASSERT_TRUE(ViewBytes("06.12.26 10:30    7,00     -12,3    25,0\r\n"));
    QApplication::processEvents();
    const QPoint offset = window.frameGeometry().center() - owner.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 1) << offset.x() << "," << offset.y();

    // Moved by the user, it stays where it was put.
    window.move(5, 6);
    ASSERT_TRUE(ViewBytes("06.12.26 10:30    7,00     -12,3    25,0\r\n"));
    EXPECT_EQ(window.frameGeometry().topLeft(), QPoint(5, 6));
}

TEST_F(ArchiveViewTest, PointsBeyondCapacityAreListedButNotPlotted)
{
    QByteArray bytes;
    const int total = qm::ArchiveCapacity + 5;
    for (int i = 0; i < total; ++i)
        bytes += QDateTime(QDate(2026, 1, 1), QTime(0, 0)).addSecs(60 * i).toString(QStringLiteral("dd.MM.yy hh:mm")).toLatin1()
                 + "    7,00     -12,3    25,0\r\n";
    ASSERT_TRUE(ViewBytes(bytes));
    EXPECT_EQ(memo->document()->blockCount(), total);
    EXPECT_EQ(window.points.size(), qm::ArchiveCapacity);
    EXPECT_EQ(window.phGraph->dataCount(), qm::ArchiveCapacity);

    // Lines beyond the capacity are still checked.
    bytes += "\xc0\xf0\xf5\xe8\xe2\r\n";
    EXPECT_FALSE(ViewBytes(bytes));
    EXPECT_EQ(errors, QStringList{QStringLiteral("'Архив' is not a valid date and time")});
    EXPECT_EQ(memo->document()->blockCount(), total + 1);
}

// The real dialogs as the buttons configure them.
TEST_F(ArchiveViewTest, DialogsStartInWorkDirWithTheArchiveFilter)
{
    auto save = qm::NewArchiveSaveDialog(&owner, dir.path(), QStringLiteral("АрхивN12_06_12_26"));
    EXPECT_EQ(save->nameFilters(), QStringList{QStringLiteral("Файлы архивов (*.txt)")});
    EXPECT_EQ(save->directory().absolutePath(), QDir(dir.path()).absolutePath());
    EXPECT_EQ(save->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_TRUE(save->defaultSuffix().isEmpty());
    EXPECT_TRUE(save->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(save->selectedFiles().value(0), QDir(dir.path()).absoluteFilePath(QStringLiteral("АрхивN12_06_12_26")));

    auto open = qm::NewArchiveOpenDialog(&owner, dir.path());
    EXPECT_EQ(open->nameFilters(), QStringList{QStringLiteral("Файлы архивов (*.txt)")});
    EXPECT_EQ(open->directory().absolutePath(), QDir(dir.path()).absolutePath());
    EXPECT_EQ(open->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(open->fileMode(), QFileDialog::AnyFile);
    EXPECT_TRUE(open->defaultSuffix().isEmpty());
}

// Enter keeps the file: only a chosen Yes replaces it (NoButton stands for pressing Enter).
TEST_F(ArchiveViewTest, RealOverwriteQuestionIsAWarningWithYesAndNoAndEnterKeepsTheFile)
{
    const qm::ArchiveDialogs real = qm::DefaultArchiveDialogs();
    for (auto [button, expected] : {std::pair{QMessageBox::No, false}, std::pair{QMessageBox::Yes, true},
                                    std::pair{QMessageBox::NoButton, false}}) {
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool hasBoth = false;
        // Answers the box once it is up; a box without the button would be closed unanswered.
        QTimer answer;
        answer.setInterval(10);
        QObject::connect(&answer, &QTimer::timeout, [&, button = button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            answer.stop();
            text = box->text();
            icon = box->icon();
            hasBoth = box->button(QMessageBox::Yes) && box->button(QMessageBox::No);
            if (button == QMessageBox::NoButton) {
                QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QApplication::sendEvent(box, &enter);
            } else if (box->button(button)) {
                box->button(button)->click();
            } else {
                box->reject();
            }
        });
        answer.start();
        EXPECT_EQ(real.AskYesNo(&owner, QStringLiteral("Файл уже существует. Переписать?")), expected);
        EXPECT_EQ(text, QStringLiteral("Файл уже существует. Переписать?"));
        EXPECT_EQ(icon, QMessageBox::Warning);
        EXPECT_TRUE(hasBoth);
    }
}

}  // namespace
