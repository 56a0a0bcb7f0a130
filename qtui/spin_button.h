// The up-down control of a number field: two small arrow buttons that step a position within a
// range and write it into a separate buddy edit as a decimal number. The buddy is read-only; the
// user changes the number only with the arrows, or with the Up/Down keys in the buddy. A click on
// an arrow puts the keyboard focus into the buddy (the spin's focus proxy), so that the field
// shows its focus and the Up/Down keys go on stepping it; the arrows themselves are never a tab
// stop.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace ui {

class SpinButton : public QWidget {
    Q_OBJECT
public:
    explicit SpinButton(QWidget* parent = nullptr);

    void setBuddy(QLineEdit* buddy);
    QLineEdit* buddy() const { return buddy_; }
    // Follow the Up/Down keys pressed in the buddy.
    void setArrowKeys(bool on);

    void setRange(int minVal, int maxVal);
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    // Moves to pos, kept within the range, and writes it into the buddy.
    void setPos(int pos);
    int pos() const { return pos_; }

    // One step up (+1) or down (-1), as a click on an arrow does.
    void step(int delta);

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

Q_SIGNALS:
    void positionChanged(int pos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void writeBuddy();
    QToolButton* up_;
    QToolButton* down_;
    QLineEdit* buddy_ = nullptr;
    bool arrowKeys_ = false;
    int min_ = 0;
    int max_ = 100;
    int pos_ = 0;
};

}  // namespace ui
