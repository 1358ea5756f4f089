#include "site/ui/SiteDescriptionPage.h"

#include "base/UiServices.h"
#include "site/SiteItemLists.h"
#include "site/SiteRecord.h"
#include "site/ui/KeywordsDialog.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace pelvaro::site::ui {

namespace {

// The one-line fields, named and ordered by the record; its capacities are their maximum
// lengths.
using EditField = SiteRecord::TextField;

struct ComboField
{
    const char* name;
    qint32 SiteRecord::*member;
    const QStringList& (*items)();
    // Whether a new choice marks the description modified; the sex list never did.
    bool choiceModifies;
};

const ComboField comboFields[] = {
    {"LanguageCombo", &SiteRecord::LanguageCombo, &SiteItemLists::LanguageCombo, true},
    {"webtypeCombo", &SiteRecord::webtypeCombo, &SiteItemLists::webtypeCombo, true},
    {"CategoryCombo", &SiteRecord::CategoryCombo, &SiteItemLists::CategoryCombo, true},
    {"countryCombo", &SiteRecord::countryCombo, &SiteItemLists::countryCombo, true},
    {"GreetingCombo", &SiteRecord::GreetingCombo, &SiteItemLists::GreetingCombo, true},
    {"sexCombo", &SiteRecord::sexCombo, &SiteItemLists::sexCombo, false},
};

template <typename Fields>
auto findByName(const Fields& fields, const QString& name) -> decltype(&*std::begin(fields))
{
    for (const auto& field : fields)
        if (name == QLatin1String(field.name))
            return &field;
    return nullptr;
}

QComboBox* createCombo(const ComboField& field, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->addItems(field.items());
    box->setCurrentIndex(-1);
    box->setMaxVisibleItems(16);
    // Long category names must not widen the page; the open list shows them in full.
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(8);
    box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) + 24);
    return box;
}

// Captions by tag.
constexpr std::array<const char*, FieldGuidance::TagCount> captions{
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Titel"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "URL"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Beschreibung (kurz)"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Beschreibung (lang)"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Schlüssel- wörter"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Sprache"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Web-Typ"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Kategorie"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Vorname"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Nachname"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Geschlecht"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Anrede"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Titel"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Alter"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Name und Vorname"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "E-Mail"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Paßwort"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Firma"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Allg. E-Mail"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Land"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Bundesland"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Straße"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Postleitzahl"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Ort"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Telefon"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Fax"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Handy"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Gebührenfrei"),
    QT_TRANSLATE_NOOP("pelvaro::site::ui::SiteDescriptionPage", "Produkte"),
};

// The record keeps memo lines joined by CR LF; the control knows only line feeds.
QString recordTextOf(const QPlainTextEdit* memo)
{
    return memo->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

int memoHeight(const QPlainTextEdit* memo, int lines)
{
    const auto margin = int(memo->document()->documentMargin());
    return memo->fontMetrics().lineSpacing() * lines + 2 * (margin + memo->frameWidth());
}

} // namespace

SiteDescriptionPage::SiteDescriptionPage(base::UiServices& ui, QWidget* parent)
    : QWidget(parent), m_ui(ui)
{
    setObjectName(QStringLiteral("TabSiteDescriptionContent"));
    createControls();
    createLayout();
    connectChanges();
}

void SiteDescriptionPage::createControls()
{
    // Created in tag order, so the focus chain runs as the tab order should from the start.
    for (int tag = 0; tag < FieldGuidance::TagCount; ++tag) {
        const QString name = FieldGuidance::controlName(tag);
        QWidget* control = nullptr;
        if (tag == FieldGuidance::DescriptionMemoTag) {
            m_descriptionMemo = new QPlainTextEdit(this);
            m_descriptionMemo->setTabChangesFocus(true);
            m_descriptionMemo->setMinimumHeight(memoHeight(m_descriptionMemo, 3));
            control = m_descriptionMemo;
        } else if (tag == FieldGuidance::KeywordsMemoTag) {
            control = createKeywordsMemo();
        } else if (const EditField* field = findByName(SiteRecord::editFields(), name)) {
            auto* edit = new QLineEdit(this);
            edit->setMaxLength(SiteRecord::capacityOf(field->member));
            control = edit;
        } else {
            control = createCombo(*findByName(comboFields, name), this);
        }
        control->setObjectName(name);
        control->installEventFilter(this);
        m_controls[size_t(tag)] = control;
    }

    // Digits only; whether the number lies in range is decided when the field is left.
    QLineEdit* age = lineEdit("ageEdit");
    age->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,2}")), age));
    age->setFixedWidth(age->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 12);
}

