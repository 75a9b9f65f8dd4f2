// The registry of temporary files and the stop-signal handlers; see TemporaryFiles.h.
#include "kernel/TemporaryFiles.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <mutex>
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

extern "C" void OnStopSignal(int sig) {
    const int savedErrno = errno;
    for (auto& chunk : Chunks) {
        TChunk* c = chunk.load(std::memory_order_acquire);
        if (!c)
            break;
        for (auto& slot : *c)
            if (const char* file = slot.load(std::memory_order_acquire))
                ::unlink(file); // async-signal-safe
    }
    errno = savedErrno;
    // The handler was installed with SA_RESETHAND: the signal, raised again, ends the
    // program once this handler returns and unblocks it.
    ::raise(sig);
}

} // namespace

void InstallStopSignalCleanup() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&action.sa_mask, sig); // one cleanup at a time
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
    Slot(ticket).store(copy.release(), std::memory_order_release);
    ++r.Count;
    return ticket;
}

void UnregisterTemporary(std::size_t ticket) {
    TRegistry& r = Registry();
    const std::lock_guard lock(r.Lock);
    const std::unique_ptr<const char[]> name(Slot(ticket).exchange(nullptr));
    if (!name)
        return;
    r.Free.push_back(ticket);
    --r.Count;
}

std::size_t RegisteredTemporaries() {
    TRegistry& r = Registry();
    const std::lock_guard lock(r.Lock);
    return r.Count;
}

} // namespace orlenta
