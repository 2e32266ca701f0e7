# Installation driver: the sequence (portable), and what only the installer programs hold: the
# start-up code per platform and the reading of their own data (add_installer_program() compiles
# these into each program; unit tests supply the product records themselves).
set(here ${CMAKE_CURRENT_LIST_DIR})
target_sources(installer_logic PRIVATE ${here}/installation.cpp)
set(INSTALLER_PROGRAM_SOURCES ${here}/installer_program.cpp)
if(WIN32)
  list(APPEND INSTALLER_PROGRAM_SOURCES ${here}/main_win32.cpp ${here}/installer_data_location_win32.cpp
                                       ${here}/dll_search_win32.cpp)
else()
  list(APPEND INSTALLER_PROGRAM_SOURCES ${here}/main_posix.cpp ${here}/installer_data_location_posix.cpp)
endif()
# The whole sequence: its outcomes and the parts at their places in it, and every failure
# provoked through it on purpose.
list(APPEND UNIT_TEST_SOURCES ${here}/installation_test.cpp ${here}/installation_faults_test.cpp)
