#include "tools/ui/MetaTagPage.h"

#include "base/UiServices.h"
#include "reports/ReportEditorRules.h"
#include "reports/ui/TStatusBerichtFormular.h"
#include "site/SiteRecord.h"
#include "tools/MetaTagImporter.h"
#include "tools/MetaTagLists.h"
#include "tools/MetaTagPageRules.h"
#include "tools/MetaTagSiteImport.h"
#include "tools/ui/FileBrowser.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace pelvaro::tools::ui {

using tools::ExpiryChoice;
using tools::MetaTagField;
using tools::MetaTagGenerator;

namespace {

// The fields the length monitor watches and the oversize notice names.
constexpr std::array kMonitoredFields{
    MetaTagField::EditAutor,         MetaTagField::EditHerausgeber,
    MetaTagField::EditCopyright,     MetaTagField::ComboBoxThema,
    MetaTagField::MemoKeys,          MetaTagField::MemoBeschreibung,
    MetaTagField::ComboBoxSeitentyp, MetaTagField::ComboBoxIndizierung,
    MetaTagField::ComboBoxZielgruppe};

QComboBox* makeCombo(const QStringList& entries, bool editable, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->addItems(entries);
    combo->setEditable(editable);
    // Typed text belongs to the form, not to the list.
    combo->setInsertPolicy(QComboBox::NoInsert);
    // The topic list holds entries of eighty characters; the field must not take the width
    // of the longest one.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(12);
    combo->setMaxVisibleItems(20);
    combo->setCurrentIndex(-1);
    return combo;
}

QPlainTextEdit* makeMemo(QWidget* parent)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setTabChangesFocus(true);
    // As tall as the one-line fields beside them, so the generated tags get the rest.
    memo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    memo->setMinimumHeight(48);
    return memo;
}

} // namespace

MetaTagPage::MetaTagPage(base::UiServices& ui, QWidget* parent) : QWidget(parent), m_ui(ui)
{
    setObjectName(QStringLiteral("MetaTagPage"));
    m_monitor.setInterval(1000);
    connect(&m_monitor, &QTimer::timeout, this, &MetaTagPage::monitorTick);
    createControls();
    createLayout();
    connectControls();
}

MetaTagPage::~MetaTagPage() = default;

QStringList MetaTagPage::toolButtonTexts()
{
    return {tr("Meta-Tags einlesen"),   tr("HEAD-Abschnitt zeigen"), tr("Datei bearbeiten"),
            tr("Meta-Tags generieren"), tr("Kenndaten importieren"), tr("In Zwischenablage")};
}

QStringList MetaTagPage::toolButtonHints()
{
    return {tr("Meta-Tags der markierten Datei einlesen"),
            tr("Zeigt den HEAD-Abschnitt der ausgewählten HTML-Datei"),
            tr("Öffnet einen Editor, damit Sie die Meta-Tags einfügen können"),
            tr("Erzeugt aus Ihren Eingaben Meta-Tags, die Sie in eine HTML-Datei einfügen "
               "können"),
            tr("Fügt die Felder aus \"Kenndaten eingeben\" hier ein"),
            tr("Kopiert die erzeugten Meta-Tags (großes Feld, unten mitte) in die "
               "Zwischenablage ein")};
}

