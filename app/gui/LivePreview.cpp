// The live preview's scheduling; see LivePreview.h.
#include "app/gui/LivePreview.h"

#include <utility>

namespace orlenta {

namespace {

// While it lives, every pass of the message loop is followed by after.
class TPumpThen {
  public:
    explicit TPumpThen(std::function<void()> after) {
        previous = SetMessagePumpHook({});
        SetMessagePumpHook([outer = previous, after = std::move(after)] {
            if (outer)
                outer();
            after();
        });
    }
    ~TPumpThen() { SetMessagePumpHook(std::move(previous)); }
    TPumpThen(const TPumpThen&) = delete;
    TPumpThen& operator=(const TPumpThen&) = delete;

  private:
    MessagePumpHook previous;
};

} // namespace

TLivePreview::TLivePreview(std::function<void(TCreateKind)> runCreate,
                           std::function<void()> stopCreate, QObject* parent)
    : QObject(parent), run(std::move(runCreate)), stop(std::move(stopCreate)) {
    timer.setSingleShot(true);
    timer.setInterval(PauseMs);
    connect(&timer, &QTimer::timeout, this, [this] { Request(TCreateKind::Live); });
}

void TLivePreview::SetEnabled(bool on) {
    enabled = on;
    if (!on)
        timer.stop();
}

void TLivePreview::InputChanged() {
    if (enabled)
        timer.start();
}

void TLivePreview::DropPending() {
    timer.stop();
    next.reset();
}

void TLivePreview::Request(TCreateKind kind) {
    // The user's Create covers every change so far.
    if (kind == TCreateKind::Explicit)
        timer.stop();
    if (running) {
        if (kind == TCreateKind::Explicit && *running == TCreateKind::Explicit)
            return;
        const bool users = kind == TCreateKind::Explicit || *running == TCreateKind::Explicit ||
                           next == TCreateKind::Explicit;
        next = users ? TCreateKind::Explicit : TCreateKind::Live;
        stop();
        return;
    }
    // One Create at a time on this stack frame: a request made while it runs (from the
    // message loop it hands control to) is answered here when it ends, never by recursion.
    std::optional<TCreateKind> current = kind;
    while (current) {
        running = current;
        next.reset();
        emit Started(*current);
        {
            // Create sets RunFlag before its toolpath build, which would undo a stop asked
            // for while it was laying out the text: the stop is asked again at every pump.
            const TPumpThen keepStopped([this] {
                if (next)
                    stop();
            });
            run(*current);
        }
        emit Finished(*current);
        current = std::exchange(next, std::nullopt);
    }
    running.reset();
    emit Idle();
}

TMessagesToNote::TMessagesToNote(std::function<void(const QString&)> note) {
    previous = SetMessageBoxHook(
        [note = std::move(note)](const std::string& text) { note(QString::fromStdString(text)); });
}

TMessagesToNote::~TMessagesToNote() {
    SetMessageBoxHook(std::move(previous));
}

} // namespace orlenta
