#include "ui/qt_window.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cmath>

#include "form/layout.h"
#include "form/words.h"
#include "ui/graph_window.h"
#include "ui/qt_export.h"
#include "ui/vector_state.h"

namespace zorva {
namespace {

constexpr double kTwipsPerInch = 1440.0;
// The designed client area, replaced by the screen's size at start-up.
constexpr double kDesignClientWidthTwips = 4680.0;
constexpr double kDesignClientHeightTwips = 3090.0;
// Copying the drawing more often than the screen refreshes shows nothing new.
constexpr int kRepaintIntervalMs = 16;
// Longest wait for a window manager to frame and show the window at start-up.
constexpr qint64 kFrameWaitMs = 2000;
// Room round a button's caption, in logical pixels: the frame and padding.
constexpr int kButtonTextMargin = 16;

double TwipsPerPixel() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
    return kTwipsPerInch / (dpi > 0.0 ? dpi : 96.0);
}

double DevicePixelRatio() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->devicePixelRatio() : 1.0;
}

int Pixels(double twips, double twipsPerPixel) {
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

double SteadyMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A readout: on a wide screen the readouts run under the check boxes' places,
// which are fixed in twips. A readout is white behind its text only, so the
// drawing shows through the rest of its place; the whole place is the
// control all the same, and takes its clicks.
class ReadoutLabel : public QLabel {
  public:
    explicit ReadoutLabel(QWidget* parent) : QLabel(parent) {
        setTextFormat(Qt::PlainText);
        setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        setAutoFillBackground(false);
    }

    /// The room the text needs, in logical pixels.
    QSize neededSize() const {
        const QFontMetrics metrics = fontMetrics();
        return {metrics.horizontalAdvance(text()) + 2 * kTextMargin,
                metrics.height() + kTextMargin};
    }

  protected:
    void paintEvent(QPaintEvent* event) override {
        {
            QPainter painter(this);
            const QSize needed = neededSize();
            const int height = std::min(needed.height(), this->height());
            painter.fillRect(0, (this->height() - height) / 2, std::min(needed.width(), width()),
                             height, Qt::white);
        }
        QLabel::paintEvent(event);
    }
    // A click on a readout is not a click on the drawing.
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }

  private:
    static constexpr int kTextMargin = 2;
};

// A check box's designed place. The box and its caption are a widget of
// their own, at the top right of the place, clear of the readouts' text on a
// wide screen and stacked above the readouts so that they are never covered;
// a click anywhere else in the place toggles the box as a click on it does.
// The rest of the place shows the drawing beneath.
class CheckBoxPlace : public QWidget {
  public:
    CheckBoxPlace(QWidget* parent, QCheckBox* box) : QWidget(parent), box_(box) {}

  protected:
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (rect().contains(event->position().toPoint())) {
            box_->click();
        }
    }

  private:
    QCheckBox* box_;
};

// A bar that the keyboard moves: it takes the focus by Tab or a click, and
// shows that it has it with a frame in the highlight colour. Left and Up move
// it down by its small change and Right and Down up, Page Up and Page Down by
// its large change, Home and End to its ends: each the same action as a click
// on an arrow or the track. Qt's own keys are not used, as a scroll bar's
// inverted controls turn Left into a step up.
class FocusScrollBar : public QScrollBar {
  public:
    explicit FocusScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {
        setFocusPolicy(Qt::StrongFocus);
    }

    /// The readout beside the bar, whose text a screen reader gives as the
    /// bar's value.
    QLabel* readout = nullptr;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
            case Qt::Key_Left:
            case Qt::Key_Up:
                triggerAction(SliderSingleStepSub);
                break;
            case Qt::Key_Right:
            case Qt::Key_Down:
                triggerAction(SliderSingleStepAdd);
                break;
            case Qt::Key_PageUp:
                triggerAction(SliderPageStepSub);
                break;
            case Qt::Key_PageDown:
                triggerAction(SliderPageStepAdd);
                break;
            case Qt::Key_Home:
                triggerAction(SliderToMinimum);
                break;
            case Qt::Key_End:
                triggerAction(SliderToMaximum);
                break;
            default:
                QScrollBar::keyPressEvent(event);
                return;
        }
        event->accept();
    }
    void paintEvent(QPaintEvent* event) override {
        QScrollBar::paintEvent(event);
        if (hasFocus()) {
            QPainter painter(this);
            painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
        }
    }
};

