// The real program on a private X server, driven with xdotool like an operator, against the
// simulated instrument 1 (fixed readings: pH 7.01, E -101.0, T 21.0, status 0x0011). It connects
// with "Соединение", watches the requests arrive at the instrument once a second and the live
// table show the instrument's row with the "Р1" dot, disconnects, and closes the window.
#include "e2e_rig.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

using namespace qm::e2e;

// Readable failure messages for geometry.
void PrintTo(const QRect& r, std::ostream* os)
{
    *os << r.width() << "x" << r.height() << " at (" << r.left() << ", " << r.top() << ")";
}
void PrintTo(const QSize& s, std::ostream* os) { *os << s.width() << "x" << s.height(); }

namespace {

#if defined(QM_PROGRAM_PATH) && defined(QM_SIM_PATH)

// Where things are in the main window's client area (the window has a fixed size).
constexpr int kWindowWidth = 1236;
constexpr int kWindowHeight = 807;
const QPoint kConnectBox(384 + 8, 744 + 8); // the box of "Соединение"
const QRect kIdBox(64, 24, 81, 27);
const QRect kClockBox(272, 24, 177, 27);
const QRect kStatusText(0, 781, 420, 24);

// The live table: left 16, top 72, a 2-pixel frame, then cells with a 1-pixel grid line to the
// right and below; the header row is 24 pixels high like every row.
constexpr int kColumnWidths[8] = {70, 70, 70, 49, 85, 53, 39, 41};
constexpr int kRowHeight = 24;

QRect cell(int column, int row)
{
    int x = 16 + 2;
    for (int c = 0; c < column; ++c) x += kColumnWidths[c] + 1;
    return QRect(x, 72 + 2 + row * (kRowHeight + 1), kColumnWidths[column], kRowHeight);
}

// A cell without its outer two pixels, where a focus frame could be drawn.
QRect inside(const QRect& r) { return r.adjusted(2, 2, -2, -2); }

int redCount(const QImage& img, const QRect& r, bool (*isRed)(QRgb))
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += isRed(img.pixel(x, y)) ? 1 : 0;
    return n;
}

QRect pureRedBounds(const QImage& img, const QRect& r)
{
    QRect bounds;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (isPureRed(img.pixel(x, y))) bounds |= QRect(x, y, 1, 1);
    return bounds;
}

struct Request {
    QDateTime at;
    QString bytes;
};

