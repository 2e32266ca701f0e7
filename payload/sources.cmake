# Payload: extraction and rollback (portable), the progress window per platform.
target_sources(installer_logic PRIVATE payload/extract.cpp payload/piece_check.cpp
  payload/progress_window.cpp)
if(WIN32)
  target_sources(installer_ui PRIVATE payload/progress_window_win32.cpp)
else()
  target_sources(installer_ui PRIVATE payload/progress_window_posix.cpp)
endif()
list(APPEND UNIT_TEST_SOURCES payload/extract_test.cpp payload/progress_window_test.cpp)
