#include "qtui/radio_accessibility.h"

#include <QAccessibleWidget>
#include <QKeySequence>
#include <QRadioButton>

namespace ui {
namespace {

class RadioButtonAccessible : public QAccessibleWidget {
public:
    explicit RadioButtonAccessible(QRadioButton* radio) : QAccessibleWidget(radio, QAccessible::RadioButton) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = button()->isChecked();
        state.pressed = button()->isDown();
        return state;
    }

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name:
                // The builder names each button by its caption or its group's.
                return widget()->accessibleName().isEmpty() ? Caption() : widget()->accessibleName();
            case QAccessible::Accelerator:
                return QKeySequence::mnemonic(button()->text()).toString(QKeySequence::NativeText);
            default:
                return QAccessibleWidget::text(t);
        }
    }

    QStringList actionNames() const override {
        QStringList names;
        if (widget()->isEnabled()) names << toggleAction();
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (!widget()->isEnabled()) return;
        // A click, as the mouse and the keys make it: the form's group then follows.
        if (action == toggleAction() || action == pressAction()) {
            button()->click();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

private:
    QRadioButton* button() const { return static_cast<QRadioButton*>(object()); }
    QString Caption() const {
        QString text = button()->text();
        text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
        text.remove(QLatin1Char('&'));
        text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
        return text;
    }
};

QAccessibleInterface* RadioButtonFactory(const QString& className, QObject* object) {
    if (className != QLatin1String("QRadioButton")) return nullptr;
    // Every radio button, whenever its interface is first asked for: one asked for before the
    // builder turned its auto-exclusivity off would otherwise keep Qt's interface.
    auto* radio = qobject_cast<QRadioButton*>(object);
    return radio ? new RadioButtonAccessible(radio) : nullptr;
}

}  // namespace

void InstallRadioButtonAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(RadioButtonFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace ui