// The simulator's request log; only complete lines count.
QList<Request> readLog(const QString& path)
{
    QList<Request> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return out;
    static const QRegularExpression line(QStringLiteral(R"(^(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}) (.*)$)"));
    while (!f.atEnd()) {
        const QByteArray raw = f.readLine();
        if (!raw.endsWith('\n')) break;
        const QString text = QString::fromLatin1(raw).trimmed();
        const QRegularExpressionMatch m = line.match(text);
        if (!m.hasMatch()) {
            out.append({QDateTime(), text});
            continue;
        }
        out.append({QDateTime::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")), m.captured(2)});
    }
    return out;
}

QString describe(const QList<Request>& log)
{
    QString s;
    for (const Request& r : log) s += r.at.toString(QStringLiteral("HH:mm:ss.zzz ")) + r.bytes + QLatin1Char('\n');
    return s;
}

class EndToEnd : public ::testing::Test {
protected:
    QTemporaryDir dir;
    XServer x;   // declared first: stopped last
    Child sim;
    Child program;
    QString windowId;
    QList<std::pair<QString, QImage>> kept; // screenshots the checks were made on

    // Keeps a screenshot for the failure report (and, with QM_E2E_SHOTS=dir, always).
    void keep(const QString& name, const QImage& img) { kept.append({name, img}); }

    void SetUp() override
    {
        if (!haveTool(QStringLiteral("Xvfb")) || !haveTool(QStringLiteral("xdotool")))
            GTEST_SKIP() << "end-to-end test skipped: Xvfb and xdotool are needed (apt install xvfb xdotool)";
        ASSERT_TRUE(haveTool(QStringLiteral("import"))) << "ImageMagick's import is needed for screenshots";
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(x.start()) << "Xvfb did not start: " << x.child.output().toStdString();
    }

    void TearDown() override
    {
        if (HasFailure()) {
            std::cerr << "--- program output ---\n" << program.output().toStdString()
                      << "--- simulator output ---\n" << sim.output().toStdString()
                      << "--- simulator log ---\n" << describe(readLog(logPath())).toStdString();
        }
        const QString shotDir = qEnvironmentVariable("QM_E2E_SHOTS", HasFailure() ? QDir::tempPath() : QString());
        for (const auto& [name, img] : kept) {
            const QString path = QDir(shotDir).filePath(
                QStringLiteral("qm-e2e-%1-%2.png").arg(QCoreApplication::applicationPid()).arg(name));
            if (!shotDir.isEmpty() && img.save(path)) std::cerr << "screenshot: " << path.toStdString() << "\n";
        }
        program.stop();
        sim.stop();
        x.child.stop();
    }

    QString logPath() const { return dir.filePath(QStringLiteral("sim.log")); }

    void startSimulator()
    {
        sim.process.start(QStringLiteral(QM_SIM_PATH),
                          {"--fixed", "--first", "1", "--count", "1", "--ports-cfg", dir.filePath("ports.cfg"),
                           "--com", "2", "--log", logPath()});
        ASSERT_TRUE(sim.process.waitForStarted(5000));
        const QString device = sim.readLine(10000);
        ASSERT_TRUE(device.startsWith(QStringLiteral("/dev/"))) << "simulator said: " << sim.output().toStdString();
        QFile cfg(dir.filePath("ports.cfg"));
        ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
        ASSERT_TRUE(QString::fromLocal8Bit(cfg.readAll()).contains(QStringLiteral("COM2 ") + device));
    }

    void startProgram()
    {
        program.process.setWorkingDirectory(dir.path());
        program.process.setProcessEnvironment(x.environment());
        program.process.start(QStringLiteral(QM_PROGRAM_PATH), {});
        ASSERT_TRUE(program.process.waitForStarted(5000));
        const ToolResult found = runTool(x, QStringLiteral("xdotool"),
                                         {"search", "--sync", "--name", "^QM4700 ModBus Ver3\\.0$"}, 20000);
        ASSERT_TRUE(found.finished && found.exitCode == 0) << "the main window did not appear";
        windowId = QString::fromLatin1(found.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts).value(0).trimmed();
        ASSERT_FALSE(windowId.isEmpty());
    }

    void click(const QPoint& p)
    {
        const ToolResult r = runTool(x, QStringLiteral("xdotool"),
                                     {"mousemove", "--window", windowId, QString::number(p.x()), QString::number(p.y()),
                                      "click", "1"},
                                     10000);
        ASSERT_TRUE(r.finished && r.exitCode == 0) << r.err.toStdString();
    }

    QImage shot()
    {
        const QImage img = screenshot(x, windowId);
        EXPECT_EQ(img.size(), QSize(kWindowWidth, kWindowHeight)) << "screenshot of the main window";
        return img.size() == QSize(kWindowWidth, kWindowHeight) ? img : QImage();
    }

    // Takes screenshots until one satisfies the condition; the last one otherwise.
    template <typename Pred>
    QImage shotWhen(Pred ready, int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        QImage img;
        do {
            img = shot();
            if (!img.isNull() && ready(img)) break;
            QThread::msleep(100);
        } while (!deadline.hasExpired());
        return img;
    }
};

TEST_F(EndToEnd, ConnectPollsOncePerSecondShowsTheRowAndDisconnectStops)
{
    ASSERT_NO_FATAL_FAILURE(startSimulator());
    ASSERT_NO_FATAL_FAILURE(startProgram());

    // Before connecting: the address column shows 1, the rest of row 1 is empty and nothing
    // has been sent.
    const QImage before = shotWhen([](const QImage& img) { return inkCount(img, inside(cell(0, 1))) > 0; }, 10000);
    keep(QStringLiteral("before"), before);
    ASSERT_FALSE(before.isNull());
    EXPECT_GT(inkCount(before, inside(cell(0, 1))), 0) << "address 1 in row 1";
    for (int c = 1; c <= 7; ++c) EXPECT_EQ(inkCount(before, inside(cell(c, 1))), 0) << "row 1 column " << c;
    const QList<Request> early = readLog(logPath());
    EXPECT_TRUE(early.isEmpty()) << "requests before connecting:\n" << describe(early).toStdString();

    // Connect. While waiting for four requests, watch the status line: once polling runs it
    // alternates between "1-" (request sent) and the longer "1-Ok!  " (answer taken). Before
    // that it names the port, and a click within the first second after start-up also shows a
    // missed-answer check before the first request; so only the width changes are judged.
    ASSERT_NO_FATAL_FAILURE(click(kConnectBox));
    QList<std::pair<QDateTime, int>> statusWidths; // when the screenshot was started, text extent
    QDeadlineTimer deadline(12000);
    while (readLog(logPath()).size() < 4 && !deadline.hasExpired()) {
        const QDateTime taken = QDateTime::currentDateTime();
        const QImage img = shot();
        if (!img.isNull()) statusWidths.append({taken, inkRightEdge(img, kStatusText)});
    }
    const QList<Request> polled = readLog(logPath());
    ASSERT_GE(polled.size(), 4) << "requests after connecting:\n" << describe(polled).toStdString();
    for (const Request& r : polled) {
        EXPECT_TRUE(r.at.isValid()) << r.bytes.toStdString();
        EXPECT_EQ(r.bytes, QStringLiteral("01 03 00 00 00 09 85 CC"));
    }
    for (qsizetype i = 1; i < polled.size(); ++i) {
        const qint64 gap = polled[i - 1].at.msecsTo(polled[i].at);
        EXPECT_TRUE(gap >= 700 && gap <= 1500) << "gap of " << gap << " ms before request " << i + 1 << ":\n"
                                               << describe(polled).toStdString();
    }

    // The row as an operator sees it: all values, the identification and the clock filled in,
    // a red dot in "Р1" (status bit 0 set) and none in "Р2" (bit 1 clear).
    const QImage on = shot();
    keep(QStringLiteral("connected"), on);
    ASSERT_FALSE(on.isNull());
    for (int c = 0; c <= 5; ++c) EXPECT_GT(inkCount(on, inside(cell(c, 1))), 0) << "row 1 column " << c;
    EXPECT_GT(inkCount(on, kIdBox.adjusted(3, 3, -3, -3)), 0) << "ID box";
    EXPECT_GT(inkCount(on, kClockBox.adjusted(3, 3, -3, -3)), 0) << "clock box";

    const QRect p1 = cell(6, 1);
    const QRect disc(p1.left() + 12, p1.top() + 4, 15, 15);
    EXPECT_EQ(pureRedBounds(on, p1), disc) << "the Р1 dot spans 15 pixels at (cell + 12, cell + 4)";
    EXPECT_TRUE(isPureRed(on.pixel(disc.center()))) << "centre of the Р1 dot";
    EXPECT_FALSE(isPureRed(on.pixel(disc.topLeft()))) << "a disc, not a square";
    const int area = redCount(on, p1, isPureRed);
    EXPECT_TRUE(area >= 150 && area <= 200) << "the dot has " << area << " red pixels";
    EXPECT_EQ(redCount(on, p1, isReddish), area) << "the dot is pure red, outline included";

    const QRect p2 = cell(7, 1);
    EXPECT_FALSE(isReddish(on.pixel(p2.center()))) << "Р2 background";
    EXPECT_EQ(redCount(on, p2, isReddish), 0) << "no dot in Р2";
    for (int row : {0, 2, 3, 4})
        for (int c : {6, 7}) EXPECT_EQ(redCount(on, cell(c, row), isReddish), 0) << "row " << row << " column " << c;

    QSet<int> widths;
    for (const auto& [taken, width] : statusWidths)
        if (taken > polled.first().at.addMSecs(50)) widths.insert(width);
    const QList<int> seen = widths.values();
    EXPECT_GE(seen.size(), 2) << "the status line did not change while polling";
    if (!seen.isEmpty()) {
        const int narrowest = *std::min_element(seen.begin(), seen.end());
        const int widest = *std::max_element(seen.begin(), seen.end());
        EXPECT_GT(narrowest, 0) << "status text";
        EXPECT_GE(widest - narrowest, 15) << "\"1-\" and \"1-Ok!  \" differ by \"Ok!\"";
    }

    // Disconnect: the row is blanked except its address, the boxes are emptied, and the
    // instrument hears nothing more.
    ASSERT_NO_FATAL_FAILURE(click(kConnectBox));
    const QImage off = shotWhen(
        [](const QImage& img) {
            for (int c = 1; c <= 7; ++c)
                if (inkCount(img, inside(cell(c, 1))) > 0) return false;
            return true;
        },
        5000);
    keep(QStringLiteral("disconnected"), off);
    ASSERT_FALSE(off.isNull());
    for (int c = 1; c <= 7; ++c) EXPECT_EQ(inkCount(off, inside(cell(c, 1))), 0) << "row 1 column " << c;
    EXPECT_GT(inkCount(off, inside(cell(0, 1))), 0) << "the address stays";
    EXPECT_EQ(redCount(off, QRect(cell(0, 0).topLeft(), cell(7, 4).bottomRight()), isReddish), 0) << "no dot anywhere";
    EXPECT_EQ(inkCount(off, kIdBox.adjusted(3, 3, -3, -3)), 0) << "ID box";
    EXPECT_EQ(inkCount(off, kClockBox.adjusted(3, 3, -3, -3)), 0) << "clock box";

    QThread::msleep(200); // a request written just before the port closed may still be logged
    const qsizetype sent = readLog(logPath()).size();
    QThread::msleep(2000);
    const QList<Request> after = readLog(logPath());
    EXPECT_EQ(after.size(), sent) << "requests after disconnecting:\n" << describe(after).toStdString();

    // Close the window as a window manager would: the program writes its settings and ends
    // normally. The bound is generous: on a loaded machine the synced writes of shutdown may take
    // a while, and the program ends on its own once they are done.
    ASSERT_TRUE(requestClose(x, windowId.toUInt())) << "could not send WM_DELETE_WINDOW";
    const bool ended = program.process.waitForFinished(30000);
    if (!ended) keep(QStringLiteral("after-close"), screenshot(x, QStringLiteral("root")));
    ASSERT_TRUE(ended) << "the program did not end after its window was closed";
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("it.cfg")))) << "shutdown wrote the settings";
    EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process.exitCode(), 0);
}

#else

TEST(EndToEnd, NeedsTheProgramAndTheSimulator)
{
    GTEST_SKIP() << "end-to-end test skipped: the program or the simulator is not part of this build";
}

#endif

} // namespace
