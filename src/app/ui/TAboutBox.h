#pragma once

#include <QDialog>

#include <memory>

class QKeyEvent;
class QLabel;

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::app::ui {

// "Info": versions, the maker and the ways to reach it. Ctrl+F1 and Ctrl+F2 are for
// support calls and work wherever the focus is in the box.
class TAboutBox : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TAboutBox)

public:
    TAboutBox(base::UiServices& ui, const QString& catalogueVersion, QWidget* parent = nullptr);

    // Shows the box modally.
    static void ShowAbout(base::UiServices& ui, const QString& catalogueVersion, QWidget* parent);
    // The box shown without a modal loop (pictures of it).
    static std::unique_ptr<TAboutBox> showForPicture(base::UiServices& ui,
                                                     const QString& catalogueVersion);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void placeVersionLine();
    // Ctrl+F1, Ctrl+F2 and F1; returns whether the key was one of them.
    bool handleKey(const QKeyEvent& key);

    base::UiServices& m_ui;
    QLabel* m_versions;
    QWidget* m_versionRow;
};

} // namespace pelvaro::app::ui
