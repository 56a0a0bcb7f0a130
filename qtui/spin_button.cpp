#include "qtui/spin_button.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QResizeEvent>
#include <QToolButton>
#include <algorithm>

#include "strings/string_table.h"

namespace ui {
namespace {

// Accessible names of the arrows.
constexpr int kUpArrowName = 61392, kDownArrowName = 61393;

}  // namespace

SpinButton::SpinButton(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    for (QToolButton* b : {up_, down_}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
    }
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    up_->setAccessibleName(QString::fromStdString(res::String(kUpArrowName)));
    down_->setAccessibleName(QString::fromStdString(res::String(kDownArrowName)));

    connect(up_, &QToolButton::clicked, this, [this] { step(+1); });
    connect(down_, &QToolButton::clicked, this, [this] { step(-1); });
}

void SpinButton::setBuddy(QLineEdit* buddy) {
    if (buddy_) buddy_->removeEventFilter(this);
    buddy_ = buddy;
    // A click on an arrow hands the focus to the first widget up the parents that takes click
    // focus: without this, that is the scrolling page, which draws no focus and scrolls on
    // Up/Down. Taking click focus for the buddy keeps the focus in the field.
    setFocusProxy(buddy_);
    setFocusPolicy(buddy_ ? Qt::ClickFocus : Qt::NoFocus);
    if (buddy_ && arrowKeys_) buddy_->installEventFilter(this);
}

void SpinButton::setArrowKeys(bool on) {
    arrowKeys_ = on;
    if (buddy_) {
        buddy_->removeEventFilter(this);
        if (on) buddy_->installEventFilter(this);
    }
}

void SpinButton::setRange(int minVal, int maxVal) {
    min_ = minVal;
    max_ = maxVal;
}

void SpinButton::setPos(int pos) {
    // The full 32-bit position, kept within the range (whichever way round the range was given):
    // a 16-bit position would show a printer value such as 40000 as a different number, and the
    // next step would store that wrong number.
    const int lo = std::min(min_, max_), hi = std::max(min_, max_);
    pos_ = std::clamp(pos, lo, hi);
    writeBuddy();
}

void SpinButton::step(int delta) {
    if (!isEnabled()) return;
    // A range given high-to-low steps the other way, as the arrows then point at the ends.
    const int direction = (min_ <= max_) ? delta : -delta;
    const int lo = std::min(min_, max_), hi = std::max(min_, max_);
    const int next = std::clamp(pos_ + direction, lo, hi);
    if (next == pos_) return;
    pos_ = next;
    writeBuddy();
    Q_EMIT positionChanged(pos_);
}

void SpinButton::writeBuddy() {
    // No thousands separator: the buddy's text is stored as the setting's value token, which must
    // stay a plain decimal number.
    if (buddy_) buddy_->setText(QString::number(pos_));
}

bool SpinButton::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buddy_ && event->type() == QEvent::KeyPress && isEnabled()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Up) {
            step(+1);
            return true;
        }
        if (key->key() == Qt::Key_Down) {
            step(-1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SpinButton::resizeEvent(QResizeEvent* event) {
    const int w = event->size().width(), h = event->size().height();
    up_->setGeometry(0, 0, w, h / 2);
    down_->setGeometry(0, h / 2, w, h - h / 2);
}

}  // namespace ui
