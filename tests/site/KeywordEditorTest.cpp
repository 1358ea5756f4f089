#include "site/KeywordEditor.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <vector>

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

TEST(KeywordEditor, EmptySlotsArePresetFromTheList)
{
    struct Case
    {
        const char* name;
        KeywordEditor::Keywords keywordSlots;
        QString memo;
        std::vector<QString> expected; // the first fields; the rest empty
    };
    KeywordEditor::Keywords confirmed;
    confirmed[2] = QStringLiteral("Mühle");
    std::vector<QString> many;
    QStringList manyList;
    for (int i = 1; i <= 17; ++i)
        manyList << QStringLiteral("k%1").arg(i);
    for (int i = 0; i < 14; ++i)
        many.push_back(manyList.at(i));
    many.push_back(QStringLiteral("k15, k16, k17"));
    const Case cases[] = {
        {"slots win",
         confirmed,
         QStringLiteral("a, b"),
         {QString(), QString(), QStringLiteral("Mühle")}},
        {"list split",
         {},
         QStringLiteral("Suchmaschine, Anmeldung,  Blanks "),
         {QStringLiteral("Suchmaschine"), QStringLiteral("Anmeldung"), QStringLiteral(" Blanks ")}},
        {"comma without blank stays",
         {},
         QStringLiteral("a,b, c"),
         {QStringLiteral("a,b"), QStringLiteral("c")}},
        {"lines of an old file",
         {},
         QStringLiteral("eins\r\nzwei\ndrei"),
         {QStringLiteral("eins"), QStringLiteral("zwei"), QStringLiteral("drei")}},
        {"more than fifteen", {}, manyList.join(QStringLiteral(", ")), many},
        {"nothing", {}, QString(), {}},
    };
    for (const Case& c : cases) {
        const KeywordEditor::Keywords fields = KeywordEditor::preset(c.keywordSlots, c.memo);
        for (size_t i = 0; i < fields.size(); ++i)
            EXPECT_EQ(fields[i], i < c.expected.size() ? c.expected[i] : QString())
                << c.name << " field " << i;
        // Confirming what the dialog showed gives the list back as it was.
        if (c.keywordSlots == KeywordEditor::Keywords{} && !c.memo.contains(QLatin1Char('\n'))) {
            EXPECT_EQ(KeywordEditor::confirm(fields).memoText, c.memo) << c.name;
        }
    }
}
