# Installation driver: the sequence (portable) and the start-up code per platform, which
# add_installer() compiles into each installer.
set(here ${CMAKE_CURRENT_LIST_DIR})
target_sources(installer_logic PRIVATE ${here}/installation.cpp)
if(WIN32)
  set(INSTALLER_MAIN ${here}/main_win32.cpp)
else()
  set(INSTALLER_MAIN ${here}/main_posix.cpp)
endif()
# The whole sequence: its outcomes and the parts at their places in it, and every failure
# provoked through it on purpose.
list(APPEND UNIT_TEST_SOURCES ${here}/installation_test.cpp ${here}/installation_faults_test.cpp)
