// The main window against the control table: every control where the operator expects it,
// with its caption, font, range and starting state; and the engine's facts as the window shows them.
#include "LiveTable.h"
#include "MainWindow.h"
#include "NoticeBoard.h"
#include "QStringPrint.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QHelpEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <qcustomplot.h>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace {

void ProcessEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Start-up reads and writes files in the current directory: keep them away from the tree.
        dir = std::make_unique<QTemporaryDir>();
        QDir::setCurrent(dir->path());
        form = new MainWindow;
        form->show();
        ProcessEventsFor(50);
    }
    static void TearDownTestSuite()
    {
        delete form;
        form = nullptr;
        dir.reset();
    }

    template <class T = QWidget>
    static T* control(const char* name)
    {
        return form->findChild<T*>(QString::fromLatin1(name));
    }

    static inline MainWindow* form = nullptr;
    static inline std::unique_ptr<QTemporaryDir> dir;
};

enum class Font { Text, Button, Small, None };  // bold Arial 17, bold Arial 15, Arial 13, not checked

struct Control {
    const char* name;
    const char* className;
    const char* parent;    // object name of the parent widget
    int left, top, width, height;  // width -1: a label, sized by its text
    const char* text;      // caption or label; nullptr when the control has none
    Font font;
    std::optional<int> minimum, maximum, value;  // spin edits
    std::optional<bool> checked;                 // check boxes
};

constexpr int Label = -1;
const std::optional<int> none;

