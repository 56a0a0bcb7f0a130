// Helpers of the GUI tests: answering modal dialogs, and clicking controls where a user would.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace guitest {

// Runs action on the next modal window that shows up (polling the event loop), once. The
// answer is withdrawn when the returned guard goes, so an unused answer cannot leak into a
// later test.
class [[nodiscard]] ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(QWidget*)> action) : timer_(new QTimer) {
        timer_->setInterval(5);
        QTimer* timer = timer_;
        QObject::connect(timer, &QTimer::timeout, timer, [timer, action = std::move(action)] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible()) return;
            timer->stop();
            action(modal);
        });
        timer_->start();
    }
    ~ModalAnswer() { delete timer_; }
    ModalAnswer(const ModalAnswer&) = delete;
    ModalAnswer& operator=(const ModalAnswer&) = delete;
    bool answered() const { return !timer_->isActive(); }

private:
    QTimer* timer_;
};


// The centre of a check box's or radio button's indicator, where a click toggles it.
inline QPoint IndicatorCentre(QAbstractButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    const bool radio = button->inherits("QRadioButton");
    const QRect r = button->style()->subElementRect(
        radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &option, button);
    return r.center();
}

inline void ClickBox(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, IndicatorCentre(button));
}

}  // namespace guitest
