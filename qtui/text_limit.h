// Length limits of text settings in a Qt edit. The printer counts a text setting in bytes of the
// Korean single-byte/double-byte code page: an ASCII character is one byte, any other character
// two. An edit bound to such a setting must stop the user's typing at that many bytes, while a
// longer text that came from the printer is still shown whole. The rule is pages/typing_limit's,
// which the Win32 front end shows too; this validator applies it to a QLineEdit.
#pragma once

#include <QString>
#include <QValidator>
#include <string>

class QLineEdit;

namespace ui {

// The length of text in bytes of the code page (ASCII 1, every other character 2).
int CodePageLength(const QString& text);

// Keeps an edit's text within a limit in code-page bytes, in characters the code page has. Of
// what the user types, pastes or commits through an input method, the characters the code page
// has go in, up to the limit; the others are left out and named by charactersLeftOut, so that
// the user learns why they did not appear. Text set by the program is never cut, and the user
// may still edit an over-long text as long as it does not grow.
class CodePageLimit : public QValidator {
    Q_OBJECT
public:
    explicit CodePageLimit(QLineEdit* edit);
    void setLimit(int bytes) { limit_ = bytes; }
    int limit() const { return limit_; }
    // Shows text in the edit without cutting it, and makes it the text the limit measures from.
    void setText(const QString& text);
    State validate(QString& input, int& pos) const override;

Q_SIGNALS:
    // Characters of the user's input that the code page lacks, each once, joined by ", ".
    void charactersLeftOut(const QString& characters);

private:
    QLineEdit* edit_;
    int limit_ = 40;
    QString accepted_;  // the edit's text before the change being validated
};

// The limit installed on edit, or nullptr.
CodePageLimit* LimitOf(QLineEdit* edit);

}  // namespace ui