// The control table of the main window, in window coordinates; the slot lists and the scale
// grid lie on the chart and use chart coordinates.
const Control Controls[] = {
    {"Bevel1", "QFrame", "Form1", 16, 8, 513, 49, nullptr, Font::None, none, none, none, {}},
    {"Label5", "QLabel", "Form1", 48, 0, Label, 0, "Опрос", Font::Text, none, none, none, {}},
    {"Label11", "QLabel", "Form1", 40, 32, Label, 0, "ID", Font::Text, none, none, none, {}},
    {"Edit4", "QLineEdit", "Form1", 64, 24, 81, 27, "", Font::Text, none, none, none, {}},
    {"Label2", "QLabel", "Form1", 160, 32, Label, 0, "Дата/Время  ", Font::Text, none, none, none, {}},
    {"Edit1", "QLineEdit", "Form1", 272, 24, 177, 27, "", Font::Text, none, none, none, {}},
    {"CheckBox6", "QCheckBox", "Form1", 464, 32, 49, 17, "Таб", Font::Small, none, none, none, false},
    {"DrawGrid1", "qm::LiveTable", "Form1", 16, 72, 513, 129, nullptr, Font::None, none, none, none, {}},
    {"Memo1", "QPlainTextEdit", "Form1", 568, 8, 385, 193, nullptr, Font::Text, none, none, none, {}},
    {"Label6", "QLabel", "Form1", 968, 8, Label, 0, "NUM", Font::Text, none, none, none, {}},
    {"SpinEdit5", "QSpinBox", "Form1", 968, 32, 65, 29, nullptr, Font::Text, 1, 99, 1, {}},
    {"Label7", "QLabel", "Form1", 968, 152, Label, 0, "P,мин", Font::Text, none, none, none, {}},
    {"SpinEdit6", "QSpinBox", "Form1", 968, 176, 65, 29, nullptr, Font::Text, 1, 255, 1, {}},
    {"Button1", "QPushButton", "Form1", 1040, 8, 177, 25, "Читать архив из QM", Font::Button, none, none, none, {}},
    {"Button2", "QPushButton", "Form1", 1040, 40, 177, 25, "Сохранить в файл", Font::Button, none, none, none, {}},
    {"Button4", "QPushButton", "Form1", 1040, 72, 177, 25, "Просмотр", Font::Button, none, none, none, {}},
    {"Button6", "QPushButton", "Form1", 1040, 104, 177, 25, "Коррекция времени", Font::Button, none, none, none, {}},
    {"Button5", "QPushButton", "Form1", 1040, 136, 177, 25, "Удалить архив", Font::Button, none, none, none, {}},
    {"Button3", "QPushButton", "Form1", 1040, 176, 177, 25, "Установить период", Font::Button, none, none, none, {}},
    {"Chart1", "QCustomPlot", "Form1", 16, 224, 1201, 473, nullptr, Font::None, none, none, none, {}},
    {"ComboBox2", "QComboBox", "Chart1", 64, 16, 113, 25, nullptr, Font::Text, none, none, none, {}},
    {"ComboBox3", "QComboBox", "Chart1", 192, 16, 113, 25, nullptr, Font::Text, none, none, none, {}},
    {"ComboBox4", "QComboBox", "Chart1", 888, 16, 113, 25, nullptr, Font::Text, none, none, none, {}},
    {"ComboBox5", "QComboBox", "Chart1", 1024, 16, 113, 25, nullptr, Font::Text, none, none, none, {}},
    {"StringGrid1", "QTableWidget", "Chart1", 768, 328, 265, 81, nullptr, Font::Text, none, none, none, {}},
    {"Bevel4", "QFrame", "Form1", 16, 720, 521, 57, nullptr, Font::None, none, none, none, {}},
    {"Label1", "QLabel", "Form1", 40, 712, Label, 0, "Подключение", Font::Text, none, none, none, {}},
    {"ComboBox1", "QComboBox", "Form1", 40, 736, 113, 25, nullptr, Font::Text, none, none, none, {}},
    {"Label8", "QLabel", "Form1", 192, 712, Label, 0, "Нач.NUM ", Font::Text, none, none, none, {}},
    {"SpinEdit1", "QSpinBox", "Form1", 192, 736, 65, 29, nullptr, Font::Text, 1, 99, 1, {}},
    {"Label3", "QLabel", "Form1", 280, 712, Label, 0, "К-во приб. ", Font::Text, none, none, none, {}},
    {"SpinEdit4", "QSpinBox", "Form1", 280, 736, 65, 29, nullptr, Font::Text, 1, 10, 1, {}},
    {"Label15", "QLabel", "Form1", 416, 712, Label, 0, "19200,N,8,1", Font::Small, none, none, none, {}},
    {"CheckBox1", "QCheckBox", "Form1", 384, 744, 137, 17, "Соединение", Font::Text, none, none, none, false},
    {"Bevel2", "QFrame", "Form1", 552, 720, 665, 57, nullptr, Font::None, none, none, none, {}},
    {"Label4", "QLabel", "Form1", 560, 712, Label, 0, "Интервал,с", Font::Text, none, none, none, {}},
    {"SpinEdit3", "QSpinBox", "Form1", 568, 736, 73, 29, nullptr, Font::Text, 1, 120, 5, {}},
    {"Label13", "QLabel", "Form1", 672, 712, Label, 0, "К-во точек", Font::Text, none, none, none, {}},
    {"SpinEdit2", "QSpinBox", "Form1", 672, 736, 89, 29, nullptr, Font::Text, 100, 10000, 1000, {}},
    {"Label14", "QLabel", "Form1", 776, 712, Label, 0, "К-во графиков", Font::Text, none, none, none, {}},
    {"ComboBox7", "QComboBox", "Form1", 776, 736, 97, 25, nullptr, Font::Text, none, none, none, {}},
    {"CheckBox4", "QCheckBox", "Form1", 896, 745, 81, 17, "Норм", Font::Text, none, none, none, false},
    // The table gives only the positions of "Дата" and "Время".
    {"CheckBox2", "QCheckBox", "Form1", 984, 745, Label, 0, "Дата", Font::Text, none, none, none, false},
    {"CheckBox3", "QCheckBox", "Form1", 1065, 746, Label, 0, "Время", Font::Text, none, none, none, true},
    {"BitBtn1", "QPushButton", "Form1", 1160, 736, 51, 33, "", Font::None, none, none, none, {}},
    {"StatusBar1", "QStatusBar", "Form1", 0, 807 - 28, 1236, 28, nullptr, Font::None, none, none, none, {}},
};

QString WidgetText(QWidget* w)
{
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    return QString();
}

