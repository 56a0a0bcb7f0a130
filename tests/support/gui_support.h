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

#include "qtui/left_text_button.h"

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


// The centre of a check box's or radio button's box, where a user clicks.
inline QPoint IndicatorCentre(QAbstractButton* button) { return ui::IndicatorRect(button).center(); }

inline void ClickBox(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, IndicatorCentre(button));
}

}  // namespace guitest
