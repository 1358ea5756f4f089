#include "tools/MetaTagGenerator.h"
#include "tools/MetaTagLists.h"

#include "ScriptedUiServices.h"

#include <gtest/gtest.h>

using pelvaro::base::MessageAnswer;
using pelvaro::base::MessageKind;
using pelvaro::test::ScriptedUiServices;
using pelvaro::tools::ExpiryChoice;
using pelvaro::tools::MetaTagField;
using pelvaro::tools::MetaTagForm;
using pelvaro::tools::MetaTagGenerator;
using pelvaro::tools::MetaTagLists;

namespace {

QString s(const char16_t* text)
{
    return QString::fromUtf16(text);
}

MetaTagForm completeForm()
{
    MetaTagForm form;
    form.EditAutor = s(u"Jana Müller");
    form.EditHerausgeber = s(u"Müller Verlag");
    form.EditCopyright = s(u"2026 Müller");
    form.ComboBoxThema = s(u"Blumen (Flowers)");
    form.MemoKeys = s(u"rosen, tulpen");
    form.MemoBeschreibung = s(u"Blumen für jeden Anlass");
    form.ComboBoxSeitentyp = s(u"Katalog/Verzeichnis");
    form.ComboBoxIndizierung = 0;
    form.ComboBoxZielgruppe = s(u"Alle");
    form.expiry = ExpiryChoice::Nie;
    form.DateTimePicker = QDate(2026, 12, 7);
    return form;
}

} // namespace

TEST(MetaTagLists, HoldEveryEntryInListOrder)
{
    const QStringList& indexing = MetaTagLists::indizierungEntries();
    ASSERT_EQ(indexing.size(), 4);
    EXPECT_EQ(indexing.first(), s(u"Seite indizieren, allen Links folgen"));
    EXPECT_EQ(indexing.at(1), s(u"Seite indizieren, Links nicht folgen"));
    EXPECT_EQ(indexing.at(2), s(u"Seite nicht indizieren, allen Links folgen"));
    EXPECT_EQ(indexing.last(), s(u"Seite nicht indizieren, Links nicht folgen"));

    const QStringList& audiences = MetaTagLists::zielgruppeEntries();
    ASSERT_EQ(audiences.size(), 14);
    EXPECT_EQ(audiences.first(), s(u"Alle"));
    EXPECT_EQ(audiences.at(10), s(u"Männer"));
    EXPECT_EQ(audiences.last(), s(u"Studenten"));

    const QStringList& pageTypes = MetaTagLists::seitentypEntries();
    ASSERT_EQ(pageTypes.size(), 23);
    EXPECT_EQ(pageTypes.first(), s(u"Bildungseinrichtung"));
    EXPECT_EQ(pageTypes.at(3), s(u"Private Homepage"));
    EXPECT_EQ(pageTypes.at(17), s(u"Private Homepage"));
    EXPECT_EQ(pageTypes.last(), s(u"Video"));

    const QStringList& topics = MetaTagLists::themaEntries();
    ASSERT_EQ(topics.size(), 146);
    EXPECT_EQ(topics.first(), s(u"Allgemeine Konsumgüter (General Merchandise)"));
    EXPECT_EQ(topics.last(), s(u"Wissenschaften (Scientific)"));
    const QString separator(63, u'-');
    EXPECT_EQ(topics.count(separator), 4);
    EXPECT_EQ(topics.at(18), separator);
    EXPECT_EQ(topics.at(19), s(u"Computer/Beratung (Consulting)"));
    // Every other entry is a German topic with its English one in parentheses.
    for (const QString& topic : topics) {
        if (topic != separator) {
            EXPECT_TRUE(topic.contains(u" (") && topic.endsWith(u')')) << topic.toStdString();
        }
    }
}

