#include "tools/ui/MetaTagPage.h"

#include "ScriptedUiServices.h"
#include "TestDirs.h"
#include "reports/ReportEditorRules.h"
#include "reports/ui/TStatusBerichtFormular.h"
#include "site/SiteRecord.h"
#include "tools/MetaTagImporter.h"
#include "tools/MetaTagPageRules.h"
#include "tools/MetaTagSiteImport.h"
#include "tools/ui/FileBrowser.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

using pelvaro::base::MessageAnswer;
using pelvaro::reports::ReportEditorRules;
using pelvaro::reports::ui::TStatusBerichtFormular;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;
using pelvaro::tools::ExpiryChoice;
using pelvaro::tools::MetaTagForm;
using pelvaro::tools::MetaTagGenerator;
using pelvaro::tools::MetaTagImporter;
using pelvaro::tools::MetaTagPageRules;
using pelvaro::tools::MetaTagSiteImport;
using pelvaro::tools::ui::MetaTagPage;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

const QStringList fieldNames = {s("EditAutor"),          s("EditHerausgeber"),
                                s("EditCopyright"),      s("ComboBoxThema"),
                                s("MemoKeys"),           s("MemoBeschreibung"),
                                s("ComboBoxSeitentyp"),  s("ComboBoxIndizierung"),
                                s("ComboBoxZielgruppe"), s("DateTimePicker")};

MetaTagForm complete()
{
    return {.EditAutor = s("Erika Muster"),
            .EditHerausgeber = s("Muster GmbH"),
            .EditCopyright = s("Muster GmbH"),
            .MemoKeys = s("Bücher"),
            .MemoBeschreibung = s("Alte Bücher"),
            .ComboBoxThema = s("Bücher (Books)"),
            .ComboBoxSeitentyp = s("Katalog/Verzeichnis"),
            .ComboBoxZielgruppe = s("Alle"),
            .ComboBoxIndizierung = 0,
            .expiry = ExpiryChoice::Nie,
            .DateTimePicker = QDate(2026, 12, 7)};
}

// Types as the keyboard does: QTest's own typing knows neither line breaks nor umlauts.
void type(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c == u'\n')
            QTest::keyClick(widget, Qt::Key_Return);
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), {});
    }
}

class MetaTagPageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        web = TestDirs::root() + QStringLiteral("/web");
        QDir().mkpath(web);
        page.fileBrowser()->setRootFolders({web});
        page.resize(760, 430);
        page.show();
    }

    template <typename T> T* child(const QString& name)
    {
        T* widget = page.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }

    QString writePage(const QString& name, const QByteArray& bytes)
    {
        const QString path = web + QLatin1Char('/') + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(bytes);
        return path;
    }

    // Selects the file's row as a click in the file list does.
    void selectRow(const QString& name)
    {
        page.fileBrowser()->showFolder(web);
        auto* list = child<QTreeView>(QStringLiteral("xOvcDataReportView1"));
        const QAbstractItemModel* model = list->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->index(row, 0).data().toString() == name) {
                list->selectionModel()->select(model->index(row, 0),
                                               QItemSelectionModel::ClearAndSelect |
                                                   QItemSelectionModel::Rows);
                ASSERT_EQ(page.fileBrowser()->selectedFileName(), name);
                return;
            }
        }
        FAIL() << "no row " << name.toStdString();
    }

    // The form field (named as its control) that holds the page's focus.
    QString focusedField() const
    {
        for (QWidget* w = page.focusWidget(); w; w = w->parentWidget())
            if (fieldNames.contains(w->objectName()))
                return w->objectName();
        return {};
    }

    bool shownRed(const QString& name)
    {
        const QPalette palette = child<QWidget>(name)->palette();
        const bool red = palette.color(QPalette::Base) == QColor(255, 0, 0) &&
                         palette.color(QPalette::Text) == QColor(255, 255, 255);
        EXPECT_EQ(red, page.isMarkedTooLong(name)) << name.toStdString();
        return red;
    }

    QStringList redFields()
    {
        QStringList red;
        for (const QString& name : fieldNames.mid(0, 9))
            if (shownRed(name))
                red << name;
        return red;
    }

    QString output() { return child<QPlainTextEdit>(s("MemoErzeugteTags"))->toPlainText(); }

    void enter(const QString& name)
    {
        QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
        QWidget* field = child<QWidget>(name);
        if (auto* combo = qobject_cast<QComboBox*>(field); combo && combo->lineEdit())
            field = combo->lineEdit();
        QApplication::sendEvent(field, &focusIn);
    }

    ScriptedUiServices ui;
    MetaTagPage page{ui};
    QString web;
};

} // namespace