void MetaTagPage::createControls()
{
    m_browser = new FileBrowser(this);

    const auto lineEdit = [this](MetaTagField field) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(MetaTagGenerator::objectName(field));
        return edit;
    };
    m_autor = lineEdit(MetaTagField::EditAutor);
    m_herausgeber = lineEdit(MetaTagField::EditHerausgeber);
    m_copyright = lineEdit(MetaTagField::EditCopyright);

    m_thema = makeCombo(MetaTagLists::themaEntries(), true, this);
    m_seitentyp = makeCombo(MetaTagLists::seitentypEntries(), true, this);
    m_zielgruppe = makeCombo(MetaTagLists::zielgruppeEntries(), true, this);
    m_indizierung = makeCombo(MetaTagLists::indizierungEntries(), false, this);
    m_keys = makeMemo(this);
    m_beschreibung = makeMemo(this);
    for (MetaTagField field : {MetaTagField::ComboBoxThema, MetaTagField::ComboBoxSeitentyp,
                               MetaTagField::ComboBoxZielgruppe, MetaTagField::ComboBoxIndizierung,
                               MetaTagField::MemoKeys, MetaTagField::MemoBeschreibung})
        fieldWidget(field)->setObjectName(MetaTagGenerator::objectName(field));

    m_nie = new QCheckBox(tr("Nie"), this);
    m_nie->setObjectName(QStringLiteral("CheckBox1"));
    m_sofort = new QCheckBox(tr("Sofort"), this);
    m_sofort->setObjectName(QStringLiteral("CheckBox2"));
    m_datum = new QCheckBox(tr("Datum"), this);
    m_datum->setObjectName(QStringLiteral("CheckBox3"));
    m_datePicker = new QDateEdit(QDate::currentDate(), this);
    m_datePicker->setObjectName(MetaTagGenerator::objectName(MetaTagField::DateTimePicker));
    m_datePicker->setDisplayFormat(locale().dateFormat(QLocale::ShortFormat));
    m_datePicker->setCalendarPopup(true);

    m_output = new QPlainTextEdit(this);
    m_output->setObjectName(QStringLiteral("MemoErzeugteTags"));
    m_output->setToolTip(tr("Hier finden Sie die erzeugten Meta-Tags (klicken Sie auf "
                            "\"Meta-Tags generieren\", um sie zu erzeugen)"));
    m_output->setLineWrapMode(QPlainTextEdit::NoWrap);
}

void MetaTagPage::createLayout()
{
    auto* form = new QWidget(this);
    const auto label = [&](MetaTagField field, QWidget* buddy) {
        auto* text = new QLabel(tr("%1:").arg(MetaTagSiteImport::label(field)), form);
        text->setBuddy(buddy);
        return text;
    };
    auto* lines = new QFormLayout;
    lines->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    lines->setVerticalSpacing(5);
    for (const auto& [field, widget] : std::initializer_list<std::pair<MetaTagField, QWidget*>>{
             {MetaTagField::EditAutor, m_autor},
             {MetaTagField::EditHerausgeber, m_herausgeber},
             {MetaTagField::EditCopyright, m_copyright},
             {MetaTagField::ComboBoxThema, m_thema},
             {MetaTagField::ComboBoxSeitentyp, m_seitentyp},
             {MetaTagField::ComboBoxZielgruppe, m_zielgruppe},
             {MetaTagField::ComboBoxIndizierung, m_indizierung}})
        lines->addRow(label(field, widget), widget);

    // The memos take the right half beside the one-line fields.
    auto* memos = new QVBoxLayout;
    memos->setSpacing(2);
    memos->addWidget(label(MetaTagField::MemoKeys, m_keys));
    memos->addWidget(m_keys, 1);
    memos->addSpacing(4);
    memos->addWidget(label(MetaTagField::MemoBeschreibung, m_beschreibung));
    memos->addWidget(m_beschreibung, 1);

    auto* expiry = new QGroupBox(tr("Verfällt (bzw. gültig bis)"), form);
    auto* expiryRow = new QHBoxLayout(expiry);
    expiryRow->setContentsMargins(8, 4, 8, 4);
    for (QWidget* w : std::initializer_list<QWidget*>{m_nie, m_sofort, m_datum})
        expiryRow->addWidget(w);
    expiryRow->addWidget(m_datePicker);
    expiryRow->addStretch(1);

    auto* left = new QVBoxLayout;
    left->addLayout(lines);
    left->addWidget(expiry);
    left->addStretch(1);

    auto* fields = new QHBoxLayout;
    fields->setSpacing(10);
    fields->addLayout(left, 1);
    fields->addLayout(memos, 1);

    auto* right = new QVBoxLayout(form);
    right->setContentsMargins(6, 0, 2, 0);
    right->addLayout(fields);
    auto* outputLabel = new QLabel(tr("Erzeugte Meta-Tags:"), form);
    outputLabel->setBuddy(m_output);
    right->addWidget(outputLabel);
    right->addWidget(m_output, 1);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(m_browser);
    splitter->addWidget(form);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    splitter->setSizes({230, 530});

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(4, 4, 4, 4);
    page->addWidget(splitter);
}

