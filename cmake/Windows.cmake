# The Win32 shell, the program itself and, for Wine, the Windows tests.
enable_language(RC)

# Fully static: the program may import KnownDLLs only.
set(VEYRA_STATIC_LINK -static -static-libgcc -static-libstdc++)
set(VEYRA_HARDENING -Wl,--dynamicbase -Wl,--nxcompat)
# Small: drop the sections nothing refers to (every object is compiled into sections of its own,
# see CMakeLists.txt).
set(VEYRA_SIZE_LINK -Wl,--gc-sections)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    list(APPEND VEYRA_HARDENING -Wl,--high-entropy-va)
endif()

# The Windows headers as every Windows source here sees them: wide-character API, lean headers,
# no min/max macros, Windows 7 as the oldest system.
set(VEYRA_WINDOWS_DEFINITIONS UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

# Each folder's Win32 files join its library; every one of them sees the Windows headers so.
target_sources(veyra_support PRIVATE
    support/Bridge_win.cpp
    support/Files_win.cpp
    support/LocalClock_win.cpp
    support/NarrowText_win.cpp
    support/SystemLibrary_win.cpp
    support/uCRC32_win.cpp
    support/uLogSystem_win.cpp
    support/uRun_win.cpp
    support/uThread_win.cpp
    support/uWin7Taskbar_win.cpp
)
target_link_libraries(veyra_support PUBLIC shell32 ole32 uuid advapi32 user32 kernel32)
target_sources(veyra_update PRIVATE
    update/Charset_win.cpp
    update/Pinning_win.cpp
    update/SignatureVerifier_win.cpp
    update/Socket_win.cpp
    update/UpdateFiles_win.cpp
    update/uM_win.cpp
)
target_link_libraries(veyra_update PUBLIC ws2_32)
target_sources(veyra_ui PRIVATE
    ui/ControlLayer_win.cpp
    ui/LogoAnimation_win.cpp
    ui/SplashArtwork_win.cpp
    ui/SplashPainter_win.cpp
    ui/SplashWindow_win.cpp
    ui/Window_win.cpp
    ui/WindowThreadTask_win.cpp
)
target_link_libraries(veyra_ui PUBLIC user32 gdi32)
target_sources(veyra_app PRIVATE
    app/Application_win.cpp
    app/DllSearch_win.cpp
    app/StartModes_win.cpp
)
foreach(folder support update image ui app)
    target_compile_definitions(veyra_${folder} PUBLIC ${VEYRA_WINDOWS_DEFINITIONS})
endforeach()

add_executable(VeyraLauncher WIN32 app/main_win.cpp app/VeyraLauncher.rc ui/Artwork.rc)
target_link_libraries(VeyraLauncher PRIVATE veyra_app veyra_warnings)
# The resource scripts name their files from the source root; the C++ sources do not see it.
set_property(SOURCE app/VeyraLauncher.rc ui/Artwork.rc APPEND PROPERTY INCLUDE_DIRECTORIES
             ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR}/generated)
target_link_options(VeyraLauncher PRIVATE -municode -mwindows ${VEYRA_STATIC_LINK} ${VEYRA_HARDENING} ${VEYRA_SIZE_LINK}
                    $<$<NOT:$<CONFIG:Debug>>:-s>)
set_property(SOURCE ui/Artwork.rc APPEND PROPERTY OBJECT_DEPENDS
             ${CMAKE_CURRENT_SOURCE_DIR}/resources/background.png
             ${CMAKE_CURRENT_SOURCE_DIR}/resources/desc_logo.png
             ${CMAKE_CURRENT_SOURCE_DIR}/resources/logo.gif)
# The version resource's numbers come from VEYRA_PRODUCT_VERSION through a header in the build
# folder. configure_file rewrites it only when the version changes, and the dependency below then
# recompiles the resource script.
string(REPLACE "." "," VEYRA_PRODUCT_VERSION_COMMAS "${VEYRA_PRODUCT_VERSION}")
configure_file(app/VeyraVersion.h.in ${CMAKE_CURRENT_BINARY_DIR}/generated/VeyraVersion.h @ONLY)
set_property(SOURCE app/VeyraLauncher.rc APPEND PROPERTY OBJECT_DEPENDS
             ${CMAKE_CURRENT_SOURCE_DIR}/app/VeyraLauncher.manifest
             ${CMAKE_CURRENT_SOURCE_DIR}/resources/VeyraLauncher.ico
             ${CMAKE_CURRENT_BINARY_DIR}/generated/VeyraVersion.h)

# The studio's update keys: VEYRA_UPDATE_KEYS names a file of PEM ECDSA P-256 public keys, fixed
# into the exe through a generated header, so that it installs only what one of them signed.
# Without it the build holds no key and never reads a signature. A key that is not P-256, or a
# file that cannot be read, stops the configuration.
set(VEYRA_UPDATE_KEYS "" CACHE FILEPATH "PEM file of the ECDSA P-256 public keys updates must be signed with")
find_package(Python3 REQUIRED COMPONENTS Interpreter)
execute_process(
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/tools/update_keys.py
            "${VEYRA_UPDATE_KEYS}" ${CMAKE_CURRENT_BINARY_DIR}/generated/VeyraUpdateKeys.h
    RESULT_VARIABLE VEYRA_UPDATE_KEYS_RESULT
    ERROR_VARIABLE VEYRA_UPDATE_KEYS_ERROR)
if(VEYRA_UPDATE_KEYS_RESULT)
    message(FATAL_ERROR "VEYRA_UPDATE_KEYS: ${VEYRA_UPDATE_KEYS_ERROR}")
endif()
if(VEYRA_UPDATE_KEYS)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VEYRA_UPDATE_KEYS})
endif()
target_include_directories(veyra_update PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/generated)

# The version-file tool runs on the studios' own Windows machines: one static console program.
target_compile_definitions(veyra_version_file PRIVATE ${VEYRA_WINDOWS_DEFINITIONS})
target_link_options(veyra_version_file PRIVATE -municode ${VEYRA_STATIC_LINK} $<$<NOT:$<CONFIG:Debug>>:-s>)

if(VEYRA_WINDOWS_TESTS)
    add_subdirectory(tests/windows)
endif()
