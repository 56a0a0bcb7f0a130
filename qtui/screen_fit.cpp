#include "qtui/screen_fit.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace ui {
namespace {

// Windows and dialogs; menus, tool tips and lists that drop down place themselves.
bool IsFitted(const QObject* object) {
    if (!object->isWidgetType()) return false;
    const auto* widget = static_cast<const QWidget*>(object);
    const Qt::WindowType type = widget->windowType();
    return widget->isWindow() && (type == Qt::Window || type == Qt::Dialog);
}

// The frame the window system puts around the window's client area (none until it has put one).
QMargins FrameOf(const QWidget* window) {
    const QRect outer = window->frameGeometry(), inner = window->geometry();
    return QMargins(std::max(0, inner.left() - outer.left()), std::max(0, inner.top() - outer.top()),
                    std::max(0, outer.right() - inner.right()), std::max(0, outer.bottom() - inner.bottom()));
}

// The largest client area whose frame fits the screen's available area.
QSize RoomFor(const QWidget* window, const QRect& area) {
    const QMargins frame = FrameOf(window);
    return QSize(area.width() - frame.left() - frame.right(), area.height() - frame.top() - frame.bottom());
}

bool Fits(const QWidget* window) {
    const QScreen* screen = window->screen();
    if (!screen) return true;
    const QSize room = RoomFor(window, screen->availableGeometry());
    return window->width() <= room.width() && window->height() <= room.height();
}

// Size within the room the screen has; with mayMove, onto the screen where the frame sticks out,
// the top left corner first, so that the title bar is always within reach.
void Fit(QWidget* window, bool mayMove) {
    const QScreen* screen = window->screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize room = RoomFor(window, area);
    const QSize size = window->size().boundedTo(room).expandedTo(window->minimumSize());
    if (size != window->size()) window->resize(size);
    if (!mayMove) return;
    const QRect outer(window->frameGeometry().topLeft(), size.grownBy(FrameOf(window)));
    if (area.contains(outer)) return;
    const int x = std::max(area.left(), std::min(outer.left(), area.right() + 1 - outer.width()));
    const int y = std::max(area.top(), std::min(outer.top(), area.bottom() + 1 - outer.height()));
    window->move(x, y);
}

class ScreenFitter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if ((type == QEvent::Show || type == QEvent::Resize || type == QEvent::Move) && IsFitted(watched)) {
            auto* window = static_cast<QWidget*>(watched);
            if (type == QEvent::Show) {
                // Before the window system maps it: it comes up at its fitted size. A main window
                // nobody has placed yet is left for the window manager to place.
                Fit(window, window->testAttribute(Qt::WA_Moved) || window->windowType() == Qt::Dialog);
            } else if (window->isVisible() && !Fits(window)) {
                // Made larger by its own code (the main window makes room for its frame once the
                // frame is known), or framed by the window manager after it was mapped (the
                // window moves by the frame's width then): fitted once that change is over.
                QPointer<QWidget> later(window);
                QMetaObject::invokeMethod(
                    this, [later] {
                        if (later) FitToScreen(later);
                    },
                    Qt::QueuedConnection);
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

void FitToScreen(QWidget* window) {
    if (window) Fit(window, true);
}

void KeepWindowsOnScreen() {
    static QPointer<ScreenFitter> fitter;
    if (fitter || !qApp) return;
    fitter = new ScreenFitter(qApp);
    qApp->installEventFilter(fitter);
}

}  // namespace ui
