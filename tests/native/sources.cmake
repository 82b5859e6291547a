# The unit tests of the portable code, one group per folder: built natively and into the Windows
# test program alike. Each group is compiled against its folder's library only (and the test
# headers), so a test sees no more of the program than the code it tests.
set(VEYRA_TESTS ${CMAKE_CURRENT_LIST_DIR})
set(VEYRA_SUPPORT_TEST_SOURCES
    ${VEYRA_TESTS}/support/BridgeTest.cpp
    ${VEYRA_TESTS}/support/HexDigitsTest.cpp
    ${VEYRA_TESTS}/support/LinkSafetyTest.cpp
    ${VEYRA_TESTS}/support/ProgramDirectoryTest.cpp
    ${VEYRA_TESTS}/support/uCRC32Test.cpp
    ${VEYRA_TESTS}/support/uLogSystemTest.cpp
    ${VEYRA_TESTS}/support/uRunTest.cpp
    ${VEYRA_TESTS}/support/uWin7TaskbarTest.cpp
)
set(VEYRA_UPDATE_TEST_SOURCES
    ${VEYRA_TESTS}/update/CharsetTest.cpp
    ${VEYRA_TESTS}/update/HttpClientTest.cpp
    ${VEYRA_TESTS}/update/HttpResponseTest.cpp
    ${VEYRA_TESTS}/update/LauncherSwapTest.cpp
    ${VEYRA_TESTS}/update/ScriptedHttpServer.cpp
    ${VEYRA_TESTS}/update/SocketRetryTest.cpp
    ${VEYRA_TESTS}/update/uMTest.cpp
)
set(VEYRA_IMAGE_TEST_SOURCES
    ${VEYRA_TESTS}/image/GifReaderTest.cpp
    ${VEYRA_TESTS}/image/LogoComposerTest.cpp
    ${VEYRA_TESTS}/image/PixelsTest.cpp
    ${VEYRA_TESTS}/image/PngReaderTest.cpp
)
set(VEYRA_UI_TEST_SOURCES
    ${VEYRA_TESTS}/ui/AnimationTimerTest.cpp
    ${VEYRA_TESTS}/ui/FrameTimingTest.cpp
    ${VEYRA_TESTS}/ui/ShowStateTest.cpp
    ${VEYRA_TESTS}/ui/SplashImageTest.cpp
    ${VEYRA_TESTS}/ui/WindowPositionTest.cpp
)
set(VEYRA_APP_TEST_SOURCES
    ${VEYRA_TESTS}/app/CommandLineTest.cpp
)
set(VEYRA_STUDIO_TEST_SOURCES
    ${VEYRA_TESTS}/studio/DeploymentCheckTest.cpp
    ${VEYRA_TESTS}/studio/VersionFileToolTest.cpp
)
# Tests over OpenSSL, the native platform's cryptography: the native test program only (the
# Windows one has CNG instead).
set(VEYRA_NATIVE_ONLY_UPDATE_TEST_SOURCES
    ${VEYRA_TESTS}/update/UpdateSignatureTest.cpp
)

# The tests' listening sockets, over the platform's socket shim.
if(WIN32)
    list(APPEND VEYRA_UPDATE_TEST_SOURCES ${VEYRA_TESTS}/update/TestSockets_win.cpp)
else()
    list(APPEND VEYRA_UPDATE_TEST_SOURCES ${VEYRA_TESTS}/update/TestSockets_posix.cpp)
endif()

# The image fixtures are compiled into the tests, so no path has to reach the program under Wine.
# The product's logo goes with them: its composition is checked frame by frame.
set(VEYRA_FIXTURE_DIR ${VEYRA_TESTS}/../fixtures/images)
set(VEYRA_LOGO_FIXTURE ${VEYRA_TESTS}/../../resources/logo.gif)
file(GLOB VEYRA_FIXTURE_FILES CONFIGURE_DEPENDS ${VEYRA_FIXTURE_DIR}/*)
add_custom_command(
    OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/EmbeddedFixtures.cpp
    COMMAND ${CMAKE_COMMAND} -DFIXTURE_DIR=${VEYRA_FIXTURE_DIR}
            -DOUTPUT=${CMAKE_CURRENT_BINARY_DIR}/EmbeddedFixtures.cpp
            -DEXTRA_FILES=${VEYRA_LOGO_FIXTURE}
            -P ${VEYRA_TESTS}/EmbedFixtures.cmake
    DEPENDS ${VEYRA_FIXTURE_FILES} ${VEYRA_LOGO_FIXTURE} ${VEYRA_TESTS}/EmbedFixtures.cmake
    COMMENT "Embedding the image fixtures"
    VERBATIM)
add_library(veyra_test_fixtures OBJECT ${CMAKE_CURRENT_BINARY_DIR}/EmbeddedFixtures.cpp)
target_link_libraries(veyra_test_fixtures PRIVATE veyra_test_headers)

# Every folder's tests for one test program, each group an object library over its folder's
# library (VEYRA_<FOLDER>_TEST_SOURCES):  veyra_folder_tests(PROGRAM GTEST)
function(veyra_folder_tests program gtest)
    foreach(folder support update image ui app studio)
        string(TOUPPER ${folder} FOLDER)
        add_library(${program}_${folder} OBJECT ${VEYRA_${FOLDER}_TEST_SOURCES})
        target_link_libraries(${program}_${folder} PUBLIC veyra_${folder} veyra_test_headers
                              ${gtest} PRIVATE veyra_warnings)
        target_link_libraries(${program} PRIVATE ${program}_${folder})
    endforeach()
    target_link_libraries(${program} PRIVATE veyra_test_fixtures)
endfunction()
