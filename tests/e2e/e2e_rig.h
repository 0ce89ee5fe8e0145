// Helpers for driving the real program on a private X server: child processes that are always
// stopped, the X tools (xdotool, ImageMagick's import) and window screenshots.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QDeadlineTimer>
#include <QHash>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <cstdlib>

namespace qm::e2e {

// A child process that is stopped when it goes out of scope: SIGTERM, then SIGKILL.
class Child {
public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { stop(); }

    QProcess process;

    void stop()
    {
        if (process.state() == QProcess::NotRunning) return;
        process.terminate();
        if (process.waitForFinished(2000)) return;
        process.kill();
        process.waitForFinished(2000);
    }

    bool running() const { return process.state() != QProcess::NotRunning; }

    // Waits for one full line of standard output; empty when none came in time.
    QString readLine(int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!process.canReadLine() && !deadline.hasExpired() && running())
            process.waitForReadyRead(100);
        if (!process.canReadLine()) return {};
        return QString::fromLocal8Bit(process.readLine()).trimmed();
    }

    // Everything the process has written so far, for failure messages.
    QString output()
    {
        if (running()) process.waitForReadyRead(200);
        m_output += process.readAllStandardOutput();
        m_output += process.readAllStandardError();
        return QString::fromLocal8Bit(m_output);
    }

private:
    QByteArray m_output;
};

inline bool haveTool(const QString& name) { return !QStandardPaths::findExecutable(name).isEmpty(); }

// A private X server on a display number it chooses itself. Empty display when it did not start.
struct XServer {
    Child child;
    QString display;

    bool start()
    {
        // -displayfd 1: the server writes its display number to its standard output once it
        // accepts connections, so there is no guessing of free numbers and no race.
        child.process.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "1280x1024x24",
                                                     "-nolisten", "tcp", "-noreset"});
        if (!child.process.waitForStarted(5000)) return false;
        const QString number = child.readLine(15000);
        bool ok = false;
        number.toInt(&ok);
        if (!ok) return false;
        display = QStringLiteral(":") + number;
        return true;
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("DISPLAY"), display);
        return env;
    }
};

struct ToolResult {
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs an X tool on the given display and waits for it; a tool that hangs is killed.
inline ToolResult runTool(const XServer& x, const QString& program, const QStringList& args, int timeoutMs)
{
    ToolResult r;
    QProcess p;
    p.setProcessEnvironment(x.environment());
    p.start(program, args);
    if (!p.waitForStarted(5000)) return r;
    r.finished = p.waitForFinished(timeoutMs);
    if (!r.finished) {
        p.kill();
        p.waitForFinished(2000);
    }
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// The window's own pixels (client area; there is no window manager, so no frame).
inline QImage screenshot(const XServer& x, const QString& windowId)
{
    const ToolResult r = runTool(x, QStringLiteral("import"), {"-window", windowId, "png:-"}, 10000);
    if (!r.finished || r.exitCode != 0) return {};
    return QImage::fromData(r.out, "PNG").convertToFormat(QImage::Format_RGB32);
}

// --- Reading pixels -----------------------------------------------------------------------

inline bool isPureRed(QRgb c) { return (c & 0xFFFFFF) == 0xFF0000; }

// Anything a person would call red, antialiased edges included.
inline bool isReddish(QRgb c) { return qRed(c) >= 160 && qGreen(c) <= 90 && qBlue(c) <= 90; }

inline int colourDistance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// Text is antialiased; its faintest edge pixels do not count as ink.
constexpr int kInkThreshold = 48;

// The pixels of a region that stand out from its most common colour: text, dots, frames.
inline int inkCount(const QImage& img, const QRect& region)
{
    const QRect r = region & img.rect();
    QHash<QRgb, int> histogram;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) ++histogram[img.pixel(x, y)];
    QRgb background = 0;
    int most = -1;
    for (auto it = histogram.cbegin(); it != histogram.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    int ink = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) ink += colourDistance(img.pixel(x, y), background) > kInkThreshold;
    return ink;
}

// The right-most column of a region that holds ink, or -1.
inline int inkRightEdge(const QImage& img, const QRect& region)
{
    // The region is chosen to end in plain background.
    const QRect r = region & img.rect();
    const QRgb background = img.pixel(r.right(), r.top() + r.height() / 2);
    for (int x = r.right(); x >= r.left(); --x)
        for (int y = r.top(); y <= r.bottom(); ++y)
            if (colourDistance(img.pixel(x, y), background) > kInkThreshold) return x;
    return -1;
}

} // namespace qm::e2e
