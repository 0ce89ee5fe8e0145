// The system's errors in the operator's language.
#include "SystemErrorText.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace {

TEST(SystemErrorText, KnownErrorsAreRussianAndOthersKeepTheSystemsWords)
{
    struct Case {
        int code;
        const char* expected;
    } cases[] = {
        {ENOENT, "нет такого файла или устройства"}, {EBUSY, "устройство занято другой программой"},
        {EWOULDBLOCK, "устройство заблокировано другой программой"}, {EACCES, "нет прав доступа"},
        {ENOTTY, "это не последовательный порт"}, {EPERM, "операция не разрешена"},
        {ENOSPC, "нет места на диске"}, {EROFS, "диск доступен только для чтения"},
    };
    for (const Case& c : cases) {
        const QString system = QString::fromLocal8Bit(std::strerror(c.code));
        EXPECT_EQ(qm::SystemErrorText(c.code), QString::fromUtf8(c.expected)) << c.code;
        EXPECT_EQ(qm::SystemErrorTextFor(system), QString::fromUtf8(c.expected)) << system.toStdString();
    }
    EXPECT_EQ(qm::SystemErrorTextFor(QStringLiteral("Link has been severed")),
              QStringLiteral("система сообщила: Link has been severed"));
    // Qt's own Russian translation of a system error stands as it is, as a phrase after a colon.
    EXPECT_EQ(qm::SystemErrorTextFor(QStringLiteral("Файл или каталог не существует")),
              QStringLiteral("файл или каталог не существует"));
    EXPECT_EQ(qm::SystemErrorText(EXDEV), QStringLiteral("ошибка системы %1: ").arg(EXDEV) + QString::fromLocal8Bit(std::strerror(EXDEV)));
}

}  // namespace
