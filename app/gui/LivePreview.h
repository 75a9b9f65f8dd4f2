// Create while typing: the pause timer after each change of the inputs, and the rule that
// a Create due while one runs stops the running one and follows it, never queues behind it.
#pragma once

#include "kernel/Hooks.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

namespace orlenta {

// Who asked for a Create: the user (button, Enter, menu), who sees its messages in boxes,
// or the live preview, whose messages go to the status bar.
enum class TCreateKind { Explicit, Live };

class TLivePreview : public QObject {
    Q_OBJECT

  public:
    // Long enough to let a word be typed without a Create per key, short enough to read as
    // immediate.
    static constexpr int PauseMs = 150;

    // run: one Create of the kind, returning when it has ended. stop: asks a running Create
    // to end early (it clears RunFlag, as a Save does).
    TLivePreview(std::function<void(TCreateKind)> run, std::function<void()> stop,
                 QObject* parent = nullptr);

    // Off, no Create follows a change; the user's Creates run as before.
    void SetEnabled(bool on);

    // The inputs changed: a live Create follows once they rest for PauseMs (every change
    // starts the pause again).
    void InputChanged();

    // Runs a Create now. While one runs (Create hands control to the message loop, where
    // this can be called), the running one is stopped and one Create follows it, of the
    // user's kind if either was the user's; a second request meanwhile changes nothing. A
    // user's Create arriving while the user's own Create runs is ignored, as it always was.
    void Request(TCreateKind kind);

    // True from the start of a Create to its end, messages included.
    bool Running() const { return running.has_value(); }
    // True while a live Create runs.
    bool RunningLive() const { return running == TCreateKind::Live; }
    // The running Create has been stopped and another follows it: what it built is not
    // worth showing.
    bool Superseded() const { return next.has_value(); }
    // Forgets the Create due after the running one (the window is closing).
    void DropPending();

  signals:
    void Started(TCreateKind kind);
    void Finished(TCreateKind kind);
    // No Create runs any more, and none follows.
    void Idle();

  private:
    std::function<void(TCreateKind)> run;
    std::function<void()> stop;
    QTimer timer;
    bool enabled = false;
    std::optional<TCreateKind> running;
    std::optional<TCreateKind> next;
};

// While it lives, the notes Create would show in a message box go to note instead.
class TMessagesToNote {
  public:
    explicit TMessagesToNote(std::function<void(const QString&)> note);
    ~TMessagesToNote();
    TMessagesToNote(const TMessagesToNote&) = delete;
    TMessagesToNote& operator=(const TMessagesToNote&) = delete;

  private:
    MessageBoxHook previous;
};

} // namespace orlenta
