#include "update/OpenedFile.h"

#include "support/uCRC32.h"

namespace veyra {

std::uint32_t Crc32Of(OpenedFile& file) {
    Crc32Sink crc;
    file.ReadAll({&crc});
    return crc.Value();
}

} // namespace veyra
