#pragma once
// Opening "temp.data" for its check: the one handle through which it is read and, where it can
// be, installed.
#include "update/UpdateFileSystem.h"

#include <memory>
#include <string>

namespace veyra {

// Clears the file's read-only attribute, then opens it to install it. Where another program holds
// it sharing reading only (a scanner), it is opened for reading: the check reads it, and the swap
// installs a checked copy instead. Where the file cannot be opened even so (a program holds it
// open for writing, or lets nobody read it) the open is tried again for about a second, then
// raises IoError, as any other failure to open it does.
std::unique_ptr<OpenedFile> OpenUpdateForCheck(UpdateFileSystem& files, const std::wstring& name);

} // namespace veyra