TEST(MetaTagGenerator, EmitsEveryTagInItsOrderWithCrLfLineEnds)
{
    MetaTagForm form = completeForm();
    form.expiry = ExpiryChoice::Datum;
    form.ComboBoxIndizierung = 3;
    // The editor delivers LF; the output carries CR LF inside the value as well.
    form.MemoKeys = s(u"rosen\ntulpen");

    EXPECT_EQ(MetaTagGenerator::generate(form),
              s(u"<META NAME=\"author\" CONTENT=\"Jana Müller\">\r\n"
                u"<META NAME=\"publisher\" CONTENT=\"Müller Verlag\">\r\n"
                u"<META NAME=\"copyright\" CONTENT=\"2026 Müller\">\r\n"
                u"<META NAME=\"keywords\" CONTENT=\"rosen\r\ntulpen\">\r\n"
                u"<META NAME=\"description\" CONTENT=\"Blumen für jeden Anlass\">\r\n"
                u"<META NAME=\"page-topic\" CONTENT=\"Blumen (Flowers)\">\r\n"
                u"<META NAME=\"audience\" CONTENT=\"Alle\">\r\n"
                u"<META NAME=\"expires\" CONTENT=\"Mon, 7 Dec 2026 00:00:00 GMT\">\r\n"
                u"<META NAME=\"page-type\" CONTENT=\"Katalog/Verzeichnis\">\r\n"
                u"<META NAME=\"robots\" CONTENT=\"NOINDEX,NOFOLLOW\">\r\n"));
}

TEST(MetaTagGenerator, ExpiryAndIndexingChoicesGiveTheirLines)
{
    struct Case
    {
        ExpiryChoice expiry;
        int indexing;
        const char16_t* expected;
    };
    const Case cases[] = {
        {ExpiryChoice::Nie, 0,
         u"<META NAME=\"expires\" CONTENT=\"NEVER\">\r\n"
         u"<META NAME=\"robots\" CONTENT=\"INDEX,FOLLOW\">\r\n"},
        {ExpiryChoice::Sofort, 1,
         u"<META NAME=\"expires\" CONTENT=\"0\">\r\n"
         u"<META NAME=\"robots\" CONTENT=\"INDEX,NOFOLLOW\">\r\n"},
        {ExpiryChoice::Datum, 2,
         u"<META NAME=\"expires\" CONTENT=\"Mon, 1 Mar 2027 00:00:00 GMT\">\r\n"
         u"<META NAME=\"robots\" CONTENT=\"NOINDEX,FOLLOW\">\r\n"},
        {ExpiryChoice::None, -1, u""},
    };
    for (const Case& c : cases) {
        MetaTagForm form;
        form.expiry = c.expiry;
        form.ComboBoxIndizierung = c.indexing;
        form.DateTimePicker = QDate(2027, 3, 1);
        EXPECT_EQ(MetaTagGenerator::generate(form), s(c.expected)) << c.indexing;
    }
}

