# Build step: turns every file in FIXTURE_DIR into a byte array of OUTPUT (a C++ source), so the
# tests find their fixtures inside the test program, natively and under Wine alike.
# EXTRA_FILES (optional, separated by "|") adds files from elsewhere under their own names.
# Usage: cmake -DFIXTURE_DIR=<dir> -DOUTPUT=<file.cpp> [-DEXTRA_FILES=<a>|<b>] -P EmbedFixtures.cmake
file(GLOB files ${FIXTURE_DIR}/*)
if(EXTRA_FILES)
    string(REPLACE "|" ";" extra "${EXTRA_FILES}")
    list(APPEND files ${extra})
endif()
list(SORT files)
set(arrays "")
set(entries "")
set(number 0)
foreach(path IN LISTS files)
    get_filename_component(name ${path} NAME)
    file(READ ${path} hex HEX)
    string(LENGTH "${hex}" digits)
    if(digits EQUAL 0)
        message(FATAL_ERROR "empty fixture ${name}")
    endif()
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
    string(APPEND arrays "const std::uint8_t kFixture${number}[] = {\n    ${bytes}\n};\n")
    string(APPEND entries "    {\"${name}\", kFixture${number}, sizeof kFixture${number}},\n")
    math(EXPR number "${number} + 1")
endforeach()
file(WRITE ${OUTPUT}.new "// Generated from ${FIXTURE_DIR} at build time.
#include \"tests/native/Fixtures.h\"

namespace veyra::test {
namespace {
${arrays}
} // namespace

const EmbeddedFixture kEmbeddedFixtures[] = {
${entries}};
const std::size_t kEmbeddedFixtureCount = ${number};

} // namespace veyra::test
")
# Touch the output only when it changes.
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
