#include "qtui/text_limit.h"

#include <QLineEdit>

#include "pages/typing_limit.h"

namespace ui {

int CodePageLength(const QString& text) { return pages::CodePageLength(text.toStdU16String()); }

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
    // The edit's cursor after a change is where the change's insertion ended.
    const pages::TypedText fit = pages::FitTyped(accepted_.toStdU16String(), input.toStdU16String(), limit_,
                                                 pos < 0 ? std::u16string_view::npos : static_cast<size_t>(pos));
    if (!fit.leftOut.empty()) {
        Q_EMIT const_cast<CodePageLimit*>(this)->charactersLeftOut(QString::fromStdString(pages::LeftOutList(fit.leftOut)));
    }
    // Refused whole, so that a selection it would replace stays.
    if (fit.refused) return Invalid;
    input = QString::fromStdU16String(fit.text);
    pos = static_cast<int>(fit.caret);
    return Acceptable;
}

CodePageLimit* LimitOf(QLineEdit* edit) {
    return edit ? dynamic_cast<CodePageLimit*>(const_cast<QValidator*>(edit->validator())) : nullptr;
}

}  // namespace ui
