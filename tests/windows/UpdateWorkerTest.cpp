// The update's worker thread: COM is initialised on it, as on the main thread, because the shell
// may hand the launcher's start to extensions that need it.
#include "update/uM_win.h"

#include "support/WinHandle_win.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace veyra {
namespace {

TEST(UpdateWorkerTest, TheWorkerRunsWithComInitialised) {
    const UniqueHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(done);
    HRESULT again = E_FAIL;
    DWORD workerThread = 0;
    ASSERT_TRUE(StartWorkerThread([&] {
        workerThread = ::GetCurrentThreadId();
        // S_FALSE: COM was initialised on this thread already, as a single-threaded apartment.
        again = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(again))
            ::CoUninitialize();
        ::SetEvent(done.get());
    }));
    ASSERT_EQ(::WaitForSingleObject(done.get(), 5000), WAIT_OBJECT_0);
    EXPECT_NE(workerThread, ::GetCurrentThreadId());
    EXPECT_EQ(again, S_FALSE);
}

} // namespace
} // namespace veyra