TEST_F(MainWindowTest, EveryControlMatchesTheControlTable)
{
    for (const Control& c : Controls) {
        SCOPED_TRACE(c.name);
        QWidget* w = control(c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->inherits(c.className)) << w->metaObject()->className();  // the spin edits are QSpinBoxes
        ASSERT_NE(w->parentWidget(), nullptr);
        EXPECT_EQ(w->parentWidget()->objectName(), QString::fromLatin1(c.parent));
        EXPECT_EQ(w->pos(), QPoint(c.left, c.top));
        if (c.width != Label) {
            EXPECT_EQ(w->size(), QSize(c.width, c.height));
        }
        if (c.text) {
            const QString text = QString::fromUtf8(c.text);
            EXPECT_EQ(WidgetText(w), text);
            if (c.width == Label && qobject_cast<QLabel*>(w)) {
                // A label sized by its text shows all of it.
                EXPECT_GE(w->width(), w->fontMetrics().horizontalAdvance(text));
                EXPECT_GE(w->height(), w->fontMetrics().height());
            }
        }
        if (c.font != Font::None) {
            const QFont f = w->font();
            EXPECT_EQ(f.family(), QStringLiteral("Arial"));
            const int pixels = c.font == Font::Text ? 17 : c.font == Font::Button ? 15 : 13;
            EXPECT_EQ(f.pixelSize(), pixels);
            EXPECT_EQ(f.bold(), c.font != Font::Small);
        }
        if (c.minimum) {
            auto* spin = qobject_cast<QSpinBox*>(w);
            ASSERT_NE(spin, nullptr);
            EXPECT_EQ(spin->minimum(), *c.minimum);
            EXPECT_EQ(spin->maximum(), *c.maximum);
            EXPECT_EQ(spin->value(), *c.value);
        }
        if (c.checked) {
            auto* box = qobject_cast<QCheckBox*>(w);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->isChecked(), *c.checked);
        }
        if (auto* frame = qobject_cast<QFrame*>(w); frame && QByteArray(c.className) == "QFrame") {
            EXPECT_EQ(frame->frameShape(), QFrame::Box);
        }
    }
}

TEST_F(MainWindowTest, NoTextOverlapsAnotherControl)
{
    // Labels and check box captions must not run into their neighbours (frames excepted:
    // the captions sit on the frame lines on purpose).
    const QStringList texts = {"Label5", "Label11", "Label2", "Label6", "Label7", "Label1", "Label8",
                               "Label3", "Label15", "Label4", "Label13", "Label14", "CheckBox6",
                               "CheckBox1", "CheckBox4", "CheckBox2", "CheckBox3"};
    for (const QString& name : texts) {
        QWidget* a = form->findChild<QWidget*>(name);
        ASSERT_NE(a, nullptr) << name.toStdString();
        QRect used = a->geometry();
        if (auto* box = qobject_cast<QCheckBox*>(a)) used.setWidth(box->sizeHint().width());
        for (QWidget* b : form->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (b == a || QByteArray(b->metaObject()->className()) == "QFrame") continue;
            if (b->isHidden()) continue;
            EXPECT_FALSE(used.intersects(b->geometry()))
                << name.toStdString() << " overlaps " << b->objectName().toStdString();
        }
    }
}

