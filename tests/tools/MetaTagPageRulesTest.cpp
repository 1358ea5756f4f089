#include "tools/MetaTagPageRules.h"

#include "ScriptedUiServices.h"

#include <gtest/gtest.h>

using pelvaro::test::ScriptedUiServices;
using pelvaro::tools::EditCut;
using pelvaro::tools::MetaTagPageRules;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

TEST(MetaTagPageRules, CopiesTheTagsOrExplainsThatThereIsNothingToCopy)
{
    ScriptedUiServices ui;
    ui.setClipboardText(s("vorher"));
    EXPECT_FALSE(MetaTagPageRules::copyTags(QString(), ui));
    EXPECT_EQ(ui.clipboardText(), s("vorher"));
    EXPECT_EQ(ui.messageTexts(), QStringList{MetaTagPageRules::nothingToCopyText()});
    EXPECT_TRUE(MetaTagPageRules::nothingToCopyText().startsWith(
        s("Es gibt nichts zu kopieren! \n\nFüllen Sie zuerst alle Felder aus")));

    const QString tags = s("<META NAME=\"author\" CONTENT=\"Ä\">\n");
    EXPECT_TRUE(MetaTagPageRules::copyTags(tags, ui));
    EXPECT_EQ(ui.clipboardText(), tags);
    EXPECT_EQ(ui.messageTexts().size(), 1);
}

TEST(MetaTagPageRules, EditDialogStartsAtTheSelectedFile)
{
    const QString filter = s("HTML-Dateien (*.HTML *.HTM);;Alle Dateien (*)");
    const auto selected = MetaTagPageRules::editFileRequest(s("/srv/www"), s("index.html"), filter);
    EXPECT_EQ(selected.title, s("Wählen Sie eine HTML-Datei aus"));
    EXPECT_EQ(selected.filter, filter);
    EXPECT_EQ(selected.defaultSuffix, s("html"));
    EXPECT_EQ(selected.directory, s("/srv/www/index.html"));

    EXPECT_TRUE(MetaTagPageRules::editFileRequest({}, {}, filter).directory.isEmpty());
}

struct LimitCase
{
    const char* name;
    QString before;
    QString after;
    qsizetype limit;
    bool memo;
    EditCut cut;
};

class MetaTagEditLimit : public testing::TestWithParam<LimitCase>
{
};

TEST_P(MetaTagEditLimit, TakesBackOnlyWhatGoesBeyondTheLimit)
{
    const LimitCase& c = GetParam();
    EXPECT_EQ(MetaTagPageRules::refusedPart(c.before, c.after, c.limit, c.memo), c.cut);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MetaTagEditLimit,
    testing::Values(
        LimitCase{"fits", s("abc"), s("abcd"), 4, false, {}},
        LimitCase{"typedAtTheLimit", s("abcd"), s("abXcd"), 4, false, {2, 1}},
        LimitCase{"pasteCutToFit", s("ab"), s("a1234b"), 4, false, {3, 2}},
        // An imported value longer than the limit may be shortened and edited in place,
        // but not lengthened.
        LimitCase{"longValueShortened", s("abcdef"), s("abdef"), 4, false, {}},
        LimitCase{"longValueReplaced", s("abcdef"), s("abXYef"), 4, false, {}},
        LimitCase{"longValueLengthened", s("abcdef"), s("abcdefg"), 4, false, {6, 1}},
        // A memo's line break counts twice, so it does not fit into the last free place.
        LimitCase{"memoLineBreak", s("abc"), s("abc\n"), 4, true, {3, 1}},
        LimitCase{"memoLineBreakFits", s("ab"), s("ab\n"), 4, true, {}},
        LimitCase{"lineEditLineBreakCountsOnce", s("abc"), s("abc\n"), 4, false, {}}),
    [](const testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.name); });