QWidget* SiteDescriptionPage::createKeywordsMemo()
{
    // The button comes first: the keyword list itself is passed by the tab key, as its
    // text comes from the keyword dialog only.
    m_keywordsButton = new QToolButton(this);
    m_keywordsButton->setObjectName(QStringLiteral("OvcAttachedButton1"));
    m_keywordsButton->setText(QStringLiteral("..."));
    m_keywordsButton->setToolTip(tr("Klicken Sie hier, um die Schlüsselwörter einzugeben"));
    m_keywordsButton->setFocusPolicy(Qt::StrongFocus);
    connect(m_keywordsButton, &QToolButton::clicked, this,
            [this] { m_ui.guarded([this] { editKeywords(); }); });

    m_keywordsMemo = new QPlainTextEdit(this);
    m_keywordsMemo->setReadOnly(true);
    m_keywordsMemo->setFocusPolicy(Qt::ClickFocus);
    m_keywordsMemo->setMinimumHeight(memoHeight(m_keywordsMemo, 3));
    return m_keywordsMemo;
}

QWidget* SiteDescriptionPage::createUrlRow()
{
    m_checkUrlButton = new QToolButton(this);
    m_checkUrlButton->setObjectName(QStringLiteral("OvcAttachedButton2"));
    m_checkUrlButton->setText(tr("URL prüfen"));
    m_checkUrlButton->setToolTip(
        tr("Prüft, ob der Web-Server der eingegebenen Adresse erreichbar ist"));
    // Reached by the mouse: the tab key goes on from the address to the next field.
    m_checkUrlButton->setFocusPolicy(Qt::ClickFocus);
    connect(m_checkUrlButton, &QToolButton::clicked, this, &SiteDescriptionPage::checkUrlRequested);

    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_controls[size_t(FieldGuidance::UrlTag)], 1);
    layout->addWidget(m_checkUrlButton);
    return row;
}

void SiteDescriptionPage::createLayout()
{
    const auto addRow = [this](QGridLayout* grid, int row, int column, int tag, QWidget* field,
                               int rowSpan = 1) {
        auto* label = new QLabel(tr(captions[size_t(tag)]), this);
        label->setObjectName(m_controls[size_t(tag)]->objectName() + QStringLiteral("Label"));
        label->setBuddy(m_controls[size_t(tag)]);
        // Keeps a second column of a group clear of the fields of the first.
        if (column > 0)
            label->setContentsMargins(8, 0, 0, 0);
        const Qt::Alignment top = rowSpan > 1 ? Qt::AlignTop : Qt::AlignVCenter;
        grid->addWidget(label, row, column * 2, rowSpan, 1, Qt::AlignLeft | top);
        grid->addWidget(field, row, column * 2 + 1, rowSpan, 1);
    };
    const auto makeGrid = [](QGroupBox* group, int columns) {
        auto* grid = new QGridLayout(group);
        grid->setContentsMargins(6, 4, 6, 6);
        grid->setHorizontalSpacing(6);
        grid->setVerticalSpacing(3);
        for (int column = 0; column < columns; ++column)
            grid->setColumnStretch(column * 2 + 1, 1);
        return grid;
    };

    auto* siteGroup = new QGroupBox(tr("Angaben zur Web-Site"), this);
    siteGroup->setObjectName(QStringLiteral("GroupBoxWebSite"));
    QGridLayout* siteGrid = makeGrid(siteGroup, 2);
    for (int tag = 0; tag <= 2; ++tag)
        addRow(siteGrid, tag, 0, tag,
               tag == FieldGuidance::UrlTag ? createUrlRow() : m_controls[size_t(tag)]);
    addRow(siteGrid, 3, 0, FieldGuidance::DescriptionMemoTag, m_descriptionMemo, 2);

    auto* keywords = new QWidget(this);
    auto* keywordsRow = new QHBoxLayout(keywords);
    keywordsRow->setContentsMargins(0, 0, 0, 0);
    keywordsRow->setSpacing(0);
    keywordsRow->addWidget(m_keywordsMemo);
    keywordsRow->addWidget(m_keywordsButton, 0, Qt::AlignTop);
    addRow(siteGrid, 0, 1, FieldGuidance::KeywordsMemoTag, keywords, 2);
    for (int tag = 5; tag <= 7; ++tag)
        addRow(siteGrid, tag - 3, 1, tag, m_controls[size_t(tag)]);
    // The label of the keyword list breaks after its hyphen, as the caption is written.
    auto* keywordsLabel = findChild<QLabel*>(QStringLiteral("KeywordsMemoLabel"));
    keywordsLabel->setText(keywordsLabel->text().replace(QLatin1Char(' '), QLatin1Char('\n')));

    auto* personGroup = new QGroupBox(tr("Ansprechpartner und Webmaster"), this);
    personGroup->setObjectName(QStringLiteral("GroupBoxWebmaster"));
    QGridLayout* personGrid = makeGrid(personGroup, 1);
    for (int tag = 8; tag <= 16; ++tag)
        addRow(personGrid, tag - 8, 0, tag, m_controls[size_t(tag)]);

    auto* companyGroup = new QGroupBox(tr("Firma und Kontakt"), this);
    companyGroup->setObjectName(QStringLiteral("GroupBoxFirma"));
    QGridLayout* companyGrid = makeGrid(companyGroup, 2);
    for (int tag = 17; tag <= 28; ++tag)
        addRow(companyGrid, (tag - 17) % 6, (tag - 17) / 6, tag, m_controls[size_t(tag)]);
    companyGrid->setRowStretch(6, 1);

    auto* lower = new QHBoxLayout;
    lower->setSpacing(6);
    lower->addWidget(personGroup, 4);
    lower->addWidget(companyGroup, 6);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(4);
    // Spare height goes to the memos, which are the fields that can use it.
    layout->addWidget(siteGroup, 1);
    layout->addLayout(lower);

    // Tab order follows the tags; the keyword button stands in for the list it fills.
    QWidget* previous = m_controls[0];
    for (int tag = 1; tag < FieldGuidance::TagCount; ++tag) {
        if (tag == FieldGuidance::KeywordsMemoTag) {
            setTabOrder(previous, m_keywordsButton);
            previous = m_keywordsButton;
        }
        setTabOrder(previous, m_controls[size_t(tag)]);
        previous = m_controls[size_t(tag)];
    }
}

