#include "ui/backing_store_guard.h"

#include <QApplication>
#include <QBackingStore>
#include <QEvent>
#include <QPaintDevice>
#include <QTimer>
#include <QWidget>

namespace zorva {

BackingStoreGuard::BackingStoreGuard(QWidget& window) : window_(window) {
    // The window's widgets paint into the one buffer, each in its own event:
    // the application's filter sees them all.
    QApplication::instance()->installEventFilter(this);
}

BackingStoreGuard::~BackingStoreGuard() {
    QApplication::instance()->removeEventFilter(this);
}

bool BackingStoreGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Paint || !watched->isWidgetType() ||
        static_cast<QWidget*>(watched)->window() != &window_) {
        return false;
    }
    // Every widget of the window paints into the one buffer, in its own
    // event, between the buffer's beginning and end of painting: here the
    // buffer is the one Qt could make for the window's size.
    QBackingStore* store = window_.backingStore();
    const QPaintDevice* device = store != nullptr ? store->paintDevice() : nullptr;
    if (device != nullptr && device->width() > 0 && device->height() > 0) {
        lastPainted_ = window_.size();
        return false;
    }
    if (lastPainted_.isValid() && lastPainted_ != window_.size() && !goingBack_) {
        goingBack_ = true;
        qWarning("zorva: not enough memory to show the window at %dx%d; it keeps its size of %dx%d",
                 window_.width(), window_.height(), lastPainted_.width(), lastPainted_.height());
        // Not from within the painting.
        QTimer::singleShot(0, &window_, [this] {
            goingBack_ = false;
            window_.resize(lastPainted_);
        });
    }
    return true;
}

}  // namespace zorva