TEST_F(MainWindowTest, WindowIsFixedCentredAndCaptioned)
{
    EXPECT_EQ(form->objectName(), QStringLiteral("Form1"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("QM4700 ModBus Ver3.0"));
    EXPECT_EQ(form->size(), QSize(1236, 807));
    EXPECT_EQ(form->minimumSize(), QSize(1236, 807));
    EXPECT_EQ(form->maximumSize(), QSize(1236, 807));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    // A few pixels of play: the offscreen screen is smaller than the window, and the platform
    // nudges the frame's corner back towards the screen.
    EXPECT_LE((form->frameGeometry().center() - screen.center()).manhattanLength(), 6);
}

TEST_F(MainWindowTest, PortListToolTipNamesTheMappingAsItIsWhenShown)
{
    // ports.cfg written while the program runs: the tooltip is gathered when it is asked for.
    QFile cfg(QDir(dir->path()).filePath(QStringLiteral("ports.cfg")));
    ASSERT_TRUE(cfg.open(QIODevice::WriteOnly));
    cfg.write("COM3 /dev/ttyUSB7\n");
    cfg.close();
    auto* ports = control<QComboBox>("ComboBox1");
    QHelpEvent ask(QEvent::ToolTip, QPoint(5, 5), ports->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(ports, &ask);
    EXPECT_TRUE(ports->toolTip().contains(QStringLiteral("/dev/ttyUSB7"))) << qPrintable(ports->toolTip());
    cfg.remove();
}

TEST_F(MainWindowTest, ListsMemoAndStatusBarAfterStartUp)
{
    auto* ports = control<QComboBox>("ComboBox1");
    ASSERT_EQ(ports->count(), 17);
    for (int i = 0; i < 17; ++i) EXPECT_EQ(ports->itemText(i), QStringLiteral("COM%1").arg(i + 1));
    // A first run without settings proposes COM2.
    EXPECT_EQ(ports->currentText(), QStringLiteral("COM2"));

    auto* layout = control<QComboBox>("ComboBox7");
    const QStringList layouts = {"1", "2", "4", "pH", "pH+T"};
    ASSERT_EQ(layout->count(), layouts.size());
    for (int i = 0; i < layouts.size(); ++i) EXPECT_EQ(layout->itemText(i), layouts[i]);
    EXPECT_EQ(layout->currentIndex(), -1);

    auto* memo = control<QPlainTextEdit>("Memo1");
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(memo->toPlainText().split(QLatin1Char('\n')).first(), QStringLiteral("Архив"));

    auto* bar = control<QStatusBar>("StatusBar1");
    EXPECT_EQ(bar->y() + bar->height(), form->height());
    // Start-up replaces the design text "Привет!" with the date and time.
    static const QRegularExpression nowText(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d\\d  \\d\\d:\\d\\d:\\d\\d$"));
    EXPECT_TRUE(nowText.match(form->statusText()).hasMatch()) << form->statusText().toStdString();
    bool shown = false;
    for (QLabel* l : bar->findChildren<QLabel*>()) shown = shown || (l->isVisible() && l->text() == form->statusText());
    EXPECT_TRUE(shown);
}

TEST_F(MainWindowTest, SlotListsShowTheirSlotColours)
{
    const struct {
        const char* name;
        QColor colour;
    } slotLists[] = {{"ComboBox2", QColor(255, 0, 0)},
                 {"ComboBox3", QColor(0, 128, 0)},
                 {"ComboBox4", QColor(0, 0, 255)},
                 {"ComboBox5", QColor(128, 0, 0)}};
    // With one instrument only the first list keeps a selection; four give every list a text.
    control<QSpinBox>("SpinEdit4")->setValue(4);
    for (const auto& s : slotLists) {
        SCOPED_TRACE(s.name);
        auto* box = control<QComboBox>(s.name);
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->isVisible());
        // The text is drawn in the slot colour: find such pixels in the painted list.
        const QImage image = box->grab().toImage();
        int hits = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                hits += QColor(image.pixel(x, y)) == s.colour;
        EXPECT_GT(hits, 5);
    }
}

TEST_F(MainWindowTest, ScaleGridIsHiddenWithFixedHeaderCells)
{
    auto* grid = control<QTableWidget>("StringGrid1");
    EXPECT_FALSE(grid->isVisible());
    EXPECT_EQ(grid->columnCount(), 4);
    EXPECT_EQ(grid->rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 4; ++column) {
            SCOPED_TRACE(testing::Message() << "cell " << column << "," << row);
            QTableWidgetItem* item = grid->item(row, column);
            ASSERT_NE(item, nullptr);
            const bool fixed = row == 0 || column == 0;
            EXPECT_EQ(bool(item->flags() & Qt::ItemIsEditable), !fixed);
        }
    }
}

TEST_F(MainWindowTest, ClearButtonHasAPictureAndEscPressesIt)
{
    auto* button = control<QPushButton>("BitBtn1");
    EXPECT_FALSE(button->icon().isNull());
    EXPECT_TRUE(button->text().isEmpty());

    // Count the presses without running the clear handler, which asks a question.
    QObject::disconnect(button, &QPushButton::clicked, form, nullptr);
    int presses = 0;
    auto counter = QObject::connect(button, &QPushButton::clicked, [&] { ++presses; });
    form->activateWindow();
    ProcessEventsFor(20);
    for (const char* focus : {"Memo1", "SpinEdit2", "ComboBox7"}) {
        SCOPED_TRACE(focus);
        QWidget* target = control(focus);
        target->setFocus();
        QWidget* receiver = QApplication::focusWidget() ? QApplication::focusWidget() : target;
        const int before = presses;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(receiver, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(receiver, &release);
        EXPECT_EQ(presses, before + 1);
    }
    QObject::disconnect(counter);
    QObject::connect(button, &QPushButton::clicked, form, &MainWindow::clearChartClicked);
}

TEST_F(MainWindowTest, TimersRunAtTheirIntervals)
{
    auto* t1 = form->findChild<QTimer*>(QStringLiteral("Timer1"));
    auto* t2 = form->findChild<QTimer*>(QStringLiteral("Timer2"));
    ASSERT_NE(t1, nullptr);
    ASSERT_NE(t2, nullptr);
    EXPECT_EQ(t1->interval(), 100);
    EXPECT_EQ(t1->timerType(), Qt::PreciseTimer);
    EXPECT_TRUE(t1->isActive());
    EXPECT_EQ(t2->interval(), 1000);
    EXPECT_TRUE(t2->isActive());
    EXPECT_FALSE(t1->isSingleShot());
    EXPECT_FALSE(t2->isSingleShot());
}

TEST_F(MainWindowTest, EveryControlIsWiredToTheWindow)
{
    const struct {
        const char* control;
        const char* signal;
    } wired[] = {{"CheckBox6", "clicked(bool)"}, {"CheckBox4", "clicked(bool)"}, {"CheckBox2", "clicked(bool)"},
                 {"CheckBox3", "clicked(bool)"}, {"CheckBox1", "clicked(bool)"}, {"SpinEdit5", "textChanged(QString)"},
                 {"SpinEdit6", "textChanged(QString)"}, {"SpinEdit1", "textChanged(QString)"},
                 {"SpinEdit4", "textChanged(QString)"}, {"SpinEdit3", "textChanged(QString)"},
                 {"SpinEdit2", "textChanged(QString)"}, {"Button1", "clicked(bool)"}, {"Button2", "clicked(bool)"},
                 {"Button4", "clicked(bool)"}, {"Button6", "clicked(bool)"}, {"Button5", "clicked(bool)"},
                 {"Button3", "clicked(bool)"}, {"BitBtn1", "clicked(bool)"}, {"ComboBox1", "activated(int)"},
                 {"ComboBox7", "activated(int)"}, {"ComboBox2", "activated(int)"}, {"ComboBox3", "activated(int)"},
                 {"ComboBox4", "activated(int)"}, {"ComboBox5", "activated(int)"},
                 {"DrawGrid1", "gridDoubleClicked()"}, {"Timer1", "timeout()"}, {"Timer2", "timeout()"}};
    // Each control's signal reaches the window: disconnecting it from the window must find a
    // connection. A window of its own, since this takes its wiring apart.
    MainWindow other;
    for (const auto& w : wired) {
        SCOPED_TRACE(w.control);
        QObject* o = other.findChild<QObject*>(QString::fromLatin1(w.control));
        ASSERT_NE(o, nullptr);
        ASSERT_GE(o->metaObject()->indexOfSignal(w.signal), 0) << w.signal;
        EXPECT_TRUE(QObject::disconnect(o, QByteArray("2") + w.signal, &other, nullptr)) << w.signal;
    }
}

TEST_F(MainWindowTest, ControlsAreHandedDown)
{
    control<QSpinBox>("SpinEdit1")->setValue(11);
    control<QSpinBox>("SpinEdit4")->setValue(3);
    control<QSpinBox>("SpinEdit5")->setValue(12);
    control<QSpinBox>("SpinEdit6")->setValue(30);
    EXPECT_EQ(form->engine().Range(), (qm::PolledRange{11, 3}));
    EXPECT_EQ(form->engine().PollAddress(), 11) << "the walk starts again at the first address";
    EXPECT_EQ(form->liveTable().cellText(0, 1), "11");
    EXPECT_EQ(form->liveTable().cellText(0, 4), "");
    EXPECT_EQ(form->engine().ChosenAddress(), 12);
    EXPECT_EQ(form->engine().ArchivePeriod(), 30);
    control<QSpinBox>("SpinEdit1")->setValue(1);
    control<QSpinBox>("SpinEdit4")->setValue(1);
    control<QSpinBox>("SpinEdit5")->setValue(1);
    control<QSpinBox>("SpinEdit6")->setValue(1);
}

TEST_F(MainWindowTest, WalkStatusIsWordedOnTheStatusLine)
{
    qm::Panel& panel = *form;
    const std::pair<qm::WalkStatus, const char*> cases[] = {
        {qm::walk::Answered{3}, "3-Ok!  "},
        {qm::walk::NoAnswer{7, 2}, "7-No  2"},
        {qm::walk::PortOpening{4}, "COM5"},
    };
    for (const auto& [status, shown] : cases) {
        panel.walkStatus(status);
        EXPECT_EQ(form->statusText(), QString::fromUtf8(shown));
    }
}

TEST_F(MainWindowTest, ArchivePeriodReadIsShownWithinTheBox)
{
    qm::Panel& panel = *form;
    for (auto [in, out] : {std::pair{60, 60}, {300, 255}, {0, 1}}) {
        panel.archivePeriodRead(in);
        EXPECT_EQ(control<QSpinBox>("SpinEdit6")->value(), out) << in;
        EXPECT_EQ(form->engine().ArchivePeriod(), out) << "what \"Установить период\" sends";
    }
    control<QSpinBox>("SpinEdit6")->setValue(1);
}

TEST_F(MainWindowTest, ArchiveDownloadEndShowsItsLinesInTheArchiveArea)
{
    qm::Panel& panel = *form;
    using Kind = qm::ArchiveOutcome::Kind;
    const struct {
        qm::ArchiveOutcome outcome;
        const char* memo;
    } cases[] = {
        {{Kind::Listed, 7, {QStringLiteral("a"), QStringLiteral("b")}}, "a\nb"},
        {{Kind::Empty, 7, {}}, "АРХИВ ОТСУТСТВУЕТ"},
        {{Kind::NotRead, 7, {}}, "АРХИВ НЕ ПРОЧИТАН"},
    };
    for (const auto& c : cases) {
        panel.archiveDownloadEnded(c.outcome);
        EXPECT_EQ(control<QPlainTextEdit>("Memo1")->toPlainText(), QString::fromUtf8(c.memo));
    }
}

TEST_F(MainWindowTest, PortListFollowsTheLinkAndADroppedConnectionUnticksWithoutItsHandler)
{
    qm::Panel& panel = *form;
    auto* ports = control<QComboBox>("ComboBox1");
    for (bool allowed : {false, true}) {
        panel.portChoiceAllowed(allowed);
        EXPECT_EQ(ports->isEnabled(), allowed);
    }

    auto* box = control<QCheckBox>("CheckBox1");
    {
        const QSignalBlocker blocker(box);
        box->setChecked(true);
    }
    int heard = 0;
    auto c1 = QObject::connect(box, &QCheckBox::toggled, [&] { ++heard; });
    auto c2 = QObject::connect(box, &QCheckBox::clicked, [&] { ++heard; });
    panel.connectionDropped();
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(heard, 0);
    EXPECT_FALSE(form->engine().PortOpen());
    QObject::disconnect(c1);
    QObject::disconnect(c2);
}

// A port problem told from inside a tick opens no box there: the box comes once the event loop
// turns, with one OK button, the worded problem and the system's reason beneath.
TEST_F(MainWindowTest, PortProblemReachesTheScreenAfterTheCurrentEvent)
{
    qm::PortProblem withReason;
    withReason.kind = qm::PortProblem::Kind::GetStateFailed;
    withReason.portIndex = 4;
    withReason.code = 5;
    withReason.reason = QStringLiteral("Отказано в доступе");
    qm::PortProblem withoutReason;
    withoutReason.kind = qm::PortProblem::Kind::SetStateFailed;
    withoutReason.code = 22;
    const struct {
        qm::PortProblem problem;
        const char* text;
        const char* detail;
    } cases[] = {
        {withReason, "ERROR 5: GetCommState", "Отказано в доступе"},
        {withoutReason, "ERROR 22: SetCommState", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto boxes = [] {
            QList<QMessageBox*> shown;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) shown << box;
            return shown;
        };
        ASSERT_TRUE(boxes().isEmpty());
        qm::Panel& panel = *form;
        panel.portProblem(c.problem);
        EXPECT_TRUE(boxes().isEmpty()) << "not opened inside the call";
        QApplication::processEvents();
        const QList<QMessageBox*> shown = boxes();
        ASSERT_EQ(shown.size(), 1);
        QMessageBox* box = shown.first();
        EXPECT_EQ(box->text(), QString::fromUtf8(c.text));
        EXPECT_EQ(box->informativeText(), QString::fromUtf8(c.detail));
        EXPECT_EQ(box->buttons().size(), 1);
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        EXPECT_FALSE(box->isModal()) << "the timers go on";
        box->close();
        QApplication::processEvents();
        EXPECT_EQ(form->notices().openCount(), 0);
    }
}

// A reading fills its instrument's row, the identification and clock boxes and the chart's live
// channels; another instrument's identification shows only in the box; a cleared instrument
// blanks its row and the boxes but keeps its channels; one given up on carries the no-answer mark.
TEST_F(MainWindowTest, ReadingsFillTheRowTheBoxesAndTheLiveChannels)
{
    control<QSpinBox>("SpinEdit1")->setValue(11);
    control<QSpinBox>("SpinEdit4")->setValue(3);
    qm::Reading r;
    r.address = 12;
    r.answered = true;
    r.received = QDateTime::currentDateTime();
    r.id = 0x110C;
    r.phRaw = 701;
    r.eRaw = -1010;
    r.tRaw = 210;
    r.status = 0x0011;
    r.clockYear = 0x141A;
    r.clockDate = 0x0C06;
    r.clockTime = 0x0E05;
    r.period = 15;
    qm::Panel& panel = *form;
    const QStringList row{"7.01", "-101.0", "21.0", "00 11 hex", "ЧВ", "1", ""};

    const struct {
        std::function<void()> fact;
        const char* ph;  // row 2 (address 12), column "pH"
        const char* id;
        const char* clock;
        double channel;  // channel 3: row 2's pH
    } steps[] = {
        {[&] { panel.reading(r); }, "7.01", "11 0C hex", "14:05 06.12.2026", 7.01},
        {[&] { panel.otherIdentification(0x1107); }, "7.01", "11 07 hex", "14:05 06.12.2026", 7.01},
        {[&] { panel.instrumentCleared(12); }, "", "", "", 7.01},
        {[&] { panel.reading(r); }, "7.01", "11 0C hex", "14:05 06.12.2026", 7.01},
        {[&] { panel.reading(qm::Reading::silent(12, r.received)); }, "", "", "", qm::NoDataMark},
    };
    int step = 0;
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << "step " << ++step);
        s.fact();
        EXPECT_EQ(form->liveTable().cellText(1, 2), QString::fromUtf8(s.ph));
        EXPECT_EQ(control<QLineEdit>("Edit4")->text(), QString::fromUtf8(s.id));
        EXPECT_EQ(control<QLineEdit>("Edit1")->text(), QString::fromUtf8(s.clock));
        EXPECT_DOUBLE_EQ(form->chart().liveChannels().value(3), s.channel);
        if (step == 1) {
            for (int column = 1; column <= 7; ++column)
                EXPECT_EQ(form->liveTable().cellText(column, 2), row[column - 1]) << column;
            EXPECT_DOUBLE_EQ(form->chart().liveChannels().value(4), 21.0);
            EXPECT_EQ(form->liveTable().cellText(1, 1), "") << "row 1 is another instrument's";
        }
    }
    EXPECT_DOUBLE_EQ(form->chart().liveChannels().value(4), qm::NoDataMark);
    control<QSpinBox>("SpinEdit1")->setValue(1);
    control<QSpinBox>("SpinEdit4")->setValue(1);
}

}  // namespace