// A bar as a screen reader meets it: a slider whose value is its readout's
// text ("Velocity x =  1.0  FY= 0.00 …"), which says what the number means,
// rather than a scroll bar's bare number.
class AccessibleBar : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit AccessibleBar(FocusScrollBar* bar) : QAccessibleWidget(bar, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value && bar()->readout != nullptr) {
            return bar()->readout->text();
        }
        return QAccessibleWidget::text(kind);
    }
    QVariant currentValue() const override { return bar()->value(); }
    void setCurrentValue(const QVariant& value) override { bar()->setValue(value.toInt()); }
    QVariant maximumValue() const override { return bar()->maximum(); }
    QVariant minimumValue() const override { return bar()->minimum(); }
    QVariant minimumStepSize() const override { return bar()->singleStep(); }

  private:
    FocusScrollBar* bar() const { return static_cast<FocusScrollBar*>(widget()); }
};

QAccessibleInterface* AccessibleBarFor(const QString& /*className*/, QObject* object) {
    auto* bar = dynamic_cast<FocusScrollBar*>(object);
    return bar != nullptr ? new AccessibleBar(bar) : nullptr;
}

}  // namespace

QtWindow::QtWindow(SimulationState& state, QWidget* parent)
    : QWidget(parent),
      twipsPerPixel_(TwipsPerPixel()),
      surface_(Pixels(kDesignClientWidthTwips, twipsPerPixel_),
               Pixels(kDesignClientHeightTwips, twipsPerPixel_), twipsPerPixel_,
               DevicePixelRatio()),
      form_(state, surface_),
      graphs_(new GraphWindow(this)),
      pace_(form_.Timer1, SteadyMs) {
    setObjectName("zerkan");
    setWindowTitle(Zerkan::kCaption);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(Pixels(kDesignClientWidthTwips, twipsPerPixel_),
           Pixels(kDesignClientHeightTwips, twipsPerPixel_));
    surface_.setFont(font());

    // Stacked from the bottom: the check boxes' places, the buttons and bars,
    // the readouts, and the check boxes themselves on top, so that a readout
    // widened to its text never covers a box.
    std::vector<std::pair<CheckBox*, QCheckBox*>> boxes;
    for (CheckBox* model : {&form_.Check1, &form_.Check2, &form_.Check3}) {
        auto* box = new QCheckBox(QString::fromStdString(model->Caption()));
        boxes.emplace_back(model, box);
        checkBoxPlaces_.push_back(new CheckBoxPlace(this, box));
        checkBoxPlaces_.back()->setObjectName(QString::fromStdString(model->Name() + "Place"));
    }
    bindButton(form_.Command1, new QPushButton(this));
    bindButton(form_.Command2, new QPushButton(this));
    bindButton(form_.Command4, new QPushButton(this));
    bindButton(form_.Command3, new QPushButton(this));
    // Made once for the whole program: Qt asks every factory in turn.
    static const bool accessibleBars = (QAccessible::installFactory(AccessibleBarFor), true);
    static_cast<void>(accessibleBars);
    const std::pair<ScrollBar*, Label*> barsAndReadouts[] = {{&form_.POLTAX, &form_.Label1},
                                                             {&form_.vimaxrono, &form_.Label2},
                                                             {&form_.klimax, &form_.Label3}};
    for (const auto& [model, readout] : barsAndReadouts) {
        auto* bar = new FocusScrollBar(this);
        bindScrollBar(*model, bar);
        bar->readout = bindLabel(*readout, bar);
    }
    for (auto& [model, box] : boxes) {
        box->setParent(this);
        bindCheckBox(*model, box);
    }
    orderTabs();
    placeControls();
    bindTimer();
    describeForScreenReaders();
    bindShortcuts();

    // The graphs only buffer while closed; the charts follow when shown.
    form_.runStarted = [this](double referenceVy) { graphs_->startRun(referenceVy); };
    form_.tickDrawn = [this](const TickSample& sample) { graphs_->addSample(sample); };

    // Only the parts of the drawing that changed are copied to the screen, at
    // most once a screen refresh. A run's wake-up, itself once a refresh,
    // shows the picture of its ticks at once.
    const auto showChanges = [this] {
        const std::vector<PixelBox>& boxes = surface_.takeChangedBoxes();
        if (boxes.empty()) {
            return;
        }
        // The boxes come band by band, left to right within a band: each
        // rectangle joins the region's end without reworking it.
        const double ratio = surface_.devicePixelRatio();
        QRegion region;
        for (const PixelBox& box : boxes) {
            const int left = static_cast<int>(std::floor(box.left / ratio));
            const int top = static_cast<int>(std::floor(box.top / ratio));
            const int right = static_cast<int>(std::ceil((box.left + box.width) / ratio));
            const int bottom = static_cast<int>(std::ceil((box.top + box.height) / ratio));
            region += QRect(left, top, right - left, bottom - top);
        }
        update(region);
    };
    repaintTimer_.setSingleShot(true);
    repaintTimer_.setInterval(kRepaintIntervalMs);
    connect(&repaintTimer_, &QTimer::timeout, this, showChanges);
    connect(&runTimer_, &QTimer::timeout, this, [this, showChanges] {
        repaintTimer_.stop();
        showChanges();
    });
}

