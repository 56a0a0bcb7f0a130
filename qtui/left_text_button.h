// A check box or radio button whose text stands at the left edge of the control and whose box
// stands at the right edge (the "text to the left of the box" style of a template), so that a
// column of such controls lines its texts up with the labels above and its boxes up with each
// other. The whole control takes clicks, as a plain one does.
#pragma once

#include <QCheckBox>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace ui {

template <class Button>
class LeftTextButton : public Button {
public:
    using Button::Button;

    // Where the box is drawn.
    QRect indicatorRect() const {
        QStyleOptionButton option;
        this->initStyleOption(&option);
        const QRect box = this->style()->subElementRect(Indicator(), &option, this);
        return QRect(this->width() - box.width(), (this->height() - box.height()) / 2, box.width(), box.height());
    }

protected:
    static QStyle::SubElement Indicator() {
        return std::is_base_of_v<QRadioButton, Button> ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator;
    }

    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionButton option;
        this->initStyleOption(&option);
        const QRect box = indicatorRect();
        QStyleOptionButton indicator = option;
        indicator.rect = box;
        painter.drawPrimitive(std::is_base_of_v<QRadioButton, Button> ? QStyle::PE_IndicatorRadioButton
                                                                      : QStyle::PE_IndicatorCheckBox,
                              indicator);
        const QRect text(0, 0, std::max(0, box.left() - 4), this->height());
        painter.drawItemText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, option.palette,
                             this->isEnabled(), this->text(), QPalette::WindowText);
        if (this->hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = painter.fontMetrics().boundingRect(text, Qt::AlignLeft | Qt::AlignVCenter, this->text()).adjusted(-1, 0, 1, 0);
            painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
        }
    }

    bool hitButton(const QPoint& pos) const override { return this->rect().contains(pos); }
};

using LeftTextCheckBox = LeftTextButton<QCheckBox>;
using LeftTextRadioButton = LeftTextButton<QRadioButton>;

// Where the box of a check box or radio button is, whichever kind it is.
QRect IndicatorRect(const QAbstractButton* button);

}  // namespace ui
