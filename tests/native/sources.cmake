# The portable core's unit tests: built natively and into the Windows test program alike.
set(VEYRA_CORE_TEST_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/AnimationTimerTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CharsetTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CommandLineTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DeploymentCheckTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FrameTimingTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GifReaderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LogoComposerTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PixelsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PngReaderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HttpClientTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HttpResponseTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScriptedHttpServer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShowStateTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SocketRetryTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SplashImageTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/uCRC32Test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProgramDirectoryTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/uRunTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowPositionTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/uWin7TaskbarTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BridgeTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/uMTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LauncherSwapTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LinkSafetyTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/uLogSystemTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VersionFileToolTest.cpp
)
# Tests over OpenSSL, the native platform's cryptography: the native test program only (the
# Windows one has CNG instead).
set(VEYRA_NATIVE_ONLY_TEST_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/UpdateSignatureTest.cpp
)

# The tests' listening sockets, over the platform's socket shim.
if(WIN32)
    list(APPEND VEYRA_CORE_TEST_SOURCES ${CMAKE_CURRENT_LIST_DIR}/TestSockets_win.cpp)
else()
    list(APPEND VEYRA_CORE_TEST_SOURCES ${CMAKE_CURRENT_LIST_DIR}/TestSockets_posix.cpp)
endif()

# The image fixtures are compiled into the tests, so no path has to reach the program under Wine.
# The product's logo goes with them: its composition is checked frame by frame.
set(VEYRA_FIXTURE_DIR ${CMAKE_CURRENT_LIST_DIR}/../fixtures/images)
set(VEYRA_LOGO_FIXTURE ${CMAKE_CURRENT_LIST_DIR}/../../resources/logo.gif)
file(GLOB VEYRA_FIXTURE_FILES CONFIGURE_DEPENDS ${VEYRA_FIXTURE_DIR}/*)
add_custom_command(
    OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/EmbeddedFixtures.cpp
    COMMAND ${CMAKE_COMMAND} -DFIXTURE_DIR=${VEYRA_FIXTURE_DIR}
            -DOUTPUT=${CMAKE_CURRENT_BINARY_DIR}/EmbeddedFixtures.cpp
            -DEXTRA_FILES=${VEYRA_LOGO_FIXTURE}
            -P ${CMAKE_CURRENT_LIST_DIR}/EmbedFixtures.cmake
    DEPENDS ${VEYRA_FIXTURE_FILES} ${VEYRA_LOGO_FIXTURE} ${CMAKE_CURRENT_LIST_DIR}/EmbedFixtures.cmake
    COMMENT "Embedding the image fixtures"
    VERBATIM)
list(APPEND VEYRA_CORE_TEST_SOURCES ${CMAKE_CURRENT_BINARY_DIR}/EmbeddedFixtures.cpp)