void SiteDescriptionPage::connectChanges()
{
    for (const EditField& field : SiteRecord::editFields())
        connect(lineEdit(field.name), &QLineEdit::textEdited, this,
                &SiteDescriptionPage::userModified);
    for (const ComboField& field : comboFields) {
        if (!field.choiceModifies)
            continue;
        connect(combo(field.name), &QComboBox::currentIndexChanged, this, [this] {
            if (!m_showing)
                emit userModified();
        });
    }
    QTextDocument* description = m_descriptionMemo->document();
    connect(description, &QTextDocument::contentsChange, this,
            [this](int position, int, int added) {
                m_lastInsertEnd = position + added;
                m_lastInsertLength = added;
            });
    connect(m_descriptionMemo, &QPlainTextEdit::textChanged, this, [this] {
        if (m_showing || m_limiting)
            return;
        limitDescription();
        emit userModified();
    });
}

QLineEdit* SiteDescriptionPage::lineEdit(const char* name) const
{
    return static_cast<QLineEdit*>(
        m_controls[size_t(FieldGuidance::tagOf(QString::fromLatin1(name)))]);
}

QComboBox* SiteDescriptionPage::combo(const char* name) const
{
    return static_cast<QComboBox*>(
        m_controls[size_t(FieldGuidance::tagOf(QString::fromLatin1(name)))]);
}

void SiteDescriptionPage::limitDescription()
{
    qsizetype excess = FieldGuidance::memoLength(m_descriptionMemo->toPlainText()) -
                       FieldGuidance::DescriptionMemoLimit;
    if (excess <= 0 || m_lastInsertLength <= 0)
        return;
    // Take back the end of what was just typed or pasted, as a length-limited field would
    // not have let it in.
    QTextDocument* document = m_descriptionMemo->document();
    int cut = 0;
    while (excess > 0 && cut < m_lastInsertLength) {
        const QChar c = document->characterAt(m_lastInsertEnd - 1 - cut);
        excess -= c == QChar::ParagraphSeparator ? 2 : 1;
        ++cut;
    }
    QTextCursor cursor(document);
    cursor.setPosition(m_lastInsertEnd - cut);
    cursor.setPosition(m_lastInsertEnd, QTextCursor::KeepAnchor);
    m_limiting = true;
    cursor.removeSelectedText();
    m_limiting = false;
}

