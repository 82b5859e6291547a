#pragma once
// Names in the game folder that may lead to another file. The folder may be writable by users who
// are not administrators, while the program writes there with administrator rights: it does not
// write through a name that may have been planted as a link to a file elsewhere.
#include <cstdint>

namespace veyra {

// What the file system says of an opened name (opened as itself, not followed).
struct NameFacts {
    bool reparsePoint = false; // a symbolic link, junction or mount point
    std::uint32_t links = 1;   // the file's names; more than one means hard links
};

// True when writing through the name may change a file elsewhere: a reparse point, or a file
// with more than one name.
bool LeadsElsewhere(const NameFacts& facts);

} // namespace veyra