TEST_F(MetaTagPageTest, ShowsTheFormWithItsListsAndNothingChosen)
{
    EXPECT_EQ(MetaTagPage::toolButtonHints().size(), 6);
    EXPECT_EQ(MetaTagPage::toolButtonHints().at(4),
              s("Fügt die Felder aus \"Kenndaten eingeben\" hier ein"));
    for (const QString& name : fieldNames)
        child<QWidget>(name);
    EXPECT_FALSE(child<QComboBox>(s("ComboBoxIndizierung"))->isEditable());
    EXPECT_EQ(child<QComboBox>(s("ComboBoxIndizierung"))->count(), 4);
    EXPECT_TRUE(child<QComboBox>(s("ComboBoxThema"))->isEditable());
    EXPECT_EQ(child<QComboBox>(s("ComboBoxThema"))->count(), 146);
    EXPECT_EQ(child<QCheckBox>(s("CheckBox1"))->text(), s("Nie"));
    EXPECT_EQ(child<QDateEdit>(s("DateTimePicker"))->date(), QDate::currentDate());

    MetaTagForm empty;
    empty.DateTimePicker = QDate::currentDate();
    EXPECT_EQ(page.form(), empty);
    page.setForm(complete());
    EXPECT_EQ(page.form(), complete());
}

// Ticking a box unticks the other two; unticking leaves none; the date picker is not linked.
TEST_F(MetaTagPageTest, ExpiryBoxesTickOneAtATime)
{
    auto* nie = child<QCheckBox>(s("CheckBox1"));
    auto* sofort = child<QCheckBox>(s("CheckBox2"));
    auto* datum = child<QCheckBox>(s("CheckBox3"));
    QTest::mouseClick(sofort, Qt::LeftButton);
    EXPECT_EQ(page.form().expiry, ExpiryChoice::Sofort);
    QTest::mouseClick(datum, Qt::LeftButton);
    EXPECT_EQ(page.form().expiry, ExpiryChoice::Datum);
    EXPECT_FALSE(sofort->isChecked());
    EXPECT_FALSE(nie->isChecked());
    QTest::mouseClick(datum, Qt::LeftButton);
    EXPECT_EQ(page.form().expiry, ExpiryChoice::None);
    EXPECT_FALSE(nie->isChecked() || sofort->isChecked() || datum->isChecked());
}

TEST_F(MetaTagPageTest, AMissingFieldTakesTheFocusWhenTheUserWantsToFillItIn)
{
    const std::pair<MetaTagForm, const char*> cases[] = {
        {[] {
             MetaTagForm f = complete();
             f.EditCopyright.clear();
             f.ComboBoxSeitentyp.clear();
             return f;
         }(),
         "EditCopyright"},
        {[] {
             MetaTagForm f = complete();
             f.ComboBoxIndizierung = -1;
             return f;
         }(),
         "ComboBoxIndizierung"},
        {[] {
             MetaTagForm f = complete();
             f.expiry = ExpiryChoice::None;
             return f;
         }(),
         "DateTimePicker"},
    };
    for (const auto& [form, focus] : cases) {
        page.setForm(form);
        ui.answer(MessageAnswer::Yes);
        page.generateTags();
        EXPECT_EQ(focusedField(), s(focus));
        EXPECT_EQ(ui.messageTexts().constLast(), MetaTagGenerator::questionFillInFirst());
        EXPECT_TRUE(output().isEmpty());
        EXPECT_EQ(page.form(), form);
    }
}

