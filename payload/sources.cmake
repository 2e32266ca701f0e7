# Payload: extraction and rollback, the damage check with its window, and the uninstaller's
# removal of the files (portable); the progress and verification windows per platform.
set(here ${CMAKE_CURRENT_LIST_DIR})
target_sources(installer_logic PRIVATE ${here}/extract.cpp ${here}/payload_check.cpp ${here}/installed_files.cpp ${here}/install_record.cpp ${here}/progress_window.cpp
                                       ${here}/verification.cpp)
if(WIN32)
  target_sources(installer_ui PRIVATE ${here}/progress_window_win32.cpp)
else()
  target_sources(installer_ui PRIVATE ${here}/progress_window_posix.cpp)
endif()
list(APPEND UNIT_TEST_SOURCES ${here}/extract_test.cpp ${here}/install_record_test.cpp ${here}/progress_window_test.cpp)
