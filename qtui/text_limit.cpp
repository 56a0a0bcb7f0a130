#include "qtui/text_limit.h"

#include <QLineEdit>
#include <QStringList>
#include <algorithm>

#include "protocol/printer_text.h"

namespace ui {

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
    // The change replaced one stretch of the accepted text (typing, a paste, an input method's
    // commit, a deletion): find it by what both texts share at their ends, never splitting a
    // surrogate pair.
    const qsizetype shorter = std::min(input.size(), accepted_.size());
    qsizetype head = 0;
    while (head < shorter && input.at(head) == accepted_.at(head)) ++head;
    if (head > 0 && input.at(head - 1).isHighSurrogate()) --head;
    qsizetype tail = 0;
    while (tail < shorter - head && input.at(input.size() - 1 - tail) == accepted_.at(accepted_.size() - 1 - tail))
        ++tail;
    if (tail > 0 && input.at(input.size() - tail).isLowSurrogate()) --tail;
    const QString inserted = input.mid(head, input.size() - head - tail);
    if (inserted.isEmpty()) return Acceptable;  // only taken away

    // What is put in keeps the characters the code page has, as far as the room allows: the
    // limit, or the longer text that came from the printer.
    const QString before = input.left(head), after = input.right(tail);
    const int allowed = std::max(limit_, CodePageLength(accepted_));
    const int room = std::max(0, allowed - CodePageLength(before) - CodePageLength(after));
    const npa::PrinterTextFit fit = npa::FitPrinterText(inserted.toStdString(), static_cast<size_t>(room));
    if (!fit.leftOut.empty()) {
        QStringList names;
        for (const std::string& c : fit.leftOut) names << QString::fromStdString(c);
        Q_EMIT const_cast<CodePageLimit*>(this)->charactersLeftOut(names.join(QStringLiteral(", ")));
    }
    // Nothing of it fits: refuse the change whole, so that a selection it would replace stays.
    const QString kept = QString::fromStdString(fit.kept);
    if (kept.isEmpty()) return Invalid;
    input = before + kept + after;
    pos = static_cast<int>(head + kept.size());
    return Acceptable;
}

CodePageLimit* LimitOf(QLineEdit* edit) {
    return edit ? dynamic_cast<CodePageLimit*>(const_cast<QValidator*>(edit->validator())) : nullptr;
}

}  // namespace ui
