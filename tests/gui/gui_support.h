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

// Runs action on the next modal window that shows up (polling the event loop), once.
inline void OnNextModal(std::function<void(QWidget*)> action, QWidget* skip = nullptr) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    auto shared = std::make_shared<std::function<void(QWidget*)>>(std::move(action));
    QObject::connect(timer, &QTimer::timeout, [timer, shared, skip] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == skip || !modal->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        (*shared)(modal);
    });
    timer->start();
}

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
