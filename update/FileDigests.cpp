#include "update/FileDigests.h"

#include "support/uCRC32.h"

#include <memory>

namespace veyra {
namespace {

class LengthSink final : public ByteSink {
public:
    void Take(const unsigned char*, std::size_t size) override { length += size; }
    std::uint64_t length = 0;
};

} // namespace

FileDigests ReadDigests(OpenedFile& file, SignatureVerifier* sha256From) {
    Crc32Sink crc;
    LengthSink length;
    FileDigests digests;
    if (sha256From) {
        const std::unique_ptr<Sha256Sink> sha = sha256From->NewSha256();
        file.ReadAll({&crc, &length, sha.get()});
        digests.sha256 = sha->Finish();
    } else {
        file.ReadAll({&crc, &length});
    }
    digests.crc32 = crc.Value();
    digests.length = length.length;
    return digests;
}

bool SameBytes(const FileDigests& accepted, const FileDigests& copy) {
    return accepted.crc32 == copy.crc32 && accepted.length == copy.length &&
           (!accepted.sha256 || copy.sha256 == accepted.sha256);
}

} // namespace veyra