// Typed values are trimmed in their fields; the output holds one tag per line.
TEST_F(MetaTagPageTest, GeneratesFromTypedValuesAndWritesThemBackTrimmed)
{
    type(child<QLineEdit>(s("EditAutor")), s("  Erika Muster "));
    type(child<QPlainTextEdit>(s("MemoKeys")), s("Bücher,\nAntiquariat\n"));
    type(child<QComboBox>(s("ComboBoxZielgruppe"))->lineEdit(), s(" Kinder"));
    QTest::mouseClick(child<QCheckBox>(s("CheckBox2")), Qt::LeftButton);
    ui.answer(MessageAnswer::No);
    page.generateTags();

    EXPECT_EQ(output(), s("<META NAME=\"author\" CONTENT=\"Erika Muster\">\n"
                          "<META NAME=\"keywords\" CONTENT=\"Bücher,\nAntiquariat\">\n"
                          "<META NAME=\"audience\" CONTENT=\"Kinder\">\n"
                          "<META NAME=\"expires\" CONTENT=\"0\">\n"));
    EXPECT_EQ(page.form().EditAutor, s("Erika Muster"));
    EXPECT_EQ(page.form().MemoKeys, s("Bücher,\nAntiquariat"));
    EXPECT_EQ(page.form().ComboBoxZielgruppe, s("Kinder"));

    // Nothing to generate from: the output is emptied and the user told why.
    page.setForm({});
    ui.answer(MessageAnswer::No);
    page.generateTags();
    EXPECT_TRUE(output().isEmpty());
    EXPECT_EQ(ui.messageTexts().constLast(), MetaTagGenerator::informationNothingGenerated());
}

TEST_F(MetaTagPageTest, TypingStopsAtTheLimitButKeepsLongerValuesThatWereSetFromOutside)
{
    auto* autor = child<QLineEdit>(s("EditAutor"));
    type(autor, QString(70, u'a'));
    EXPECT_EQ(autor->text(), QString(64, u'a'));

    auto* thema = child<QComboBox>(s("ComboBoxThema"));
    type(thema->lineEdit(), QString(70, u't'));
    EXPECT_EQ(thema->currentText(), QString(64, u't'));

    auto* keys = child<QPlainTextEdit>(s("MemoKeys"));
    type(keys, QString(250, u'k'));
    type(keys, s("\n\n\nxyz"));
    // Each line break counts twice.
    EXPECT_EQ(keys->toPlainText(), QString(250, u'k') + s("\n\n\n"));

    MetaTagForm imported;
    imported.EditAutor = QString(70, u'i');
    page.setForm(imported);
    EXPECT_EQ(autor->text(), QString(70, u'i'));
    autor->setCursorPosition(70);
    QTest::keyClick(autor, Qt::Key_X);
    EXPECT_EQ(autor->text(), QString(70, u'i'));
    QTest::keyClick(autor, Qt::Key_Backspace);
    EXPECT_EQ(autor->text(), QString(69, u'i'));
}

TEST_F(MetaTagPageTest, LengthMonitorMarksTooLongFieldsAndStopsWhenNoneIs)
{
    QSignalSpy status(&page, &MetaTagPage::statusText);
    page.pageShown();
    ASSERT_EQ(status.count(), 1);
    EXPECT_EQ(status.at(0).at(0).toString(), MetaTagGenerator::statusPageShown());
    EXPECT_TRUE(page.monitorRunning());

    MetaTagForm form = complete();
    form.EditAutor = QString(65, u'a');
    form.ComboBoxThema = QString(64, u't');
    // 250 characters and three line breaks are 256 as the tags carry them, four are 258.
    form.MemoKeys = QString(250, u'k') + s("\n\n\n");
    form.MemoBeschreibung = QString(250, u'b') + s("\n\n\n\n");
    page.setForm(form);
    page.monitorTick();
    EXPECT_EQ(redFields(), QStringList({s("EditAutor"), s("MemoBeschreibung")}));
    EXPECT_TRUE(page.monitorRunning());

    enter(s("EditAutor"));
    EXPECT_EQ(status.constLast().at(0).toString(), MetaTagGenerator::statusTooLong(QString()));
    enter(s("ComboBoxThema"));
    EXPECT_EQ(status.constLast().at(0).toString(), QString());

    page.pageHidden();
    EXPECT_FALSE(page.monitorRunning());
    page.pageShown();
    form.EditAutor.chop(1);
    page.setForm(form);
    page.monitorTick();
    EXPECT_EQ(redFields(), QStringList({s("MemoBeschreibung")}));
    EXPECT_TRUE(page.monitorRunning());
    form.MemoBeschreibung.chop(1);
    page.setForm(form);
    page.monitorTick();
    EXPECT_TRUE(redFields().isEmpty());
    EXPECT_FALSE(page.monitorRunning());
    enter(s("MemoBeschreibung"));
    EXPECT_EQ(status.constLast().at(0).toString(), QString());
}

