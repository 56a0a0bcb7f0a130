// The one seam through which the program asks the user: message boxes and the save-file dialog.
// The Qt implementation shows real dialogs; tests put in their own answers.
#pragma once

#include <QFileDialog>
#include <optional>
#include <string>

class QWidget;

class IUiPrompts {
public:
    virtual ~IUiPrompts() = default;
    // A message box with the classic style bits of document/frame.h (msgbox::kYesNo, msgbox::kIconError, ...);
    // owner nullptr means no owner window; detail, when not empty, is a smaller text under the
    // message (what to check, what to try). Returns msgbox::kIdOk, msgbox::kIdYes or msgbox::kIdNo.
    virtual int messageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned style,
                           const std::string& detail) = 0;
    // The save-file dialog of the command file: the full path chosen, or nothing on cancel.
    virtual std::optional<std::string> saveCommandFileName(QWidget* owner) = 0;
};

class QtUiPrompts : public IUiPrompts {
public:
    int messageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned style,
                   const std::string& detail) override;
    std::optional<std::string> saveCommandFileName(QWidget* owner) override;
};

// The program's file dialog: its own (not the desktop's), in Korean whatever the locale the
// program was started in, its list in detail with sizes and dates as a Korean desktop shows
// them. Every file dialog of the program is one of these.
class KoreanFileDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit KoreanFileDialog(QWidget* owner, const QString& caption = {});

protected:
    // Once the list shows: its columns as wide as their texts.
    void showEvent(QShowEvent* event) override;
};

// The save dialog of the command file: default extension "npa", initial name "settings.npa",
// asks before overwriting, and refuses a path whose folder does not exist.
class CommandFileDialog : public KoreanFileDialog {
    Q_OBJECT
public:
    explicit CommandFileDialog(QWidget* owner);
    void accept() override;
};

// The same process-wide instance the program uses unless a test sets another.
IUiPrompts& Prompts();
void SetPrompts(IUiPrompts* prompts);  // nullptr restores the Qt one
