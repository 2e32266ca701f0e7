# Desktop integration: group registration and closing running copies (portable), and their
# platform channels.
set(here ${CMAKE_CURRENT_LIST_DIR})
target_sources(installer_logic PRIVATE
  ${here}/close_running_copies.cpp ${here}/register_shortcuts.cpp)
if(WIN32)
  target_sources(installer_ui PRIVATE ${here}/dde_client_win32.cpp ${here}/desktop_windows_win32.cpp
                                      ${here}/start_menu_win32.cpp ${here}/installed_apps_win32.cpp)
else()
  # The socket channel is a service the unit tests use for real; the client over it faces the
  # desktop and is replaced by a recorder in unit tests.
  target_sources(installer_services PRIVATE ${here}/progman_socket_posix.cpp)
  target_sources(installer_ui PRIVATE ${here}/dde_client_posix.cpp ${here}/desktop_windows_posix.cpp
                                      ${here}/start_menu_posix.cpp ${here}/installed_apps_posix.cpp)
  list(APPEND UNIT_TEST_SOURCES ${here}/progman_socket_test.cpp)
  # A stand-in for Program Manager that prints the commands it receives, for the console edition.
  add_executable(progman_standin ${here}/progman_standin_posix.cpp)
  target_link_libraries(progman_standin PRIVATE installer_services)
endif()
list(APPEND UNIT_TEST_SOURCES ${here}/register_shortcuts_test.cpp ${here}/close_running_copies_test.cpp)

# The Win32 DDE client's own test: a Windows program that the Wine scenarios run
# (tests/wine/scenarios/34_dde_client_twice.scn), kept with the test programs they start.
if(WIN32)
  add_executable(dde_client_win32_test ${here}/dde_client_win32_test.cpp)
  target_link_libraries(dde_client_win32_test PRIVATE installer_ui)
  target_link_options(dde_client_win32_test PRIVATE -static -s)
  set_target_properties(dde_client_win32_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/wine)
endif()
