# Desktop integration: group registration and closing running copies (portable), and their
# platform channels.
target_sources(installer_logic PRIVATE
  shell/close_running_copies.cpp shell/register_shortcuts.cpp shell/dde_client.cpp)
if(WIN32)
  target_sources(installer_ui PRIVATE shell/dde_client_win32.cpp)
else()
  # The socket channel is a service the unit tests use for real; the client over it faces the
  # desktop and is replaced by a recorder in unit tests.
  target_sources(installer_services PRIVATE shell/progman_socket_posix.cpp)
  target_sources(installer_ui PRIVATE shell/dde_client_posix.cpp)
  list(APPEND UNIT_TEST_SOURCES shell/progman_socket_test.cpp)
  # A stand-in for Program Manager that prints the commands it receives, for the console edition.
  add_executable(progman_standin shell/progman_standin_posix.cpp)
  target_include_directories(progman_standin PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(progman_standin PRIVATE installer_services)
endif()
list(APPEND UNIT_TEST_SOURCES shell/register_shortcuts_test.cpp)

# The desktop's windows, for closing running copies (unit tests link a fake instead).
if(WIN32)
  target_sources(installer_ui PRIVATE shell/desktop_windows_win32.cpp)
else()
  target_sources(installer_ui PRIVATE shell/desktop_windows_posix.cpp)
endif()
list(APPEND UNIT_TEST_SOURCES shell/close_running_copies_test.cpp)