TEST_F(MetaTagPageTest, ImportsTheSelectedFileAndMarksAnUnknownRobotsValue)
{
    page.setForm(complete());
    const QString path =
        writePage(s("index.html"), "<html><head><title>x</title>\r\n"
                                   "<meta name=\"author\" content=\"Erika Muster\">\r\n"
                                   "<meta name='keywords' content='" +
                                       QByteArray(300, 'k') +
                                       "'>\r\n"
                                       "<meta name=\"robots\" content=\"INDEX, FOLLOW\">\r\n"
                                       "<meta name=\"author\" content=\"Hans\">\r\n"
                                       "</head><body></body></html>");
    selectRow(s("index.html"));
    page.importSelectedFile();

    const MetaTagForm form = page.form();
    EXPECT_EQ(form.EditAutor, s("Erika Muster"));
    EXPECT_EQ(form.MemoKeys, QString(300, u'k'));
    EXPECT_TRUE(form.EditCopyright.isEmpty()) << "the import clears what the file lacks";
    EXPECT_EQ(form.ComboBoxIndizierung, -1);
    EXPECT_EQ(form.expiry, ExpiryChoice::None);
    EXPECT_EQ(page.lastChosenFile(), path);
    EXPECT_EQ(ui.lastWaitText(), ReportEditorRules::loadingNotice());
    EXPECT_FALSE(ui.waitNoticeShown());
    EXPECT_EQ(ui.messageTexts(), QStringList{s("Folgende Meta-Tags sind mehrmals enthalten:\n"
                                               "AUTHOR x 2\nEs wurden jeweils die ersten "
                                               "eingelesen!")});
    EXPECT_EQ(redFields(), QStringList({s("MemoKeys"), s("ComboBoxIndizierung")}));
    EXPECT_TRUE(page.monitorRunning());

    QSignalSpy status(&page, &MetaTagPage::statusText);
    enter(s("ComboBoxIndizierung"));
    EXPECT_EQ(status.constLast().at(0).toString(), MetaTagGenerator::statusTooLong(path));

    // The importer's mark outlives the monitor's rounds until the user picks an entry.
    page.setForm([&] {
        MetaTagForm shorter = page.form();
        shorter.MemoKeys = s("kurz");
        return shorter;
    }());
    page.monitorTick();
    EXPECT_FALSE(page.monitorRunning());
    EXPECT_EQ(redFields(), QStringList{s("ComboBoxIndizierung")});
    auto* indizierung = child<QComboBox>(s("ComboBoxIndizierung"));
    QTest::keyClick(indizierung, Qt::Key_Down);
    EXPECT_EQ(page.form().ComboBoxIndizierung, 0);
    EXPECT_TRUE(redFields().isEmpty());
}

TEST_F(MetaTagPageTest, ADoubleClickedFileWithoutHeadLeavesTheFormAndNoRowAsksForOne)
{
    page.setForm(complete());
    const QString path = writePage(s("leer.html"), "<html><body>ohne Kopf</body></html>");
    emit page.fileBrowser()->fileActivated(path);
    EXPECT_EQ(page.form(), complete());
    EXPECT_EQ(ui.messageTexts(), QStringList{MetaTagImporter::headNotFoundText()});
    EXPECT_TRUE(page.lastChosenFile().isEmpty());

    page.fileBrowser()->showFolder(web);
    page.importSelectedFile();
    page.showHeadSection();
    EXPECT_EQ(ui.messageTexts().mid(1),
              QStringList({s("Sie müssen zunächst eine Datei markieren.\n\nWählen Sie dazu ein "
                             "Laufwerk/Verzeichnis im Feld oben links. Anschließend klicken Sie "
                             "im Feld darunter auf eine HTML-Datei."),
                           s("Sie müssen zunächst eine Datei markieren.")}));
}

