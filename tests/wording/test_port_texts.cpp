// The port's words: the port list's tooltip names what every COM name opens, the serial devices
// present and what ports.cfg could not be read.
#include "Files.h"
#include "PortNames.h"
#include "PortTexts.h"
#include "QStringPrint.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qm;

namespace {

TEST(PortTexts, TooltipNamesTheDeviceOfEveryComNameAndTheDevicesPresent)
{
    QTemporaryDir dir;
    ASSERT_TRUE(test::WriteAll(dir.filePath(QStringLiteral("ports.cfg")),
                               "COM2 /dev/ttyUSB0\nCOM3=/dev/ttyUSB1\nCOM4 tcp://192.168.1.20:502\nCOM5 tcp://[fd00::1]\n"));
    const QString tip = PortListToolTip(dir.path());
    const QStringList lines = tip.split(QLatin1Char('\n'));
    ASSERT_GT(lines.size(), PortCount);
    for (int i = 0; i < PortCount; ++i) {
        EXPECT_TRUE(lines[i].startsWith(PortDisplayName(i) + QLatin1Char(' '))) << lines[i].toStdString();
        EXPECT_TRUE(lines[i].contains(PortDeviceName(i, dir.path()))) << lines[i].toStdString();
    }
    for (const SerialDevice& d : SerialDevicesPresent()) EXPECT_TRUE(tip.contains(d.path)) << d.path.toStdString();
#ifndef Q_OS_WIN
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" (ports.cfg)"))) << lines[1].toStdString();
    EXPECT_FALSE(lines[2].contains(QStringLiteral("ports.cfg"))) << lines[2].toStdString();
    EXPECT_TRUE(tip.contains(QStringLiteral("ports.cfg строку"))) << tip.toStdString();
    EXPECT_TRUE(tip.contains(QStringLiteral("строка 2: «COM3=/dev/ttyUSB1»"))) << tip.toStdString();
    // A network line, examples of both kinds, and a URL that names none, with why.
    EXPECT_EQ(lines[3], QStringLiteral("COM4 \u2192 tcp://192.168.1.20:502 (ports.cfg)"));
    EXPECT_TRUE(tip.contains(QStringLiteral("\n  COM2 rtuovertcp://192.168.1.10:4001  — "))) << tip.toStdString();
    EXPECT_TRUE(tip.contains(QStringLiteral("\n  COM3 tcp://192.168.1.20:502  — "))) << tip.toStdString();
    EXPECT_TRUE(tip.contains(QStringLiteral("строка 4: «COM5 tcp://[fd00::1]» — нет номера порта TCP"))) << tip.toStdString();
#endif
}

// A network line's problems name the gateway as ports.cfg gives it, say why, and that the program
// keeps trying while "Соединение" stays ticked.
TEST(PortTexts, GatewayProblemsNameTheGatewayAndWhy)
{
    struct Case {
        PortProblem::Kind kind;
        const char* device;
        const char* text;
        const char* why;
    } cases[] = {
        {PortProblem::Kind::GatewayRefused, "rtuovertcp://192.168.1.10:4001", "Шлюз 192.168.1.10:4001 не отвечает", "Соединение отвергнуто"},
        {PortProblem::Kind::GatewayUnreachable, "tcp://192.168.1.10:502", "Шлюз 192.168.1.10:502 не отвечает", "Узел недоступен"},
        {PortProblem::Kind::GatewayUnknown, "tcp://gw.plant:502", "Шлюз gw.plant:502 не отвечает", "Имя «gw.plant» в сети не найдено"},
        {PortProblem::Kind::GatewayTimedOut, "tcp://[fd00::1]:502", "Шлюз [fd00::1]:502 не отвечает", "не принял соединение за 5 с"},
        {PortProblem::Kind::GatewayDropped, "tcp://192.168.1.10:502", "Шлюз 192.168.1.10:502 разорвал соединение", "другой мастер"},
        {PortProblem::Kind::NothingAnswers, "tcp://192.168.1.10:502", "Через шлюз 192.168.1.10:502 не ответил ни один прибор", "rtuovertcp://"},
    };
    for (const Case& c : cases) {
        PortProblem problem;
        problem.kind = c.kind;
        problem.portIndex = 2;
        problem.device = QString::fromUtf8(c.device);
        const Notice notice = PortProblemNotice(problem, QString());
        EXPECT_EQ(notice.text, QString::fromUtf8(c.text));
        EXPECT_TRUE(notice.detail.contains(QString::fromUtf8(c.why))) << notice.detail.toStdString();
        EXPECT_TRUE(notice.detail.contains(QStringLiteral("COM3 ведёт к нему по ports.cfg: ") + problem.device))
            << notice.detail.toStdString();
        const bool retried = notice.detail.contains(QStringLiteral("Пока отмечено «Соединение», программа соединяется снова"));
        EXPECT_EQ(retried, c.kind != PortProblem::Kind::NothingAnswers) << notice.detail.toStdString();
    }
}

}  // namespace
