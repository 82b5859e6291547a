#include "support/uLogSystem_win.h"

#include "support/Files_win.h"
#include "support/IoError.h"
#include "support/LinkSafety.h"
#include "support/LocalClock_win.h"
#include "support/NarrowText_win.h"
#include "support/WinHandle_win.h"

#include <windows.h>

namespace veyra {
namespace {

std::wstring LocaleText(LCTYPE type) {
    wchar_t buffer[128]; // designators and separators are far shorter
    const int length = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 128);
    return length > 0 ? std::wstring(buffer, static_cast<std::size_t>(length - 1)) : std::wstring{};
}

bool LocaleFlag(LCTYPE type) {
    return LocaleText(type) == L"1";
}

// Positions at `offset` from the start; true on success.
bool Seek(HANDLE file, std::uint64_t offset) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    return ::SetFilePointerEx(file, position, nullptr, FILE_BEGIN) != 0;
}

// Cuts the open log at its end-of-file mark, if its last bytes hold one, and returns the offset
// where new text goes: the file's (new) end. Nothing when the file cannot be read or cut.
std::optional<std::uint64_t> CutAtEndOfFileMark(HANDLE file) {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file, &size))
        return std::nullopt;
    const auto fileSize = static_cast<std::uint64_t>(size.QuadPart);
    const std::uint64_t windowSize =
        fileSize < kEndOfFileMarkWindow ? fileSize : kEndOfFileMarkWindow;
    char tail[kEndOfFileMarkWindow];
    DWORD filled = 0;
    if (!Seek(file, fileSize - windowSize))
        return std::nullopt;
    while (filled < windowSize) {
        DWORD read = 0;
        if (!::ReadFile(file, tail + filled, static_cast<DWORD>(windowSize - filled), &read,
                        nullptr))
            return std::nullopt;
        if (read == 0)
            break; // shrunk meanwhile: look at what is there
        filled += read;
    }
    const auto cut =
        EndOfFileMarkCut(fileSize - windowSize + filled, std::string_view(tail, filled));
    const std::uint64_t end = cut ? *cut : fileSize - windowSize + filled;
    if (!Seek(file, end))
        return std::nullopt;
    if (cut && !::SetEndOfFile(file))
        return std::nullopt;
    return end;
}

// Whether the opened name may lead to a file elsewhere (a planted link); unknown counts as such.
bool MayLeadElsewhere(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!::GetFileInformationByHandle(file, &information))
        return true;
    return LeadsElsewhere({(information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0,
                           information.nNumberOfLinks});
}

[[noreturn]] void Raise(const char* what, DWORD code) {
    throw IoError(std::string("error log: ") + what, code);
}

} // namespace

LogLocale ReadLogLocale() {
    LogLocale locale;
    locale.dateSeparator = LocaleText(LOCALE_SDATE);
    locale.timeSeparator = LocaleText(LOCALE_STIME);
    locale.leadingZeroInHours = LocaleFlag(LOCALE_ITLZERO);
    locale.clock24 = LocaleFlag(LOCALE_ITIME);
    locale.amDesignator = LocaleText(LOCALE_S1159);
    locale.pmDesignator = LocaleText(LOCALE_S2359);
    locale.designatorBeforeTime = LocaleFlag(LOCALE_ITIMEMARKPOSN);
    return locale;
}

void AppendLogLine(const std::wstring& path, std::wstring_view message) {
    if (!FileExists(path)) {
        // OPEN_ALWAYS rather than CREATE_ALWAYS: a log that appeared meanwhile is not emptied.
        // A reparse point is opened as itself, never followed.
        const UniqueHandle created = AdoptFileHandle(
            ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!created)
            Raise("cannot create the file", ::GetLastError());
    }

    // Others may only read while we append. A failure to open is reported at the write. The
    // name is opened as itself; one that may lead to a file elsewhere (a link a user planted in
    // the game folder) is not written with administrator rights: that is a failed write.
    UniqueHandle file = AdoptFileHandle(::CreateFileW(
        path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    DWORD openError = file ? ERROR_SUCCESS : ::GetLastError();
    if (file && MayLeadElsewhere(file.get())) {
        file.reset();
        openError = ERROR_ACCESS_DENIED;
    }
    std::optional<std::uint64_t> end;
    if (file) {
        end = CutAtEndOfFileMark(file.get());
        if (!end) {
            openError = ::GetLastError();
            file.reset();
        }
    }

    const LogLocale locale = ReadLogLocale();
    const ClockReading dateReading = ReadLocalClock();
    const ClockReading timeReading = ReadLocalClock();
    const std::string bytes =
        Narrow(FormatLogLine(dateReading, timeReading, locale, message), CP_ACP);

    if (!file)
        Raise("file not open for output", openError);
    DWORD written = 0;
    const BOOL wrote =
        ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    if (!wrote || written != bytes.size()) {
        const DWORD error = wrote ? ERROR_HANDLE_DISK_FULL : ::GetLastError();
        // Take back a partial line so that the next entry starts on a line of its own.
        if (Seek(file.get(), *end))
            ::SetEndOfFile(file.get());
        Raise("cannot write the file", error);
    }
    if (!CloseChecked(file))
        Raise("cannot close the file", ::GetLastError());
}

void WriteLog(std::wstring_view message) {
    AppendLogLine(ProgramDirectory() + kLogFileName, message);
}

} // namespace veyra