TEST(MetaTagGenerator, ExpiryDateIsEnglishWhateverTheLocale)
{
    // The tests run under a German locale, so a locale-bound format would show here.
    struct Case
    {
        QDate date;
        const char16_t* expected;
    };
    const Case cases[] = {
        {QDate(2026, 12, 7), u"Mon, 7 Dec 2026 00:00:00 GMT"},
        {QDate(2026, 8, 9), u"Sun, 9 Aug 2026 00:00:00 GMT"},
        {QDate(2026, 9, 30), u"Wed, 30 Sep 2026 00:00:00 GMT"},
        {QDate(2026, 10, 1), u"Thu, 1 Oct 2026 00:00:00 GMT"},
        {QDate(2026, 11, 5), u"Thu, 5 Nov 2026 00:00:00 GMT"},
        {QDate(2027, 1, 2), u"Sat, 2 Jan 2027 00:00:00 GMT"},
        {QDate(2027, 2, 3), u"Wed, 3 Feb 2027 00:00:00 GMT"},
        {QDate(2027, 4, 6), u"Tue, 6 Apr 2027 00:00:00 GMT"},
        {QDate(2027, 5, 7), u"Fri, 7 May 2027 00:00:00 GMT"},
        {QDate(2027, 6, 8), u"Tue, 8 Jun 2027 00:00:00 GMT"},
        {QDate(2027, 7, 9), u"Fri, 9 Jul 2027 00:00:00 GMT"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MetaTagGenerator::expiryDateText(c.date), s(c.expected));
}

TEST(MetaTagGenerator, TrimsControlCharactersAndWritesTheValuesBack)
{
    MetaTagForm form;
    form.EditAutor = s(u"   ");
    form.EditHerausgeber = s(u"\t Verlag \r\n\x01");
    // A non-breaking space is not among the codes that are trimmed.
    form.EditCopyright = s(u"\u00a0Müller ");
    form.ComboBoxThema = QString(63, u'-');

    const QString tags = MetaTagGenerator::generate(form);

    EXPECT_EQ(tags, s(u"<META NAME=\"publisher\" CONTENT=\"Verlag\">\r\n"
                      u"<META NAME=\"copyright\" CONTENT=\"\u00a0Müller\">\r\n"
                      u"<META NAME=\"page-topic\" CONTENT=\"") +
                        QString(63, u'-') + s(u"\">\r\n"));
    EXPECT_EQ(form.EditAutor, QString());
    EXPECT_EQ(form.EditHerausgeber, s(u"Verlag"));
    EXPECT_EQ(form.EditCopyright, s(u"\u00a0Müller"));
}

TEST(MetaTagGenerator, DoubleQuotesInValuesCannotEndTheAttribute)
{
    MetaTagForm form;
    form.EditAutor = s(u"Müller \"Bau\" & <Co>");
    form.MemoBeschreibung = s(u"Sagen Sie \"Hallo\"\nund \"Tschüss\"");

    EXPECT_EQ(MetaTagGenerator::generate(form),
              s(u"<META NAME=\"author\" CONTENT=\"Müller &quot;Bau&quot; & <Co>\">\r\n"
                u"<META NAME=\"description\" CONTENT=\"Sagen Sie &quot;Hallo&quot;\r\n"
                u"und &quot;Tschüss&quot;\">\r\n"));
    // The form keeps what the user typed; only the tag is escaped.
    EXPECT_EQ(form.EditAutor, s(u"Müller \"Bau\" & <Co>"));
}

TEST(MetaTagGenerator, FocusGoesToTheFirstMissingFieldInFormOrder)
{
    EXPECT_EQ(MetaTagGenerator::firstMissing(completeForm()), std::nullopt);

    // Blank-only texts pass the check: it looks at the untrimmed values.
    MetaTagForm blanks = completeForm();
    blanks.EditAutor = s(u" ");
    blanks.MemoKeys = s(u"\n");
    EXPECT_EQ(MetaTagGenerator::firstMissing(blanks), std::nullopt);

    struct Case
    {
        void (*clear)(MetaTagForm&);
        MetaTagField expected;
    };
    const Case cases[] = {
        // Zielgruppe is checked last although its tag comes before the page type.
        {[](MetaTagForm& f) {
             f.ComboBoxZielgruppe.clear();
             f.ComboBoxSeitentyp.clear();
         },
         MetaTagField::ComboBoxSeitentyp},
        {[](MetaTagForm& f) { f.ComboBoxZielgruppe.clear(); }, MetaTagField::ComboBoxZielgruppe},
        {[](MetaTagForm& f) {
             f.ComboBoxIndizierung = -1;
             f.ComboBoxZielgruppe.clear();
         },
         MetaTagField::ComboBoxIndizierung},
        // Topic comes before the memos in focus order.
        {[](MetaTagForm& f) {
             f.MemoKeys.clear();
             f.ComboBoxThema.clear();
         },
         MetaTagField::ComboBoxThema},
        {[](MetaTagForm& f) {
             f.EditCopyright.clear();
             f.expiry = ExpiryChoice::None;
         },
         MetaTagField::EditCopyright},
        {[](MetaTagForm& f) { f.expiry = ExpiryChoice::None; }, MetaTagField::DateTimePicker},
        {[](MetaTagForm& f) { f = MetaTagForm(); }, MetaTagField::EditAutor},
    };
    for (const Case& c : cases) {
        MetaTagForm form = completeForm();
        c.clear(form);
        EXPECT_EQ(MetaTagGenerator::firstMissing(form), c.expected)
            << MetaTagGenerator::objectName(c.expected).toStdString();
    }
}

TEST(MetaTagGenerator, RunAsksBeforeGeneratingFromAnIncompleteForm)
{
    const QString question = s(u"Sie haben nicht alle Felder ausgefüllt. Möchten Sie zunächst "
                               u"alle Felder ausfüllen?");
    {
        // Yes: nothing is generated or trimmed, and the focus goes where the gap is.
        ScriptedUiServices ui;
        ui.answer(MessageAnswer::Yes);
        MetaTagForm form = completeForm();
        form.EditAutor = s(u" Jana ");
        form.expiry = ExpiryChoice::None;
        const MetaTagForm before = form;

        const auto run = MetaTagGenerator::run(form, ui);

        EXPECT_FALSE(run.generated);
        EXPECT_EQ(run.focus, MetaTagField::DateTimePicker);
        EXPECT_TRUE(run.tags.isEmpty());
        EXPECT_EQ(form, before);
        ASSERT_EQ(ui.shown().size(), 1U);
        EXPECT_EQ(ui.shown().front().messageKind, MessageKind::Question);
        EXPECT_EQ(ui.shown().front().text, question);
    }
    {
        // No on an empty form: the information box follows and the output stays empty.
        ScriptedUiServices ui;
        ui.answer(MessageAnswer::No);
        MetaTagForm form;

        const auto run = MetaTagGenerator::run(form, ui);

        EXPECT_TRUE(run.generated);
        EXPECT_TRUE(run.tags.isEmpty());
        EXPECT_EQ(
            ui.messageTexts(),
            (QStringList{question, s(u"Es können keine Meta-Tags erzeugt werden, da Sie "
                                     u"keines der erforderlichen Felder ausgefüllt haben.")}));
        EXPECT_EQ(ui.shown().back().messageKind, MessageKind::Information);
    }
    {
        // A complete form asks nothing; an unscripted box would fail the test.
        ScriptedUiServices ui;
        MetaTagForm form = completeForm();
        form.MemoKeys = s(u" rosen ");

        const auto run = MetaTagGenerator::run(form, ui);

        EXPECT_TRUE(run.generated);
        EXPECT_EQ(run.tags.count(u'\n'), 10);
        EXPECT_EQ(form.MemoKeys, s(u"rosen"));
        EXPECT_TRUE(ui.shown().empty());
    }
}

TEST(MetaTagGenerator, LengthMonitorMarksFieldsOverTheirLimit)
{
    MetaTagForm form = completeForm();
    EXPECT_TRUE(MetaTagGenerator::fieldsOverLimit(form).empty());

    form.EditAutor = QString(64, u'a');
    form.EditHerausgeber = QString(65, u'a');
    form.ComboBoxZielgruppe = QString(65, u'a');
    form.MemoKeys = QString(256, u'k');
    // 255 characters and one line break, which counts as CR LF whichever way it arrives.
    form.MemoBeschreibung = QString(128, u'b') + u'\n' + QString(127, u'b');
    EXPECT_EQ(MetaTagGenerator::fieldsOverLimit(form),
              (std::vector{MetaTagField::EditHerausgeber, MetaTagField::MemoBeschreibung,
                           MetaTagField::ComboBoxZielgruppe}));

    form.MemoBeschreibung = QString(127, u'b') + s(u"\r\n") + QString(126, u'b');
    form.MemoKeys = QString(257, u'k');
    form.EditHerausgeber.clear();
    form.ComboBoxZielgruppe.clear();
    EXPECT_EQ(MetaTagGenerator::fieldsOverLimit(form), (std::vector{MetaTagField::MemoKeys}));

    EXPECT_EQ(MetaTagGenerator::statusTooLong(s(u"index.html")),
              s(u"Unzulässige Größe: Eintrag (aus index.html) überschreitet die zulässige "
                u"Größe!"));
}

TEST(MetaTagGenerator, TickingAnExpiryBoxUnticksTheOthers)
{
    using E = ExpiryChoice;
    struct Case
    {
        E current;
        E box;
        bool ticked;
        E expected;
    };
    const Case cases[] = {
        {E::None, E::Sofort, true, E::Sofort},   {E::Sofort, E::Datum, true, E::Datum},
        {E::Datum, E::Nie, true, E::Nie},        {E::Nie, E::Nie, false, E::None},
        {E::Sofort, E::Datum, false, E::Sofort},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MetaTagGenerator::toggleExpiry(c.current, c.box, c.ticked), c.expected);

    // "Sofort" and then "Datum": the tag takes the date form.
    MetaTagForm form;
    form.DateTimePicker = QDate(2026, 12, 7);
    form.expiry = MetaTagGenerator::toggleExpiry(form.expiry, E::Sofort, true);
    form.expiry = MetaTagGenerator::toggleExpiry(form.expiry, E::Datum, true);
    EXPECT_EQ(MetaTagGenerator::generate(form),
              s(u"<META NAME=\"expires\" CONTENT=\"Mon, 7 Dec 2026 00:00:00 GMT\">\r\n"));
}
