# Platform services: files, environment and profile (used for real by unit tests), and the
# user-facing pieces, the heap and the threads (replaced by fakes in unit tests).
set(here ${CMAKE_CURRENT_LIST_DIR})
target_sources(installer_services PRIVATE ${here}/windows_path.cpp ${here}/access_list.cpp)
list(APPEND UNIT_TEST_SOURCES ${here}/access_list_test.cpp)
if(WIN32)
  target_sources(installer_services PRIVATE
    ${here}/files_win32.cpp ${here}/environment_win32.cpp ${here}/profile_win32.cpp
    ${here}/wide_text_win32.cpp ${here}/system_library_win32.cpp ${here}/process_user_win32.cpp)
  target_sources(installer_ui PRIVATE
    ${here}/message_box_win32.cpp ${here}/system_win32.cpp ${here}/threads_win32.cpp)
else()
  target_sources(installer_services PRIVATE
    ${here}/files_posix.cpp ${here}/environment_posix.cpp ${here}/profile_posix.cpp
    ${here}/native_path_posix.cpp ${here}/user_folders_posix.cpp)
  target_sources(installer_ui PRIVATE
    ${here}/message_box_posix.cpp ${here}/system_posix.cpp ${here}/threads_posix.cpp
    ${here}/console_line_posix.cpp)
  find_package(Threads REQUIRED)
  target_link_libraries(installer_ui PUBLIC Threads::Threads)
  # The native services answer the Windows path and profile questions the installer asks.
  list(APPEND UNIT_TEST_SOURCES ${here}/files_posix_test.cpp ${here}/profile_posix_test.cpp)
endif()