QtWindow::~QtWindow() {
    // The models outlive their widgets' hooks only until here.
    for (Control* control : form_.Controls()) {
        control->viewChanged = nullptr;
    }
    form_.runStarted = nullptr;
    form_.tickDrawn = nullptr;
}

QWidget* QtWindow::widgetFor(const Control& control) const {
    const auto controls = form_.Controls();
    const auto found = std::find(controls.begin(), controls.end(), &control);
    return found != controls.end() ? widgets_[static_cast<std::size_t>(found - controls.begin())]
                                   : nullptr;
}

void QtWindow::placeControls() {
    // The room each control's text needs, with the widget's own frame.
    std::array<NeededSize, kControlCount> needed{};
    for (std::size_t i = 0; i < kControlCount; ++i) {
        QWidget* widget = widgets_[i];
        if (widget == nullptr) {
            return;
        }
        if (i < kFirstBar) {
            const QString caption = static_cast<QPushButton*>(widget)->text();
            needed[i] = {widget->fontMetrics().horizontalAdvance(caption) + kButtonTextMargin, 0};
        } else if (i >= kFirstReadout && i < kFirstBox) {
            const QSize size = static_cast<ReadoutLabel*>(widget)->neededSize();
            needed[i] = {size.width(), size.height()};
        } else if (i >= kFirstBox) {
            const QSize hint = widget->sizeHint();
            needed[i] = {hint.width(), hint.height()};
        }
    }
    const ShownControls shown = LayOutControls(form_, twipsPerPixel_, needed, width(), height());
    const auto put = [](QWidget* widget, const PixelRect& r) {
        widget->setGeometry(r.left, r.top, r.width, r.height);
    };
    for (std::size_t i = 0; i < kControlCount; ++i) {
        put(i >= kFirstBox ? checkBoxPlaces_[i - kFirstBox] : widgets_[i], shown.place[i]);
    }
    for (std::size_t j = 0; j < shown.box.size(); ++j) {
        put(widgets_[kFirstBox + j], shown.box[j]);
    }
}

std::size_t QtWindow::indexOf(const Control& control) const {
    const auto controls = form_.Controls();
    return static_cast<std::size_t>(std::find(controls.begin(), controls.end(), &control) -
                                    controls.begin());
}

void QtWindow::bindButton(Button& model, QPushButton* widget) {
    widget->setObjectName(QString::fromStdString(model.Name()));
    widget->setText(QString::fromStdString(model.Caption()));
    model.viewChanged = [this, &model, widget] {
        widget->setText(QString::fromStdString(model.Caption()));
        placeControls();
    };
    connect(widget, &QPushButton::clicked, this,
            [this, &model] { dispatch([&] { model.Press(); }); });
    widgets_[indexOf(model)] = widget;
}

