# Installation driver: the sequence (portable) and the start-up code per platform.
target_sources(installer_logic PRIVATE driver/installation.cpp)
if(WIN32)
  set(INSTALLER_MAIN driver/main_win32.cpp)
else()
  set(INSTALLER_MAIN driver/main_posix.cpp)
endif()
list(APPEND UNIT_TEST_SOURCES driver/installation_test.cpp)
