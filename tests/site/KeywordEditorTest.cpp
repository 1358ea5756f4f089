#include "site/KeywordEditor.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

using pelvaro::site::KeywordEditor;

TEST(KeywordEditor, FilledFieldsAreJoinedInOrderWithoutGaps)
{
    KeywordEditor::Keywords fields;
    fields[1] = QStringLiteral("Suchmaschine");
    fields[4] = QStringLiteral("Anmeldung");
    fields[14] = QStringLiteral(" Blanks bleiben ");
    const KeywordEditor::Result result = KeywordEditor::confirm(fields);
    EXPECT_EQ(result.memoText, QStringLiteral("Suchmaschine, Anmeldung,  Blanks bleiben "));
    EXPECT_EQ(result.slotTexts, fields);
}

TEST(KeywordEditor, LongKeywordIsCutInItsSlotButNotInTheList)
{
    KeywordEditor::Keywords fields;
    const QString longKeyword = QStringLiteral("Suchmaschinenoptimierungsberatung GmbH");
    ASSERT_GT(longKeyword.size(), KeywordEditor::SlotCapacity);
    fields[0] = longKeyword;
    fields[1] = QStringLiteral("Ölmühle");
    const KeywordEditor::Result result = KeywordEditor::confirm(fields);
    EXPECT_EQ(result.slotTexts[0], longKeyword.left(30));
    EXPECT_EQ(result.slotTexts[1], QStringLiteral("Ölmühle"));
    EXPECT_EQ(result.memoText, longKeyword + QStringLiteral(", Ölmühle"));
}

TEST(KeywordEditor, AllFieldsEmptyGiveAnEmptyList)
{
    const KeywordEditor::Result result = KeywordEditor::confirm({});
    EXPECT_TRUE(result.memoText.isEmpty());
    for (const QString& slot : result.slotTexts)
        EXPECT_TRUE(slot.isEmpty());
}
