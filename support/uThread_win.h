#pragma once
// The program's own worker thread: a thin owner of one operating-system thread that runs one
// procedure and records that it has finished, and the one process-wide lock the class exposes.
#include "support/WinHandle_win.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>

namespace veyra {

class TThread;

// What a thread runs; it receives the object that runs it. A std::function, so that the caller
// can hand its context over in a capture rather than through Data.
using TThreadProcedure = std::function<void(TThread& Thread)>;
using TSynchronizeProcedure = std::function<void()>;

// Exit codes of a thread: its procedure returned, or it raised (any exception).
constexpr DWORD kThreadReturned = 0;
constexpr DWORD kThreadRaised = 1;

// Creates the module's lock. Call once at program start-up, before anything else (it is
// idempotent; the lock is also created on first use). The lock lives until the program ends.
void InitThreadModule();

class TThread {
public:
    // Starts a thread (default stack size, `CreationFlags` as for CreateThread: 0 runs it at
    // once, CREATE_SUSPENDED waits for ResumeThread) that calls `ThreadProcedure` with this
    // object. When the procedure returns or raises, the thread records its exit code
    // (kThreadReturned or kThreadRaised), sets Terminated and ends with that code; nothing it
    // raises leaves the thread. If the system cannot create a thread, ThreadHandle is null.
    TThread(TThreadProcedure ThreadProcedure, DWORD CreationFlags);
    // Closes the thread handle without waiting for the thread or stopping it. The thread goes
    // on; from then on its procedure must not use the object it was given (a thread that had
    // not yet reached its procedure ends without calling it, as there is no object to pass).
    ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // False while the procedure runs, true once it has returned or raised. Readable from any
    // thread without the lock.
    bool Terminated() const { return FTerminated.load(); }
    HANDLE ThreadHandle() const { return FThreadHandle.get(); }
    DWORD ThreadID() const { return FThreadID; }
    // The recorded exit code; 0 until the procedure has finished.
    DWORD ExitCode() const { return FExitCode.load(); }
    // Free for the user; the thread itself never uses it.
    void* Data() const { return FData.load(); }
    void SetData(void* Data) { FData.store(Data); }

    // Calls `Procedure` on the calling thread while holding the module's lock, which is
    // released even when the procedure raises (the exception goes on to the caller). It does
    // not switch to the main thread.
    static void Synchronize(const TSynchronizeProcedure& Procedure);
    // Enter and leave the module's lock (a critical section: the owning thread may enter again).
    static void Lock();
    static void Unlock();

private:
    struct TLink;
    static unsigned __stdcall ThreadEntry(void* parameter);

    UniqueHandle FThreadHandle;
    DWORD FThreadID = 0;
    std::atomic<DWORD> FExitCode{0};
    std::atomic<bool> FTerminated{false};
    TThreadProcedure FExecute;
    std::atomic<void*> FData{nullptr};
    // Shared with the running thread, so that destroying the object first is safe: the thread
    // records its end in the object only while the object still exists.
    std::shared_ptr<TLink> FLink;
};

} // namespace veyra
