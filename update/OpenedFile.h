#pragma once
// A file held open from its check to its installation. It is opened sharing reading only, so
// while it is open nobody else can write, delete or rename it: the bytes read from it are the
// bytes that take the launcher's name.
#include "support/ByteSink.h"

#include <cstdint>
#include <initializer_list>
#include <string>

namespace veyra {

// The outcome of one file step.
struct FileStep {
    bool ok = false;
    bool transient = false;       // a sharing violation or denied access, which a scanner may cause
    unsigned long systemCode = 0; // the system's error code of a failure, 0 when there is none
};

class OpenedFile {
public:
    virtual ~OpenedFile() = default; // closes the file
    // True when this handle can flush the file and rename it: it was opened with those rights,
    // and the file has no second name (a hard link) through which it could change once installed.
    virtual bool Installable() const = 0;
    // Reads the whole content once, from the start, handing each block to every sink in order.
    // Raises IoError.
    virtual void ReadAll(std::initializer_list<ByteSink*> sinks) = 0;
    // Writes the file's data through to the disk: a rename does not, and a power cut after a
    // journaled rename could leave the name without the data.
    virtual FileStep Flush() = 0;
    // Gives the opened file the name `target` (relative to the current directory, or a full
    // path), replacing a file of that name in one step.
    virtual FileStep RenameTo(const std::wstring& target) = 0;
};

// The CRC-32 of the opened file's whole content; raises IoError.
std::uint32_t Crc32Of(OpenedFile& file);

} // namespace veyra
