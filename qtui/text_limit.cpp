#include "qtui/text_limit.h"

#include <QLineEdit>
#include <algorithm>
#include <cstdint>

#include "protocol/printer_text.h"

namespace ui {
namespace {

// Whether the printer's code page has every character of text.
bool Representable(const QString& text) { return npa::PrinterTextLength(text.toStdString()) != SIZE_MAX; }

}  // namespace

int CodePageLength(const QString& text) {
    int bytes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        // A surrogate pair is one character.
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ++i;
        bytes += c.unicode() < 0x80 ? 1 : 2;
    }
    return bytes;
}

CodePageLimit::CodePageLimit(QLineEdit* edit) : QValidator(edit), edit_(edit) {
    // The edit's own limit counts characters; this one replaces it.
    edit_->setMaxLength(32767);
    edit_->setValidator(this);
    accepted_ = edit_->text();
    QObject::connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) { accepted_ = text; });
}

void CodePageLimit::setText(const QString& text) {
    accepted_ = text;
    edit_->setText(text);
}

QValidator::State CodePageLimit::validate(QString& input, int& pos) const {
    // A character the printer cannot store (an emoji, say) is refused as it is typed, rather
    // than failing the whole apply later.
    if (!Representable(input) && Representable(accepted_)) return Invalid;
    const int allowed = std::max(limit_, CodePageLength(accepted_));
    if (CodePageLength(input) <= allowed) return Acceptable;
    // Cut what was just inserted before the cursor until the text fits.
    qsizetype inserted = input.size() - accepted_.size();
    while (inserted > 0 && pos > 0 && CodePageLength(input) > allowed) {
        int width = 1;
        if (pos >= 2 && input.at(pos - 1).isLowSurrogate() && input.at(pos - 2).isHighSurrogate()) width = 2;
        input.remove(pos - width, width);
        pos -= width;
        inserted -= width;
    }
    // Nothing of the insertion fits: refuse it, so that the edit sees no change at all.
    if (input == accepted_ || CodePageLength(input) > allowed) return Invalid;
    return Acceptable;
}

CodePageLimit* LimitOf(QLineEdit* edit) {
    return edit ? dynamic_cast<CodePageLimit*>(const_cast<QValidator*>(edit->validator())) : nullptr;
}

}  // namespace ui
