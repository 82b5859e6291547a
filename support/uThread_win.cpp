#include "support/uThread_win.h"

#include <process.h>

namespace veyra {
namespace {

// The module's one process-wide lock: created at start-up, deleted at program end.
class ModuleLock {
public:
    ModuleLock() { ::InitializeCriticalSection(&section_); }
    ~ModuleLock() { ::DeleteCriticalSection(&section_); }
    ModuleLock(const ModuleLock&) = delete;
    ModuleLock& operator=(const ModuleLock&) = delete;
    void Enter() { ::EnterCriticalSection(&section_); }
    void Leave() { ::LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

ModuleLock& TheModuleLock() {
    static ModuleLock lock;
    return lock;
}

// Holds the module's lock for one scope.
class ModuleLockScope {
public:
    ModuleLockScope() { TThread::Lock(); }
    ~ModuleLockScope() { TThread::Unlock(); }
    ModuleLockScope(const ModuleLockScope&) = delete;
    ModuleLockScope& operator=(const ModuleLockScope&) = delete;
};

// An SRW lock never fails or throws, which the thread entry relies on.
class ExclusiveScope {
public:
    explicit ExclusiveScope(SRWLOCK& lock) : lock_(lock) { ::AcquireSRWLockExclusive(&lock_); }
    ~ExclusiveScope() { ::ReleaseSRWLockExclusive(&lock_); }
    ExclusiveScope(const ExclusiveScope&) = delete;
    ExclusiveScope& operator=(const ExclusiveScope&) = delete;

private:
    SRWLOCK& lock_;
};

} // namespace

struct TThread::TLink {
    SRWLOCK guard = SRWLOCK_INIT;
    TThread* owner; // null once the object is destroyed
    explicit TLink(TThread* thread) : owner(thread) {}
};

void InitThreadModule() {
    TheModuleLock();
}

TThread::TThread(TThreadProcedure ThreadProcedure, DWORD CreationFlags)
    : FExecute(std::move(ThreadProcedure)), FLink(std::make_shared<TLink>(this)) {
    // _beginthreadex rather than CreateThread: the procedure uses the C run-time library
    // (exceptions, strings, streams), whose per-thread state it sets up and frees.
    auto handed = std::make_unique<std::shared_ptr<TLink>>(FLink);
    unsigned id = 0;
    const auto handle =
        ::_beginthreadex(nullptr, 0, &TThread::ThreadEntry, handed.get(), CreationFlags, &id);
    if (handle == 0)
        return;
    handed.release(); // the thread owns it now
    FThreadHandle.reset(reinterpret_cast<HANDLE>(handle));
    FThreadID = id;
}

TThread::~TThread() {
    ExclusiveScope scope(FLink->guard);
    FLink->owner = nullptr;
    // FThreadHandle closes the handle; the thread itself is left alone.
}

unsigned __stdcall TThread::ThreadEntry(void* parameter) {
    const std::unique_ptr<std::shared_ptr<TLink>> handed(
        static_cast<std::shared_ptr<TLink>*>(parameter));
    TLink& link = **handed;

    DWORD code = kThreadRaised;
    try {
        TThread* self = nullptr;
        // A copy of its own: the object (and FExecute in it) may be destroyed while it runs.
        TThreadProcedure procedure;
        {
            ExclusiveScope scope(link.guard);
            self = link.owner;
            if (self) {
                self->FTerminated = false;
                procedure = self->FExecute;
            }
        }
        if (self)
            procedure(*self);
        code = kThreadReturned;
    } catch (...) {
        // Nothing leaves the thread: a failure only shows in the exit code.
    }

    ExclusiveScope scope(link.guard);
    if (link.owner) {
        link.owner->FExitCode = code;
        link.owner->FTerminated = true;
    }
    // Returning ends the thread with this code (the run-time library calls _endthreadex) after
    // the locals here are destroyed.
    return code;
}

void TThread::Synchronize(const TSynchronizeProcedure& Procedure) {
    const ModuleLockScope scope;
    Procedure();
}

void TThread::Lock() {
    TheModuleLock().Enter();
}

void TThread::Unlock() {
    TheModuleLock().Leave();
}

} // namespace veyra
