// The registry of temporary files and the stop-signal handlers; see TemporaryFiles.h.
#include "kernel/TemporaryFiles.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <unistd.h>
#include <vector>

namespace orlenta {

namespace {

// The signal handler reads the registry while the program may be changing it, so it is
// built for that: fixed chunks of atomic pointers to immutable C strings. Chunks are
// allocated when needed and never freed; a string is freed only after its slot has been
// cleared. Up to ChunkCount * ChunkSize files (a batch of a few million lines).
constexpr std::size_t ChunkSize = 4096;
constexpr std::size_t ChunkCount = 1024;
using TChunk = std::array<std::atomic<const char*>, ChunkSize>;

std::array<std::atomic<TChunk*>, ChunkCount> Chunks{};

// Writers only: which slots are free, and the chunks' owners.
struct TRegistry {
    std::mutex Lock;
    std::vector<std::unique_ptr<TChunk>> Owned;
    std::vector<std::size_t> Free;
    std::size_t Next = 0; // slots below this have been used once
    std::size_t Count = 0;
};

TRegistry& Registry() {
    static TRegistry registry;
    return registry;
}

std::atomic<const char*>& Slot(std::size_t ticket) {
    return (*Chunks[ticket / ChunkSize].load(std::memory_order_acquire))[ticket % ChunkSize];
}

// The handshake between the handler and the threads that create, rename or unregister
// files (a "step"): a thread counts itself in Busy, then looks at Stopping; the handler
// sets Stopping, then waits until Busy is zero. Both sequentially consistent, so either
// the thread sees Stopping and never begins, or the handler sees the step and waits for
// it. A step makes system calls and atomic stores only: it never waits for a lock or the
// allocator, which the thread the handler interrupted may hold.
std::atomic<bool> Stopping{false};
std::atomic<int> Busy{0};

// How long the handler sleeps between looks at the steps under way.
constexpr long StepPollNanoseconds = 100'000;

sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&set, sig);
    return set;
}

// One step. The stop signals are held back from this thread meanwhile, so the handler
// never runs on a thread whose step it would wait for.
class TStep {
  public:
    TStep() {
        const sigset_t stop = StopSignals();
        pthread_sigmask(SIG_BLOCK, &stop, &Previous);
        Busy.fetch_add(1);
        if (Stopping.load()) {
            // The handler is removing the files and ends the program when done.
            Busy.fetch_sub(1);
            for (;;)
                ::pause();
        }
    }
    ~TStep() {
        const int savedErrno = errno; // the step's own system call set it for the caller
        Busy.fetch_sub(1);
        pthread_sigmask(SIG_SETMASK, &Previous, nullptr);
        errno = savedErrno;
    }
    TStep(const TStep&) = delete;
    TStep& operator=(const TStep&) = delete;

  private:
    sigset_t Previous;
};

// Puts a cleared slot back for reuse and frees its name; outside any step, as it locks
// and frees.
void Recycle(std::size_t ticket, const char* cleared) {
    const std::unique_ptr<const char[]> name(cleared);
    if (!name)
        return;
    TRegistry& r = Registry();
    const std::lock_guard lock(r.Lock);
    r.Free.push_back(ticket);
    --r.Count;
}

extern "C" void OnStopSignal(int sig) {
    const int savedErrno = errno;
    Stopping.store(true);
    while (Busy.load() != 0) {
        const timespec pause{0, StepPollNanoseconds};
        ::nanosleep(&pause, nullptr); // async-signal-safe
    }
    for (auto& chunk : Chunks) {
        TChunk* c = chunk.load(std::memory_order_acquire);
        if (!c)
            break;
        for (auto& slot : *c)
            if (const char* file = slot.load(std::memory_order_acquire))
                ::unlink(file); // async-signal-safe
    }
    // Only now does the signal get its default action back: a second one (Ctrl+C twice)
    // that reaches another thread meanwhile runs this handler there too, instead of
    // ending the program before the files are gone. Raised again, it ends the program
    // once this handler returns and unblocks it.
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(sig, &byDefault, nullptr); // async-signal-safe
    errno = savedErrno;
    ::raise(sig);
}

} // namespace

void InstallStopSignalCleanup() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = 0;
    action.sa_mask = StopSignals(); // one cleanup at a time on a thread
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        sigaction(sig, nullptr, &old);
        // A signal ignored by whoever started us (nohup) stays ignored.
        if (old.sa_handler != SIG_IGN)
            sigaction(sig, &action, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

std::size_t RegisterTemporary(const std::filesystem::path& file) {
    const std::string& name = file.native();
    auto copy = std::make_unique<char[]>(name.size() + 1);
    std::memcpy(copy.get(), name.c_str(), name.size() + 1);
    TRegistry& r = Registry();
    const std::lock_guard lock(r.Lock);
    std::size_t ticket;
    if (!r.Free.empty()) {
        ticket = r.Free.back();
        r.Free.pop_back();
    } else {
        if (r.Next == ChunkSize * ChunkCount)
            throw std::bad_alloc();
        ticket = r.Next++;
        if (ticket % ChunkSize == 0) {
            r.Owned.push_back(std::make_unique<TChunk>()); // slots start null
            Chunks[ticket / ChunkSize].store(r.Owned.back().get(), std::memory_order_release);
        }
    }
    // Outside a step: a handler that sees the name removes a file not yet there.
    Slot(ticket).store(copy.release(), std::memory_order_release);
    ++r.Count;
    return ticket;
}

void UnregisterTemporary(std::size_t ticket) {
    const char* cleared = nullptr;
    {
        const TStep step;
        cleared = Slot(ticket).exchange(nullptr);
    }
    Recycle(ticket, cleared);
}

std::size_t RegisteredTemporaries() {
    TRegistry& r = Registry();
    const std::lock_guard lock(r.Lock);
    return r.Count;
}

int CreateRegistered(const std::filesystem::path& file, int flags, unsigned mode) {
    const TStep step;
    return ::open(file.c_str(), flags, static_cast<mode_t>(mode));
}

int RenameRegistered(std::size_t ticket, const std::filesystem::path& from,
                     const std::filesystem::path& to) {
    const char* cleared = nullptr;
    {
        const TStep step;
        if (::rename(from.c_str(), to.c_str()) != 0)
            return -1;
        cleared = Slot(ticket).exchange(nullptr);
    }
    Recycle(ticket, cleared);
    return 0;
}

TStopSignalsDeferred::TStopSignalsDeferred() {
    const sigset_t stop = StopSignals();
    pthread_sigmask(SIG_BLOCK, &stop, &Previous);
}

TStopSignalsDeferred::~TStopSignalsDeferred() {
    pthread_sigmask(SIG_SETMASK, &Previous, nullptr);
}

} // namespace orlenta