void MetaTagPage::connectControls()
{
    for (QLineEdit* edit : {m_autor, m_herausgeber, m_copyright, m_thema->lineEdit(),
                            m_seitentyp->lineEdit(), m_zielgruppe->lineEdit()}) {
        // The text before an edit is what the field last reported; the edit's own change
        // report comes after textEdited.
        m_before.insert(edit, edit->text());
        connect(edit, &QLineEdit::textChanged, this,
                [this, edit] { m_before.insert(edit, edit->text()); });
        connect(edit, &QLineEdit::textEdited, this,
                [this, edit](const QString& edited) { limitLineEdit(edit, edited); });
    }
    for (QPlainTextEdit* memo : {m_keys, m_beschreibung}) {
        m_before.insert(memo, QString());
        connect(memo, &QPlainTextEdit::textChanged, this, [this, memo] { limitMemo(memo); });
    }
    for (QComboBox* combo : {m_thema, m_seitentyp, m_zielgruppe, m_indizierung})
        connect(combo, &QComboBox::activated, this,
                [this, combo] { userChanged(combo->objectName()); });

    const std::pair<QCheckBox*, ExpiryChoice> boxes[] = {{m_nie, ExpiryChoice::Nie},
                                                         {m_sofort, ExpiryChoice::Sofort},
                                                         {m_datum, ExpiryChoice::Datum}};
    for (const auto& [box, choice] : boxes)
        connect(box, &QCheckBox::clicked, this,
                [this, choice = choice](bool ticked) { expiryClicked(choice, ticked); });

    for (MetaTagField field : kMonitoredFields) {
        QWidget* widget = fieldWidget(field);
        widget->installEventFilter(this);
        if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->lineEdit())
            combo->lineEdit()->installEventFilter(this);
    }

    connect(m_browser, &FileBrowser::fileActivated, this, &MetaTagPage::importFile);
}

QWidget* MetaTagPage::fieldWidget(MetaTagField field) const
{
    switch (field) {
    case MetaTagField::EditAutor:
        return m_autor;
    case MetaTagField::EditHerausgeber:
        return m_herausgeber;
    case MetaTagField::EditCopyright:
        return m_copyright;
    case MetaTagField::ComboBoxThema:
        return m_thema;
    case MetaTagField::MemoKeys:
        return m_keys;
    case MetaTagField::MemoBeschreibung:
        return m_beschreibung;
    case MetaTagField::ComboBoxSeitentyp:
        return m_seitentyp;
    case MetaTagField::ComboBoxIndizierung:
        return m_indizierung;
    case MetaTagField::ComboBoxZielgruppe:
        return m_zielgruppe;
    case MetaTagField::DateTimePicker:
        return m_datePicker;
    }
    return nullptr;
}

void MetaTagPage::limitLineEdit(QLineEdit* edit, const QString& edited)
{
    QWidget* field = edit->parentWidget() && qobject_cast<QComboBox*>(edit->parentWidget())
                         ? edit->parentWidget()
                         : edit;
    const tools::EditCut cut = tools::MetaTagPageRules::refusedPart(
        m_before.value(edit), edited, MetaTagGenerator::kLineLimit, false);
    if (cut.length > 0) {
        QString kept = edited;
        kept.remove(cut.from, cut.length);
        edit->setText(kept);
        edit->setCursorPosition(int(cut.from));
    }
    userChanged(field->objectName());
}

