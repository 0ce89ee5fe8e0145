// A failed write is explained to the operator in Russian.
#include "WholeFile.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(WholeFile, FailureReasonIsRussian)
{
    QTemporaryDir dir;
    const QString reason = qm::WriteWholeFile(dir.filePath(QStringLiteral("нет-папки/Архив.txt")), "1");
    ASSERT_FALSE(reason.isEmpty());
    EXPECT_FALSE(reason.contains(QRegularExpression(QStringLiteral("[A-Za-z]{3,}")))) << reason.toStdString();
}

}  // namespace