void QtWindow::bindScrollBar(ScrollBar& model, QScrollBar* widget) {
    widget->setObjectName(QString::fromStdString(model.Name()));
    // Range and design value go in before the change signal is connected: a
    // new bar's setRange already emits, and start-up must run no handler.
    widget->setRange(model.Min(), model.Max());
    widget->setSingleStep(model.SmallChange());
    widget->setPageStep(model.LargeChange());
    widget->setValue(model.Value());
    model.viewChanged = [this, &model, widget] {
        if (widget->value() != model.Value()) {
            const QSignalBlocker quiet(widget);
            widget->setValue(model.Value());
        }
        placeControls();
    };
    connect(widget, &QScrollBar::valueChanged, this,
            [this, &model](int value) { dispatch([&] { model.SetValue(value); }); });
    widgets_[indexOf(model)] = widget;
}

void QtWindow::bindCheckBox(CheckBox& model, QCheckBox* box) {
    box->setObjectName(QString::fromStdString(model.Name()));
    box->setChecked(model.Value() == 1);
    // The box and its caption stay legible over the drawing.
    box->setAutoFillBackground(true);
    QPalette white = box->palette();
    white.setColor(QPalette::Window, Qt::white);
    box->setPalette(white);
    model.viewChanged = [this, &model, box] {
        if (box->isChecked() != (model.Value() == 1)) {
            const QSignalBlocker quiet(box);
            box->setChecked(model.Value() == 1);
        }
        placeControls();
    };
    connect(box, &QCheckBox::toggled, this,
            [this, &model](bool checked) { dispatch([&] { model.SetValue(checked ? 1 : 0); }); });
    widgets_[indexOf(model)] = box;
}

QLabel* QtWindow::bindLabel(Label& model, QScrollBar* bar) {
    auto* label = new ReadoutLabel(this);
    label->setObjectName(QString::fromStdString(model.Name()));
    const std::size_t index = indexOf(model);
    // A screen reader hears the readout's text with what it means, and the
    // bar beside it gives the new text as its value.
    const auto show = [&model, label, bar, index] {
        label->setText(QString::fromStdString(model.Caption()));
        label->setAccessibleDescription(
            label->text() + QStringLiteral(". ") +
            QString::fromStdString(Description(index, FrontEnd::Window)));
        QAccessibleValueChangeEvent changed(bar, bar->value());
        QAccessible::updateAccessibility(&changed);
    };
    show();
    model.viewChanged = [this, show] {
        show();
        placeControls();
    };
    widgets_[index] = label;
    return label;
}

void QtWindow::orderTabs() {
    // Tab visits the controls in their designed order; a readout takes no
    // focus and is passed over.
    std::vector<std::pair<int, QWidget*>> order;
    const auto controls = form_.Controls();
    for (std::size_t i = 0; i < kControlCount; ++i) {
        if (controls[i]->TabIndex() >= 0 && widgets_[i]->focusPolicy() != Qt::NoFocus) {
            order.emplace_back(controls[i]->TabIndex(), widgets_[i]);
        }
    }
    std::sort(order.begin(), order.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1].second, order[i].second);
    }
    if (!order.empty()) {
        order.front().second->setFocus();
    }
}

void QtWindow::bindTimer() {
    // The Qt timer only wakes the form's run timer, which keeps the pace: a
    // wake-up raises every event that fell due since the last. The screen
    // shows at most one picture a refresh, so the window wakes once a
    // refresh rather than at every event, and copies the picture of the
    // ticks it raised at once (see the repaint timer); a thousand wake-ups
    // a second through the event loop cost more than the ticks themselves.
    runTimer_.setTimerType(Qt::PreciseTimer);
    pace_.changed = [this] {
        if (!pace_.running()) {
            runTimer_.stop();
        } else if (!runTimer_.isActive()) {
            runTimer_.start(kRepaintIntervalMs);
        }
    };
    connect(&runTimer_, &QTimer::timeout, this, [this] { pace_.wake(); });
}

