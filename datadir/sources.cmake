# Data directory: resolution and the OK check (portable), the directory dialog per platform.
set(here ${CMAKE_CURRENT_LIST_DIR})
target_sources(installer_logic PRIVATE ${here}/data_directory.cpp ${here}/directory_choice.cpp)
if(WIN32)
  target_sources(installer_ui PRIVATE ${here}/directory_dialog_win32.cpp)
else()
  target_sources(installer_ui PRIVATE ${here}/directory_dialog_posix.cpp)
endif()
list(APPEND UNIT_TEST_SOURCES ${here}/data_directory_test.cpp ${here}/directory_choice_test.cpp)