TEST_F(MetaTagPageTest, ShowsTheHeadSectionInAModalReadOnlyDialog)
{
    writePage(s("seite.htm"), "<HTML><Head>\r\n<TITLE>Seite</TITLE>\r\n</HEAD>\r\n<BODY></BODY>");
    selectRow(s("seite.htm"));
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seen = true;
        EXPECT_EQ(dialog->windowTitle(), s("HEAD-Abschnitt"));
        EXPECT_EQ(dialog->size(), QSize(500, 500));
        auto* text = dialog->findChild<QPlainTextEdit*>();
        ASSERT_NE(text, nullptr);
        EXPECT_TRUE(text->isReadOnly());
        EXPECT_EQ(text->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        EXPECT_EQ(text->toPlainText(), s("<Head>\n<TITLE>Seite</TITLE>\n</HEAD>"));
        dialog->reject();
    });
    page.showHeadSection();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(ui.messageTexts().isEmpty());
}

TEST_F(MetaTagPageTest, CopiesTheGeneratedTagsOrSaysThereIsNothingToCopy)
{
    page.copyTagsToClipboard();
    EXPECT_EQ(ui.messageTexts(), QStringList{MetaTagPageRules::nothingToCopyText()});
    EXPECT_TRUE(ui.clipboardText().isEmpty());

    page.setForm(complete());
    page.generateTags();
    page.copyTagsToClipboard();
    EXPECT_EQ(ui.messageTexts().size(), 1);
    EXPECT_EQ(ui.clipboardText(), output());
    EXPECT_TRUE(output().startsWith(s("<META NAME=\"author\" CONTENT=\"Erika Muster\">\n")));
    const QTextCursor caret = child<QPlainTextEdit>(s("MemoErzeugteTags"))->textCursor();
    EXPECT_FALSE(caret.hasSelection());
    EXPECT_TRUE(caret.atEnd());
}

TEST_F(MetaTagPageTest, EditsTheChosenFileInTheReportWindowAndRemembersIt)
{
    const QString path = writePage(s("index.html"), "<html><head></head></html>");
    selectRow(s("index.html"));

    ui.answerFile(std::nullopt);
    page.editFile();
    EXPECT_TRUE(page.lastChosenFile().isEmpty());

    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* editor = qobject_cast<TStatusBerichtFormular*>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        seen = true;
        EXPECT_TRUE(editor->fileEditingMode());
        EXPECT_EQ(editor->editor().toPlainText(), s("<html><head></head></html>"));
        EXPECT_FALSE(ui.waitNoticeShown()) << "closed before the window runs";
        editor->close();
    });
    ui.answerFile(path);
    page.editFile();
    EXPECT_TRUE(seen);
    EXPECT_EQ(page.lastChosenFile(), path);
    EXPECT_EQ(ui.lastWaitText(), s("Die Datei wird geladen, bitte warten ..."));
    EXPECT_EQ(ui.shown().front().title, s("Wählen Sie eine HTML-Datei aus"));
}

TEST_F(MetaTagPageTest, SiteDataFillsTheFormAndStartsTheMonitor)
{
    MetaTagForm form;
    form.EditAutor = s("alt");
    page.setForm(form);
    pelvaro::site::SiteRecord stored;
    stored.NameVornameWebMasterEdit = s("Erika Muster");
    stored.CompanyEdit = s("Muster GmbH");
    stored.KeywordsMemo = QString(257, u'k');

    ui.answer(MessageAnswer::Yes);
    page.importSiteData(stored, s("Computer/Software/Spiele (Games)"), s("Sound"));
    EXPECT_EQ(ui.messageTexts(), QStringList{MetaTagSiteImport::overwriteQuestion(s("Autor"))});
    EXPECT_EQ(page.form().EditAutor, s("Erika Muster"));
    EXPECT_EQ(page.form().EditCopyright, s("Muster GmbH"));
    EXPECT_EQ(page.form().ComboBoxThema, s("Spiele (Games)"));
    EXPECT_EQ(page.form().ComboBoxSeitentyp, s("Sound"));
    EXPECT_EQ(redFields(), QStringList{s("MemoKeys")});
    EXPECT_TRUE(page.monitorRunning());
}
