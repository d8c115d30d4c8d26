#include "viewmodel/comparisonviewmodel.h"

#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace varnel;

namespace {

class DecisionsTest : public ::testing::Test {
protected:
    QUrl file(const QString& name, const QByteArray& data = "one\ntwo\n")
    {
        QFile out(m_dir.filePath(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(data);
        return QUrl::fromLocalFile(out.fileName());
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(DecisionsTest, TheLayoutIsOnePreferenceThatEveryWindowFollows)
{
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Varnel"), QStringLiteral("Varnel"))
        .setValue(QStringLiteral("diffViewMode"), QStringLiteral("sideways"));
    ComparisonViewModel first;
    ComparisonViewModel second;
    EXPECT_EQ(first.layout().mode(), DiffViewMode::sideBySide); // not a layout: side by side
    QSignalSpy followed(&second.layout(), &DiffLayout::modeChanged);

    first.layout().setMode(DiffViewMode::inlineView);
    EXPECT_EQ(second.layout().mode(), DiffViewMode::inlineView);
    EXPECT_EQ(followed.size(), 1);
    EXPECT_EQ(ComparisonViewModel().layout().mode(), DiffViewMode::inlineView); // the next start
    EXPECT_EQ(QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Varnel"), QStringLiteral("Varnel"))
                  .value(QStringLiteral("diffViewMode")),
              QStringLiteral("inline"));
}