void MetaTagPage::limitMemo(QPlainTextEdit* memo)
{
    if (m_settingForm) {
        m_before.insert(memo, memo->toPlainText());
        return;
    }
    const tools::EditCut cut = tools::MetaTagPageRules::refusedPart(
        m_before.value(memo), memo->toPlainText(), MetaTagGenerator::kMemoLimit, true);
    if (cut.length > 0) {
        // Plain-text positions are document positions: a line break is one in both.
        QTextCursor cursor(memo->document());
        cursor.setPosition(int(cut.from));
        cursor.setPosition(int(cut.from + cut.length), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    m_before.insert(memo, memo->toPlainText());
    userChanged(memo->objectName());
}

void MetaTagPage::userChanged(const QString& fieldName)
{
    if (!m_importMarks.remove(fieldName))
        return;
    for (MetaTagField field : kMonitoredFields) {
        if (MetaTagGenerator::objectName(field) != fieldName)
            continue;
        const std::vector<MetaTagField> over = MetaTagGenerator::fieldsOverLimit(form());
        paintField(fieldWidget(field), std::find(over.begin(), over.end(), field) != over.end());
    }
}

void MetaTagPage::expiryClicked(ExpiryChoice box, bool ticked)
{
    showExpiry(MetaTagGenerator::toggleExpiry(m_expiry, box, ticked));
}

void MetaTagPage::showExpiry(ExpiryChoice choice)
{
    m_expiry = choice;
    m_nie->setChecked(choice == ExpiryChoice::Nie);
    m_sofort->setChecked(choice == ExpiryChoice::Sofort);
    m_datum->setChecked(choice == ExpiryChoice::Datum);
}

tools::MetaTagForm MetaTagPage::form() const
{
    tools::MetaTagForm form;
    form.EditAutor = m_autor->text();
    form.EditHerausgeber = m_herausgeber->text();
    form.EditCopyright = m_copyright->text();
    form.MemoKeys = m_keys->toPlainText();
    form.MemoBeschreibung = m_beschreibung->toPlainText();
    form.ComboBoxThema = m_thema->currentText();
    form.ComboBoxSeitentyp = m_seitentyp->currentText();
    form.ComboBoxZielgruppe = m_zielgruppe->currentText();
    form.ComboBoxIndizierung = m_indizierung->currentIndex();
    form.expiry = m_expiry;
    form.DateTimePicker = m_datePicker->date();
    return form;
}

void MetaTagPage::setForm(const tools::MetaTagForm& form)
{
    m_settingForm = true;
    m_autor->setText(form.EditAutor);
    m_herausgeber->setText(form.EditHerausgeber);
    m_copyright->setText(form.EditCopyright);
    // Only a changed memo is set again, so that its caret and scroll position stay.
    if (m_keys->toPlainText() != form.MemoKeys)
        m_keys->setPlainText(form.MemoKeys);
    if (m_beschreibung->toPlainText() != form.MemoBeschreibung)
        m_beschreibung->setPlainText(form.MemoBeschreibung);
    m_thema->setEditText(form.ComboBoxThema);
    m_seitentyp->setEditText(form.ComboBoxSeitentyp);
    m_zielgruppe->setEditText(form.ComboBoxZielgruppe);
    m_indizierung->setCurrentIndex(
        form.ComboBoxIndizierung < m_indizierung->count() ? form.ComboBoxIndizierung : -1);
    showExpiry(form.expiry);
    if (form.DateTimePicker.isValid())
        m_datePicker->setDate(form.DateTimePicker);
    m_settingForm = false;
}

void MetaTagPage::setProgramDirectory(const QString& dir)
{
    m_programDirectory = dir;
}

void MetaTagPage::paintField(QWidget* field, bool red)
{
    const QString name = field->objectName();
    if (red == m_red.contains(name))
        return;
    if (red) {
        QPalette palette = field->palette();
        for (QPalette::ColorRole role : {QPalette::Base, QPalette::Button, QPalette::Window})
            palette.setColor(role, MetaTagGenerator::tooLongBackground());
        for (QPalette::ColorRole role :
             {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
            palette.setColor(role, MetaTagGenerator::tooLongText());
        field->setPalette(palette);
        m_red.insert(name);
    } else {
        field->setPalette(QPalette());
        m_red.remove(name);
    }
}

void MetaTagPage::startMonitor()
{
    m_monitor.start();
}

void MetaTagPage::monitorTick()
{
    const std::vector<MetaTagField> over = MetaTagGenerator::fieldsOverLimit(form());
    for (MetaTagField field : kMonitoredFields) {
        const bool tooLong = std::find(over.begin(), over.end(), field) != over.end();
        paintField(fieldWidget(field),
                   tooLong || m_importMarks.contains(MetaTagGenerator::objectName(field)));
    }
    if (over.empty())
        m_monitor.stop();
}

void MetaTagPage::pageShown()
{
    emit statusText(MetaTagGenerator::statusPageShown());
    startMonitor();
}

void MetaTagPage::pageHidden()
{
    m_monitor.stop();
}

bool MetaTagPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (auto* combo = qobject_cast<QComboBox*>(widget ? widget->parentWidget() : nullptr))
            widget = combo;
        if (widget)
            emit statusText(m_red.contains(widget->objectName())
                                ? MetaTagGenerator::statusTooLong(m_lastChosenFile)
                                : QString());
    }
    return QWidget::eventFilter(watched, event);
}

void MetaTagPage::generateTags()
{
    m_ui.guarded([this] {
        tools::MetaTagForm values = form();
        const tools::MetaTagRun run = MetaTagGenerator::run(values, m_ui);
        if (!run.generated) {
            if (run.focus)
                fieldWidget(*run.focus)->setFocus();
            return;
        }
        setForm(values);
        m_output->setPlainText(run.tags);
    });
}

void MetaTagPage::importSelectedFile()
{
    const QString path = m_browser->selectedFilePath();
    if (path.isEmpty()) {
        m_ui.information(tools::MetaTagPageRules::noFileForImportText());
        return;
    }
    importFile(path);
}

void MetaTagPage::importFile(const QString& path)
{
    m_ui.guarded([&] {
        tools::MetaTagImportResult result;
        {
            // A page of a hundred megabytes takes a moment even though only its head is read.
            base::WaitNoticeGuard notice(m_ui, reports::ReportEditorRules::loadingNotice());
            result = tools::MetaTagImporter::importFile(path, form(), locale());
        }
        if (!result.lastChosenFile.isEmpty()) {
            m_lastChosenFile = result.lastChosenFile;
            startMonitor();
        }
        if (result.formReplaced) {
            setForm(result.form);
            m_importMarks = QSet<QString>(result.redFields.cbegin(), result.redFields.cend());
            // The marks show at once, before any message about the file.
            monitorTick();
        }
        tools::showMetaTagMessages(m_ui, result.messages);
    });
}

std::unique_ptr<QDialog> MetaTagPage::createHeadDialog(const QString& headSection, QWidget* parent)
{
    auto dialog = std::make_unique<QDialog>(parent);
    dialog->setObjectName(QStringLiteral("HeadSectionDialog"));
    dialog->setWindowTitle(tools::MetaTagPageRules::headDialogTitle());
    dialog->setModal(true);
    auto* text = new QPlainTextEdit(dialog.get());
    text->setObjectName(QStringLiteral("HeadSectionText"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text->setPlainText(headSection);
    auto* layout = new QVBoxLayout(dialog.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text);
    dialog->resize(500, 500);
    QScreen* screen = parent ? parent->screen() : dialog->screen();
    if (screen) {
        QRect frame(QPoint(), dialog->size());
        frame.moveCenter(screen->availableGeometry().center());
        dialog->move(frame.topLeft());
    }
    return dialog;
}

void MetaTagPage::showHeadSection()
{
    const QString path = m_browser->selectedFilePath();
    if (path.isEmpty()) {
        m_ui.information(tools::MetaTagPageRules::noFileForHeadText());
        return;
    }
    m_ui.guarded([&] {
        tools::HeadExtraction head;
        {
            base::WaitNoticeGuard notice(m_ui, reports::ReportEditorRules::loadingNotice());
            head = tools::MetaTagImporter::extractHead(path,
                                                       tools::MetaTagImporter::HeadPart::ForView);
        }
        if (!head.found) {
            tools::showMetaTagMessages(m_ui, head.messages);
            return;
        }
        createHeadDialog(head.text, this)->exec();
    });
}

void MetaTagPage::editFile()
{
    m_ui.guarded([this] {
        using reports::ReportEditorRules;
        const base::FileDialogRequest request = tools::MetaTagPageRules::editFileRequest(
            m_browser->selectedFolder(), m_browser->selectedFileName(),
            ReportEditorRules::qtFilter(ReportEditorRules::htmlFilter()));
        const std::optional<QString> chosen = m_ui.getOpenFileName(request);
        if (!chosen)
            return;
        m_lastChosenFile = *chosen;
        // The editor shows its own loading notice and closes it before it runs modally.
        reports::ui::TStatusBerichtFormular::editFile(
            m_ui, *chosen, ReportEditorRules::htmlFilter(), ReportEditorRules::htmlFilter(),
            m_programDirectory, this);
    });
}

void MetaTagPage::importSiteData(const site::SiteRecord& stored, const QString& categoryText,
                                 const QString& webtypeText)
{
    m_ui.guarded([&] {
        startMonitor();
        setForm(tools::MetaTagSiteImport::apply(form(), stored, categoryText, webtypeText, m_ui));
        monitorTick();
    });
}

void MetaTagPage::copyTagsToClipboard()
{
    if (!tools::MetaTagPageRules::copyTags(m_output->toPlainText(), m_ui))
        return;
    m_output->selectAll();
    m_output->moveCursor(QTextCursor::End);
}

} // namespace pelvaro::tools::ui
