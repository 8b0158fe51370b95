// The window on screen needs memory of its own besides the drawing: the
// buffer the system shows it from, which Qt sizes with the window. A window
// made larger than that memory allows is given back its last size.
#pragma once

#include <QObject>
#include <QSize>

class QWidget;

namespace zorva {

/// Watches one top-level window. While Qt has no buffer for it at its new
/// size, nothing in it is painted (each widget's painting would fail, with a
/// message each); the window goes back to the last size it was painted at,
/// saying so once, and carries on there.
class BackingStoreGuard : public QObject {
  public:
    /// window must outlive this; a QApplication must exist.
    explicit BackingStoreGuard(QWidget& window);
    ~BackingStoreGuard() override;
    BackingStoreGuard(const BackingStoreGuard&) = delete;
    BackingStoreGuard& operator=(const BackingStoreGuard&) = delete;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget& window_;
    /// The last size the window was painted at; invalid before its first paint.
    QSize lastPainted_;
    bool goingBack_ = false;
};

}  // namespace zorva