void QtWindow::describeForScreenReaders() {
    for (std::size_t i = 0; i < kControlCount; ++i) {
        widgets_[i]->setAccessibleName(
            QString::fromUtf8(kControlWords[i].name.data(), kControlWords[i].name.size()));
        widgets_[i]->setAccessibleDescription(
            QString::fromStdString(Description(i, FrontEnd::Window)));
    }
    setAccessibleName(Zerkan::kCaption);
    setAccessibleDescription(
        QString::fromUtf8(kDrawingDescription.data(), kDrawingDescription.size()) +
        QStringLiteral(" Press F1 for the keyboard shortcuts."));
}

QString QtWindow::shortcutHelp() const {
    // A table, so that the keys and what they do line up in any font.
    QString html = QStringLiteral("<table cellspacing=\"2\">");
    for (const KeyHelpLine& line : KeyHelp(form_, FrontEnd::Window)) {
        html += QStringLiteral("<tr><td><b>%1</b>&nbsp;&nbsp;</td><td>%2</td></tr>")
                    .arg(QString::fromStdString(line.keys).toHtmlEscaped(),
                         QString::fromStdString(line.action).toHtmlEscaped());
    }
    return html + QStringLiteral("</table>");
}

void QtWindow::bindShortcuts() {
    // Every key works alike from this window and from the graph window,
    // whichever of the two is active; what a key opens opens over the window
    // it was pressed in.
    const auto add = [this](const QKeySequence& keys, const std::function<void(QWidget*)>& action) {
        for (QWidget* window : {static_cast<QWidget*>(this), static_cast<QWidget*>(graphs_)}) {
            auto* shortcut = new QShortcut(keys, window);
            shortcut->setContext(Qt::WindowShortcut);
            connect(shortcut, &QShortcut::activated, this, [action, window] { action(window); });
        }
    };
    const auto press = [this](Button& button) {
        return
            [this, &button](QWidget*) { qobject_cast<QPushButton*>(widgetFor(button))->click(); };
    };
    add(Qt::Key_F5, press(form_.Command1));
    add(Qt::Key_F6, press(form_.Command2));
    add(Qt::Key_F7, press(form_.Command3));
    add(Qt::Key_F8, press(form_.Command4));
    add(QKeySequence(Qt::CTRL | Qt::Key_G), [this](QWidget*) { toggleGraphs(); });
    add(Qt::Key_F1, [this](QWidget* from) {
        auto* help = new QMessageBox(QMessageBox::Information, QStringLiteral("ZORVA — keys"),
                                     shortcutHelp(), QMessageBox::Close, from);
        help->setTextFormat(Qt::RichText);
        help->setAttribute(Qt::WA_DeleteOnClose);
        help->show();
    });
    add(QKeySequence(Qt::CTRL | Qt::Key_E), [this](QWidget* from) {
        const QString path = QFileDialog::getSaveFileName(from, QStringLiteral("Save the drawing"),
                                                          QStringLiteral("zorva.png"),
                                                          QStringLiteral("PNG images (*.png)"));
        QString error;
        if (!path.isEmpty() && !savePicture(path, &error)) {
            QMessageBox::warning(from, QStringLiteral("ZORVA"), error);
        }
    });
    add(QKeySequence(Qt::CTRL | Qt::Key_D), [this](QWidget* from) {
        // The window keeps only the first ticks of a long run; the title says
        // so before the file is chosen.
        const QString path = QFileDialog::getSaveFileName(from, CsvDialogTitle(form_.Log()),
                                                          QStringLiteral("zorva-run.csv"),
                                                          QStringLiteral("CSV files (*.csv)"));
        QString error;
        if (!path.isEmpty() && !saveData(path, &error)) {
            QMessageBox::warning(from, QStringLiteral("ZORVA"), error);
        }
    });
}

void QtWindow::toggleGraphs() {
    if (graphs_->isVisible()) {
        graphs_->hide();
        return;
    }
    graphs_->show();
    graphs_->raise();
    graphs_->activateWindow();
}

