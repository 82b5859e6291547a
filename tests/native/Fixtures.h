#pragma once
// The files of tests/fixtures/images, built into the test program (natively and for Wine).
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace veyra::test {

struct EmbeddedFixture {
    const char* name;
    const std::uint8_t* data;
    std::size_t size;
};
extern const EmbeddedFixture kEmbeddedFixtures[];
extern const std::size_t kEmbeddedFixtureCount;

// The bytes of the fixture file `name` (for example "frames.gif"); empty when there is none.
inline std::span<const std::uint8_t> Fixture(std::string_view name) {
    for (std::size_t i = 0; i < kEmbeddedFixtureCount; ++i)
        if (name == kEmbeddedFixtures[i].name)
            return {kEmbeddedFixtures[i].data, kEmbeddedFixtures[i].size};
    return {};
}

} // namespace veyra::test
