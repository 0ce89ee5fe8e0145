// it.cfg through the real main window's start-up, offscreen: whatever the file holds, the window
// comes up with every control inside its range, and the settings it would write at closing read
// back as themselves.
//
// Input: the bytes of it.cfg.
#include "FuzzCheck.h"
#include "MainWindow.h"
#include "PolledRange.h"
#include "Settings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSpinBox>
#include <QTemporaryDir>

#include <cstdint>

using namespace qm;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv);
    // The window takes the directory it starts in as its working directory.
    static QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    SetClock([] { return QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9)); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        QFile file(SettingsFileName);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }
    MainWindow form;
    for (const QSpinBox* spin : form.findChildren<QSpinBox*>())
        FUZZ_CHECK(spin->value() >= spin->minimum() && spin->value() <= spin->maximum());
    FUZZ_CHECK(form.engine().DeviceCount() >= 1 && form.engine().DeviceCount() <= MaxDevices);

    const Settings collected = form.collectSettings();
    const SettingsRead again = ParseSettings(FormatSettings(collected));
    FUZZ_CHECK(!again.failed && WithReadValues(Settings{}, again) == collected);
    return 0;
}