QImage QtWindow::picture() {
    const QImage image = ImageOf(surface_);
    const qreal ratio = image.devicePixelRatio();
    QImage shown = image.copy(0, 0, std::min(image.width(), static_cast<int>(width() * ratio)),
                              std::min(image.height(), static_cast<int>(height() * ratio)));
    shown.setDevicePixelRatio(ratio);
    return shown;
}

bool QtWindow::savePicture(const QString& path, QString* error) {
    // Encoded from the drawing's own pixels: no copy of the picture is made.
    return SavePng(ImageOf(surface_, width(), height()), path, error);
}

bool QtWindow::saveData(const QString& path, QString* error) {
    return SaveCsv(form_.Log(), path, error);
}

void QtWindow::dispatch(const std::function<void()>& handler) {
    handler();
    scheduleRepaint();
}

void QtWindow::scheduleRepaint() {
    if (!repaintTimer_.isActive()) {
        repaintTimer_.start();
    }
}

void QtWindow::Move(double leftTwips, double topTwips) {
    move(Pixels(leftTwips, twipsPerPixel_), Pixels(topTwips, twipsPerPixel_));
}

void QtWindow::SetOuterSize(double widthTwips, double heightTwips) {
    const QSize outer(Pixels(widthTwips, twipsPerPixel_), Pixels(heightTwips, twipsPerPixel_));
    // The outer size includes the frame a window manager puts round the
    // client area, and that frame is known only once the window is on the
    // screen. So the window is shown first, at the outer size, and its client
    // area then made as much smaller as the frame needs: the client size read
    // next is the one the window keeps.
    if (!isVisible()) {
        resize(outer);
        show();
        QElapsedTimer waited;
        waited.start();
        while (windowHandle() != nullptr && !windowHandle()->isExposed() &&
               waited.elapsed() < kFrameWaitMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
    }
    const QSize frame = frameGeometry().size() - size();
    resize(std::max(outer.width() - frame.width(), 1),
           std::max(outer.height() - frame.height(), 1));
    surface_.Resize(width(), height());
}

double QtWindow::ScreenWidthTwips() const {
    const QScreen* s = screen();
    return (s != nullptr ? s->geometry().width() : width()) * twipsPerPixel_;
}

double QtWindow::ScreenHeightTwips() const {
    const QScreen* s = screen();
    return (s != nullptr ? s->geometry().height() : height()) * twipsPerPixel_;
}

void QtWindow::Show() {
    show();
    update();
}

void QtWindow::paintEvent(QPaintEvent* event) {
    ++repaints_;
    if (repaints_ == 1 && firstPainted) {
        // Told once the first frame is on its way to the screen; after this
        // event, as the copy below is what puts it there.
        QTimer::singleShot(0, this, [this] { firstPainted(); });
    }
    QPainter painter(this);
    // The retained image holds device pixels; the source rectangles are in
    // them, the targets in the window's logical pixels, so nothing is scaled
    // and the lines stay crisp on a high-density screen. The image covers the
    // client area; should it not (its memory could not grow), the rest is
    // white.
    const QImage image = ImageOf(surface_);
    const qreal ratio = image.isNull() ? 1.0 : image.devicePixelRatio();
    const QRect covered(0, 0, static_cast<int>(image.width() / ratio),
                        static_cast<int>(image.height() / ratio));
    for (const QRect& area : event->region()) {
        const QRect inside = area & covered;
        if (!inside.isEmpty()) {
            const QRectF source(inside.x() * ratio, inside.y() * ratio, inside.width() * ratio,
                                inside.height() * ratio);
            painter.drawImage(QRectF(inside), image, source);
        }
        if (inside != area) {
            for (const QRect& rest : QRegion(area).subtracted(inside)) {
                painter.fillRect(rest, Qt::white);
            }
        }
    }
    ClearUpperVectorState();
}

void QtWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    surface_.Resize(width(), height());
    placeControls();
    update();
}

void QtWindow::mousePressEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    const WorldPoint world = surface_.Frame().toWorld({at.x(), at.y()});
    const int button = static_cast<int>(event->button());
    const int shift = static_cast<int>(event->modifiers() >> 25);
    dispatch([&] {
        form_.MouseDown(button, shift, static_cast<float>(world.x), static_cast<float>(world.y));
    });
}

}  // namespace zorva
