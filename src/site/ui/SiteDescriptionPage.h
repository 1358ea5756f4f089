#pragma once

#include "site/FieldGuidance.h"
#include "site/KeywordEditor.h"
#include "site/SiteForm.h"

#include <QWidget>

#include <array>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QToolButton;

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::site::ui {

// The controls of the site description: what the user types here becomes the site record.
// Entering a field announces its hint, leaving it runs its check through FieldGuidance; the
// main window shows the hints in its status bar and keeps the modified flag.
class SiteDescriptionPage : public QWidget, public SiteForm
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SiteDescriptionPage)

public:
    explicit SiteDescriptionPage(base::UiServices& ui, QWidget* parent = nullptr);

    void readInto(SiteRecord& record) const override;
    void showRecord(const SiteRecord& record) override;

    // The record's keyword slots: the keyword dialog starts from them and confirming it
    // writes them. Until the owner hands them over, the page keeps slots of its own.
    void setKeywordSlots(KeywordEditor::Keywords* keywordSlots);

    // Focuses the first empty required field and returns its tag, or -1 when all are filled.
    int RequiredFieldCheck();

    // Shows the page and puts the focus into the field of this tag, for the user to correct.
    void focusField(int tag);

    // What the "..." button beside the keyword list does: the keyword dialog, modally.
    void editKeywords();

    // Runs the leave check of the field the user is in, as if he had gone to another field:
    // for commands that read the fields without taking the focus (the menu bar). Returns
    // true when the check kept the user in the field.
    bool leaveCurrentField();
    // The tag of the field the user is in, or -1 when he is in none.
    int currentField() const { return m_currentTag; }

signals:
    // A guided field was entered: show this hint on the alarm-coloured status bar.
    void hintShown(const QString& hint);
    // The field was left: back to the normal status-bar look, the hint text may stay.
    void hintFinished();
    // The user changed the description (typing, a choice in one of the five lists that
    // count, or confirmed keywords).
    void userModified();
    // RequiredFieldCheck is about to focus this field: the page has to be the visible one.
    void requiredFieldFocused(int tag);
    // "URL prüfen" beside the address was clicked; the address is the text of URLEdit.
    void checkUrlRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    QWidget* createKeywordsMemo();
    QWidget* createUrlRow();
    void createLayout();
    void connectChanges();
    QLineEdit* lineEdit(const char* name) const;
    QComboBox* combo(const char* name) const;
    void enterControl(int tag);
    void leaveControl(int tag);
    QString controlText(int tag) const;
    void limitDescription();
    void setMemoText(QPlainTextEdit* memo, const QString& recordText);

    base::UiServices& m_ui;
    std::array<QWidget*, FieldGuidance::TagCount> m_controls{};
    QPlainTextEdit* m_keywordsMemo = nullptr;
    QPlainTextEdit* m_descriptionMemo = nullptr;
    QToolButton* m_keywordsButton = nullptr;
    QToolButton* m_checkUrlButton = nullptr;
    KeywordEditor::Keywords m_ownSlots;
    KeywordEditor::Keywords* m_keywordSlots = &m_ownSlots;
    // Set while the program itself fills the controls, so that is no user change.
    bool m_showing = false;
    // Set while a field's check runs: the focus changes it causes are not the user's.
    bool m_checking = false;
    bool m_limiting = false;
    // The field entered last and not left since.
    int m_currentTag = -1;
    int m_lastInsertEnd = 0;
    int m_lastInsertLength = 0;
};

} // namespace pelvaro::site::ui
