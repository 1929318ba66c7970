// The about window (window 2): name and version, the maker, the licence, a button to the
// maker's web site.
#pragma once

#include "ui/dialogs/help_windows.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace qp::ui {

inline constexpr int kAboutWindowId = 2;
inline constexpr int kAboutEditor = 4;
inline constexpr int kAboutButtonOk = 6;
inline constexpr int kAboutButtonWeb = 8;

inline constexpr const char* kMakerWebSite = "https://quillpost.example.org/";

// AboutWindow_Open and the text of About_Show. OK, Escape and the close box close it
// (About_Close); the web button opens the maker's site and leaves it open.
class AboutWindow : public QDialog {
    Q_OBJECT
public:
    AboutWindow(QWidget* parent, LangTable& lang, const QStringList& folders, UrlOpener open);
    QPlainTextEdit* editor() const { return editor_; }
    QPushButton* ok_button() const { return ok_; }
    QPushButton* web_button() const { return web_; }

private:
    void open_web_site();

    UrlOpener open_;
    QPlainTextEdit* editor_;
    QPushButton* ok_;
    QPushButton* web_;
};

// About_Show: the about window, modal to parent; returns when it is closed.
void About_Show(QWidget* parent, LangTable& lang, const QStringList& folders,
                const UrlOpener& open = open_with_system);

} // namespace qp::ui