bool SiteDescriptionPage::eventFilter(QObject* watched, QEvent* event)
{
    const auto found = std::find(m_controls.cbegin(), m_controls.cend(), watched);
    if (found == m_controls.cend())
        return QWidget::eventFilter(watched, event);
    const int tag = int(found - m_controls.cbegin());

    switch (event->type()) {
    case QEvent::FocusIn: {
        // A list's own drop-down taking and giving back the focus is no visit of the field;
        // coming back from a menu that was opened after the field had been left is one.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (!m_checking && (reason != Qt::PopupFocusReason || m_currentTag != tag))
            enterControl(tag);
        break;
    }
    case QEvent::FocusOut: {
        // Nor is another window becoming active: the field is left only within the page.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (!m_checking && reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            m_ui.guarded([this, tag] { leaveControl(tag); });
        break;
    }
    case QEvent::KeyPress:
        if (tag == FieldGuidance::KeywordsMemoTag) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            const bool passes = key == Qt::Key_Tab || key == Qt::Key_Backtab ||
                                key == Qt::Key_Shift || key == Qt::Key_Control ||
                                key == Qt::Key_Alt || key == Qt::Key_AltGr || key == Qt::Key_Meta;
            if (!passes) {
                m_ui.information(KeywordEditor::directEditMessage());
                return true;
            }
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void SiteDescriptionPage::enterControl(int tag)
{
    m_currentTag = tag;
    emit hintShown(FieldGuidance::hint(tag));
}

void SiteDescriptionPage::leaveControl(int tag)
{
    m_currentTag = -1;
    emit hintFinished();
    QWidget* control = m_controls[size_t(tag)];
    auto* box = qobject_cast<QComboBox*>(control);
    FieldGuidance::ExitCheck result;
    {
        // The check may ask the user and move the focus; none of that is the user leaving
        // or entering a field.
        const QScopedValueRollback checking(m_checking, true);
        result = FieldGuidance::leave(tag, controlText(tag), box ? box->currentIndex() : -1, m_ui);
        if (auto* edit = qobject_cast<QLineEdit*>(control); edit && edit->text() != result.text)
            edit->setText(result.text);
        if (result.focusBack)
            control->setFocus(Qt::OtherFocusReason);
    }
    if (result.focusBack)
        enterControl(tag);
}

bool SiteDescriptionPage::leaveCurrentField()
{
    // A page the user cannot see has no field he is in.
    if (m_currentTag < 0 || m_checking || !isVisible())
        return false;
    const int tag = m_currentTag;
    leaveControl(tag);
    return m_currentTag == tag;
}

QString SiteDescriptionPage::controlText(int tag) const
{
    QWidget* control = m_controls[size_t(tag)];
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return edit->text();
    if (auto* memo = qobject_cast<QPlainTextEdit*>(control))
        return memo->toPlainText();
    return static_cast<QComboBox*>(control)->currentText();
}

int SiteDescriptionPage::RequiredFieldCheck()
{
    std::array<QString, FieldGuidance::TagCount> texts;
    for (int tag = 0; tag < FieldGuidance::TagCount; ++tag)
        texts[size_t(tag)] = controlText(tag);
    const int tag = FieldGuidance::firstEmptyRequired(texts);
    if (tag >= 0)
        focusField(tag);
    return tag;
}

void SiteDescriptionPage::focusField(int tag)
{
    if (tag < 0 || tag >= FieldGuidance::TagCount)
        return;
    emit requiredFieldFocused(tag);
    m_controls[size_t(tag)]->setFocus(Qt::OtherFocusReason);
}

void SiteDescriptionPage::readInto(SiteRecord& record) const
{
    for (const EditField& field : SiteRecord::editFields())
        record.*field.member = lineEdit(field.name)->text();
    record.KeywordsMemo = recordTextOf(m_keywordsMemo);
    record.DescriptionMemo = recordTextOf(m_descriptionMemo);
    for (const ComboField& field : comboFields)
        record.*field.member = combo(field.name)->currentIndex();
}

void SiteDescriptionPage::setMemoText(QPlainTextEdit* memo, const QString& recordText)
{
    QString text = recordText;
    memo->setPlainText(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void SiteDescriptionPage::showRecord(const SiteRecord& record)
{
    m_showing = true;
    for (const EditField& field : SiteRecord::editFields())
        lineEdit(field.name)->setText(record.*field.member);
    setMemoText(m_keywordsMemo, record.KeywordsMemo);
    setMemoText(m_descriptionMemo, record.DescriptionMemo);
    for (const ComboField& field : comboFields) {
        QComboBox* box = combo(field.name);
        const int index = record.*field.member;
        box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
    }
    m_showing = false;
}

void SiteDescriptionPage::setKeywordSlots(KeywordEditor::Keywords* keywordSlots)
{
    m_keywordSlots = keywordSlots ? keywordSlots : &m_ownSlots;
}

void SiteDescriptionPage::editKeywords()
{
    KeywordsDialog dialog(m_ui, this);
    dialog.setKeywords(KeywordEditor::preset(*m_keywordSlots, m_keywordsMemo->toPlainText()));
    if (dialog.exec() != QDialog::Accepted)
        return;
    const KeywordEditor::Result result = KeywordEditor::confirm(dialog.keywords());
    *m_keywordSlots = result.slotTexts;
    m_showing = true;
    m_keywordsMemo->setPlainText(result.memoText);
    m_showing = false;
    emit userModified();
}

} // namespace pelvaro::site::ui
