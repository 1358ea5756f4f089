#include "base/ProgramLocale.h"

#include <QDate>

#include <gtest/gtest.h>

using pelvaro::base::ProgramLocale;

TEST(ProgramLocale, ASystemWithoutLanguageGetsGermanFormatsAndAnyOtherKeepsItsOwn)
{
    const QDate date(1999, 1, 1);
    for (const QLocale& bare :
         {QLocale::c(), QLocale(QStringLiteral("C")), QLocale(QStringLiteral("POSIX"))}) {
        const QLocale used = ProgramLocale::forSystem(bare);
        EXPECT_EQ(used.toString(date, QLocale::ShortFormat), QStringLiteral("01.01.99"))
            << bare.name().toStdString();
    }
    const QLocale american(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(ProgramLocale::forSystem(american), american);
    const QLocale swiss(QLocale::German, QLocale::Switzerland);
    EXPECT_EQ(ProgramLocale::forSystem(swiss), swiss);
}
