#include "platform/qt/QtDialog.h"

#include <QCloseEvent>
#include <QCursor>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QToolTip>
#include <algorithm>

#include "platform/qt/QtModals.h"
#include "platform/qt/QtPainter.h"
#include "platform/qt/QtUpDown.h"

namespace corvid::window::qt {

QtDialog::QtDialog(const DialogTemplate& layout, DialogHandler& handler, QtEnvironment& environment,
                   QWidget* owner)
    : QDialog(owner), handler(handler), environment(environment), windowMenu(this) {
    setModal(true);
    Build(layout);
}

QtDialog::~QtDialog() {
    phase = Phase::FINISHED;
    timers.clear();
    // The widgets go before the control objects that their signals call.
    for (const auto& control : controls) {
        delete &control->Widget();
    }
}

void QtDialog::IndexControls() {
    index.clear();
    index.reserve(controls.size());
    for (const auto& control : controls) {
        Control& face = control->Interface();
        index.push_back({face.Id(),
                         control.get(),
                         {dynamic_cast<Button*>(&face), dynamic_cast<Edit*>(&face),
                          dynamic_cast<StaticText*>(&face), dynamic_cast<ScrollBar*>(&face),
                          dynamic_cast<UpDown*>(&face), dynamic_cast<ListView*>(&face)}});
    }
    std::stable_sort(
        index.begin(), index.end(),
        [](const IndexedControl& left, const IndexedControl& right) { return left.id < right.id; });
}

std::span<const IndexedControl> QtDialog::ControlsWithId(int id) const {
    const auto first = std::partition_point(
        index.begin(), index.end(), [id](const IndexedControl& entry) { return entry.id < id; });
    const auto last = std::partition_point(
        first, index.end(), [id](const IndexedControl& entry) { return entry.id == id; });
    return {first, last};
}

template <typename Kind>
Kind* QtDialog::Find(int id) {
    for (const IndexedControl& entry : ControlsWithId(id)) {
        if (Kind* found = std::get<Kind*>(entry.interfaces)) {
            return found;
        }
    }
    return nullptr;
}

QtControl* QtDialog::FindControl(int id) const {
    const std::span<const IndexedControl> found = ControlsWithId(id);
    return found.empty() ? nullptr : found.front().control;
}

Button* QtDialog::GetButton(int id) {
    return Find<Button>(id);
}

Edit* QtDialog::GetEdit(int id) {
    return Find<Edit>(id);
}

StaticText* QtDialog::GetStatic(int id) {
    return Find<StaticText>(id);
}

ScrollBar* QtDialog::GetScrollBar(int id) {
    return Find<ScrollBar>(id);
}

UpDown* QtDialog::GetUpDown(int id) {
    return Find<UpDown>(id);
}

ListView* QtDialog::GetListView(int id) {
    return Find<ListView>(id);
}

void QtDialog::Initialize() {
    phase = Phase::INITIALIZING;
    bool focusFirst = false;
    {
        HandlerTiming timing(environment.stopwatch, "OnInitDialog");
        focusFirst = handler.OnInitDialog(*this);
    }
    if (endCode) {
        return;
    }
    phase = Phase::RUNNING;
    show();
    if (focusFirst) {
        FocusFirstTabStop();
    }
}

void QtDialog::FocusFirstTabStop() {
    for (const auto& control : controls) {
        QWidget& widget = control->Widget();
        if (widget.focusPolicy() & Qt::TabFocus && widget.isEnabled() && widget.isVisibleTo(this)) {
            widget.setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void QtDialog::RunModalLoop() {
    if (endCode || phase == Phase::FINISHED) {
        return;
    }
    QEventLoop loop;
    modalLoop = &loop;
    ModalPause pause(environment.stopwatch);
    loop.exec(QEventLoop::DialogExec);
    modalLoop = nullptr;
}

void QtDialog::Finish() {
    if (phase == Phase::FINISHED) {
        return;
    }
    timers.clear();
    hide();
    MessageParams destroy;
    destroy.message = WM_DESTROY;
    {
        HandlerTiming timing(environment.stopwatch, MessageLabel(destroy));
        handler.OnMessage(destroy);
    }
    phase = Phase::FINISHED;
}

MessageResult QtDialog::Send(const MessageParams& message) {
    if (phase == Phase::FINISHED || phase == Phase::BUILT) {
        return std::nullopt;
    }
    MessageResult result;
    {
        HandlerTiming timing(environment.stopwatch, MessageLabel(message));
        result = handler.OnMessage(message);
    }
    if (!result) {
        ApplyDefaultHandling(message);
    }
    return result;
}

void QtDialog::ApplyDefaultHandling(const MessageParams& message) {
    switch (message.message) {
        case WM_CLOSE:
            SendCommand(IDCANCEL);
            break;
        case WM_SYSCOMMAND:
            DefaultSystemCommand(message.systemCommand);
            break;
        case WM_COMMAND:
            if (message.code == BN_CLICKED &&
                (message.controlId == IDOK || message.controlId == IDCANCEL)) {
                EndDialog(message.controlId);
            }
            break;
        case WM_ERASEBKGND:
            if (auto* painter = dynamic_cast<QtPainter*>(message.painter)) {
                painter->Fill(rect(), palette().brush(QPalette::Window));
            }
            break;
        default:
            break;
    }
}

void QtDialog::SendCommand(int id) {
    MessageParams command;
    command.message = WM_COMMAND;
    command.code = BN_CLICKED;
    command.controlId = id;
    Send(command);
}

void QtDialog::SendSystemCommand(int command) {
    MessageParams params;
    params.message = WM_SYSCOMMAND;
    params.systemCommand = command;
    Send(params);
}

void QtDialog::EndDialog(int result) {
    endCode = result;
    timers.clear();
    if (modalLoop != nullptr) {
        modalLoop->exit(result);
    }
}

void QtDialog::PostMciNotify(MciNotifyCode code) {
    QMetaObject::invokeMethod(
        this,
        [this, code] {
            if (endCode) {
                return;
            }
            MessageParams notice;
            notice.message = MM_MCINOTIFY;
            notice.mciCode = code;
            Send(notice);
        },
        Qt::QueuedConnection);
}

void QtDialog::SetTimer(int id, int periodMilliseconds) {
    if (endCode || phase == Phase::FINISHED) {
        return;
    }
    timers[id].running.reset();
    timers[id].running = environment.timers.Start(*this, id, periodMilliseconds);
}

void QtDialog::KillTimer(int id) {
    timers.erase(id);
}

void QtDialog::OnTimerTick(const TimerTickEvent& tick) {
    const auto timer = timers.find(tick.timerId);
    // A tick still queued from a timer that was stopped or started anew.
    if (timer == timers.end() || timer->second.running->Serial() != tick.serial) {
        return;
    }
    MessageParams params;
    params.message = WM_TIMER;
    params.timerId = tick.timerId;
    Send(params);
}

bool QtDialog::event(QEvent* event) {
    if (event->type() == TimerTickEvent::TYPE) {
        OnTimerTick(static_cast<const TimerTickEvent&>(*event));
        return true;
    }
    return QDialog::event(event);
}

int QtDialog::ControlIdOf(const QObject* object) const {
    for (; object != nullptr && object != this; object = object->parent()) {
        const QVariant id = object->property(CONTROL_ID);
        if (id.isValid()) {
            return id.toInt();
        }
    }
    return 0;
}

bool QtDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && toolTipsEnabled) {
        const int id = ControlIdOf(watched);
        if (id == 0 || id == UNADDRESSED_CONTROL_ID) {
            return false;
        }
        ToolTipRequest request;
        MessageParams params;
        params.message = WM_NOTIFY;
        params.code = TTN_NEEDTEXT;
        params.controlId = id;
        params.toolTip = &request;
        Send(params);
        auto* help = static_cast<QHelpEvent*>(event);
        if (request.text.empty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), FromUtf8(request.text),
                               qobject_cast<QWidget*>(watched));
        }
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const QVariant upDownId = watched->property(UP_DOWN_OF_BUDDY);
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (upDownId.isValid() && (key == Qt::Key_Up || key == Qt::Key_Down)) {
            if (auto* upDown = dynamic_cast<QtUpDown*>(Find<UpDown>(upDownId.toInt()))) {
                upDown->Step(key == Qt::Key_Up);
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void QtDialog::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) {
        QDialog::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            const bool useDefault =
                defaultButton != nullptr && defaultButton->Interface().IsEnabled();
            SendCommand(useDefault ? defaultButton->Interface().Id() : IDOK);
            return;
        }
        case Qt::Key_Escape:
            SendCommand(IDCANCEL);
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void QtDialog::reject() {
    SendCommand(IDCANCEL);
}

void QtDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    MessageParams close;
    close.message = WM_CLOSE;
    Send(close);
}

void QtDialog::paintEvent(QPaintEvent* /*event*/) {
    QPainter qtPainter(this);
    QtPainter painter(qtPainter, environment.images);
    MessageParams erase;
    erase.message = WM_ERASEBKGND;
    erase.painter = &painter;
    Send(erase);
    MessageParams paint;
    paint.message = WM_PAINT;
    paint.painter = &painter;
    Send(paint);
}

void QtDialog::Invalidate() {
    update();
}

int QtDialog::FocusedControlId() const {
    const int id = ControlIdOf(focusWidget());
    return id == UNADDRESSED_CONTROL_ID ? 0 : id;
}

Point QtDialog::CursorPositionIn(int id) const {
    QtControl* control = FindControl(id);
    if (control == nullptr) {
        return {};
    }
    const QWidget& widget = control->Widget();
    const QPoint client = widget.mapFromGlobal(QCursor::pos()) - widget.contentsRect().topLeft();
    return Point{client.x(), client.y()};
}

void QtDialog::EnableToolTips() {
    if (toolTipsEnabled) {
        return;
    }
    toolTipsEnabled = true;
    for (const auto& control : controls) {
        QWidget& widget = control->Widget();
        widget.installEventFilter(this);
        for (QWidget* child : widget.findChildren<QWidget*>()) {
            child->installEventFilter(this);
        }
    }
}

MessageBoxAnswer QtDialog::ShowMessageBox(std::string_view text, MessageBoxButtons buttons) {
    return RunMessageBox(this, environment, text, buttons);
}

std::optional<std::string> QtDialog::ShowFileDialog(const FileDialogRequest& request) {
    return RunFileDialog(this, environment, request);
}

}  // namespace corvid::window::qt
