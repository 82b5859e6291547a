# The portable core's unit tests: built natively and into the Windows test program alike.
set(VEYRA_CORE_TEST_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/CommandLineTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShowStateTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProgramDirectoryTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/uRunTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/uLogSystemTest.cpp)
