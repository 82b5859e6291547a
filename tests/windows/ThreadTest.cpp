#include "support/WinHandle_win.h"
#include "support/uThread_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>

namespace veyra {
namespace {

constexpr DWORD kPatienceMs = 10000;

UniqueHandle MakeEvent() {
    return UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

DWORD SystemExitCode(HANDLE thread) {
    DWORD code = 12345;
    EXPECT_TRUE(::GetExitCodeThread(thread, &code));
    return code;
}

TEST(ThreadTest, RunsTheProcedureWithItsObjectAndRecordsItsEnd) {
    const UniqueHandle inside = MakeEvent();
    const UniqueHandle release = MakeEvent();
    std::atomic<TThread*> given{nullptr};
    TThread thread(
        [&](TThread& self) {
            given = &self;
            ::SetEvent(inside.get());
            ::WaitForSingleObject(release.get(), kPatienceMs);
        },
        0);
    ASSERT_TRUE(thread.ThreadHandle());
    EXPECT_EQ(thread.ThreadID(), ::GetThreadId(thread.ThreadHandle()));

    ASSERT_EQ(::WaitForSingleObject(inside.get(), kPatienceMs), WAIT_OBJECT_0);
    EXPECT_EQ(given.load(), &thread);
    EXPECT_FALSE(thread.Terminated());
    EXPECT_EQ(thread.ExitCode(), 0u);

    ::SetEvent(release.get());
    ASSERT_EQ(::WaitForSingleObject(thread.ThreadHandle(), kPatienceMs), WAIT_OBJECT_0);
    EXPECT_TRUE(thread.Terminated());
    EXPECT_EQ(thread.ExitCode(), kThreadReturned);
    EXPECT_EQ(SystemExitCode(thread.ThreadHandle()), kThreadReturned);
}

TEST(ThreadTest, CreationFlagsAndDataReachTheThread) {
    std::atomic<bool> ran{false};
    std::atomic<void*> seen{nullptr};
    int marker = 0;
    TThread thread(
        [&](TThread& self) {
            seen = self.Data();
            ran = true;
        },
        CREATE_SUSPENDED);
    ASSERT_TRUE(thread.ThreadHandle());
    thread.SetData(&marker);
    EXPECT_EQ(::WaitForSingleObject(thread.ThreadHandle(), 100), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(ran);
    ASSERT_NE(::ResumeThread(thread.ThreadHandle()), static_cast<DWORD>(-1));
    ASSERT_EQ(::WaitForSingleObject(thread.ThreadHandle(), kPatienceMs), WAIT_OBJECT_0);
    EXPECT_TRUE(ran);
    EXPECT_EQ(seen.load(), &marker);
    EXPECT_EQ(thread.Data(), &marker);
}

TEST(ThreadTest, ProcedureThatRaisesStillEndsTheThread) {
    const std::function<void()> raisers[] = {
        [] { throw std::runtime_error("failed"); },
        [] { throw 42; }, // not derived from std::exception
    };
    for (const auto& raise : raisers) {
        TThread thread([&](TThread&) { raise(); }, 0);
        ASSERT_EQ(::WaitForSingleObject(thread.ThreadHandle(), kPatienceMs), WAIT_OBJECT_0);
        EXPECT_TRUE(thread.Terminated());
        EXPECT_EQ(thread.ExitCode(), kThreadRaised);
        EXPECT_EQ(SystemExitCode(thread.ThreadHandle()), kThreadRaised);
    }
}

TEST(ThreadTest, DestroyClosesTheHandleAndLeavesTheThreadRunning) {
    const UniqueHandle inside = MakeEvent();
    const UniqueHandle release = MakeEvent();
    std::atomic<bool> carriedOn{false};
    auto thread = std::make_unique<TThread>(
        [&](TThread&) {
            ::SetEvent(inside.get());
            ::WaitForSingleObject(release.get(), kPatienceMs);
            carriedOn = true;
        },
        0);
    ASSERT_EQ(::WaitForSingleObject(inside.get(), kPatienceMs), WAIT_OBJECT_0);
    // A handle of our own, to watch the thread after the object's is gone.
    HANDLE copy = nullptr;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), thread->ThreadHandle(),
                                  ::GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS));
    const UniqueHandle watched(copy);
    const HANDLE closed = thread->ThreadHandle();

    thread.reset();
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(closed, &flags));
    EXPECT_EQ(::WaitForSingleObject(watched.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    ::SetEvent(release.get());
    ASSERT_EQ(::WaitForSingleObject(watched.get(), kPatienceMs), WAIT_OBJECT_0);
    EXPECT_TRUE(carriedOn);
    EXPECT_EQ(SystemExitCode(watched.get()), kThreadReturned);
}

TEST(ThreadTest, SynchronizeFromTwoThreadsNeverOverlaps) {
    const UniqueHandle start = MakeEvent();
    std::atomic<int> inside{0};
    std::atomic<int> most{0};
    std::atomic<int> calls{0};
    const auto body = [&] {
        const int now = ++inside;
        if (now > most)
            most = now;
        ::Sleep(2); // long enough for the other thread to try to come in
        ++calls;
        --inside;
    };
    const auto procedure = [&](TThread&) {
        ::WaitForSingleObject(start.get(), kPatienceMs);
        for (int i = 0; i < 20; ++i)
            TThread::Synchronize(body);
    };
    TThread first(procedure, 0);
    TThread second(procedure, 0);
    ::SetEvent(start.get());
    const HANDLE both[] = {first.ThreadHandle(), second.ThreadHandle()};
    ASSERT_EQ(::WaitForMultipleObjects(2, both, TRUE, kPatienceMs), WAIT_OBJECT_0);
    EXPECT_EQ(calls, 40);
    EXPECT_EQ(most, 1);
}

TEST(ThreadTest, LockKeepsOthersOutUntilUnlock) {
    InitThreadModule();
    InitThreadModule(); // start-up may call it again: the same lock
    std::atomic<bool> entered{false};
    TThread::Lock();
    TThread other([&](TThread&) { TThread::Synchronize([&] { entered = true; }); }, 0);
    EXPECT_EQ(::WaitForSingleObject(other.ThreadHandle(), 200), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(entered);
    TThread::Unlock();
    ASSERT_EQ(::WaitForSingleObject(other.ThreadHandle(), kPatienceMs), WAIT_OBJECT_0);
    EXPECT_TRUE(entered);
}

TEST(ThreadTest, SynchronizeReleasesTheLockWhenTheProcedureRaises) {
    EXPECT_THROW(TThread::Synchronize([] { throw std::runtime_error("failed"); }),
                 std::runtime_error);
    // Another thread can take the lock now (this one could even if it still held it).
    std::atomic<bool> entered{false};
    TThread other([&](TThread&) { TThread::Synchronize([&] { entered = true; }); }, 0);
    ASSERT_EQ(::WaitForSingleObject(other.ThreadHandle(), kPatienceMs), WAIT_OBJECT_0);
    EXPECT_TRUE(entered);
}

} // namespace
} // namespace veyra
