# Installation driver: the installation and uninstallation sequences and the command line
# (portable), and what only the prebuilt programs hold: the start-up code per platform, the
# reading of their own data, and each program's own entry (add_installer_program() and
# add_uninstaller_program() compile these into each program; unit tests supply the product
# records themselves).
set(here ${CMAKE_CURRENT_LIST_DIR})
target_sources(installer_logic PRIVATE ${here}/installation.cpp ${here}/unattended_installation.cpp
                                       ${here}/uninstallation.cpp ${here}/command_line.cpp
                                       ${here}/product_lock.cpp ${here}/installer_data_loading.cpp)
set(program_sources ${here}/program_data.cpp)
if(WIN32)
  list(APPEND program_sources ${here}/main_win32.cpp ${here}/installer_data_location_win32.cpp
                            ${here}/dll_search_win32.cpp)
else()
  # The native reading of the data by offset is portable code's, for the tests and benchmarks.
  target_sources(installer_logic PRIVATE ${here}/installer_data_location_posix.cpp)
  list(APPEND UNIT_TEST_SOURCES ${here}/installer_data_location_test.cpp)
  list(APPEND program_sources ${here}/main_posix.cpp)
endif()
set(INSTALLER_PROGRAM_SOURCES ${here}/installer_program.cpp ${program_sources})
set(UNINSTALLER_PROGRAM_SOURCES ${here}/uninstaller_program.cpp ${program_sources})
# The whole sequence: its outcomes and the parts at their places in it, and every failure
# provoked through it on purpose; installations over earlier versions and their removal; the
# options of both programs.
list(APPEND UNIT_TEST_SOURCES ${here}/installation_test.cpp ${here}/installation_faults_test.cpp ${here}/updates_test.cpp
                              ${here}/command_line_test.cpp)
