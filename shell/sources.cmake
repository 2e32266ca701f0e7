# Desktop integration: group registration and closing running copies (portable), and their
# platform channels.
target_sources(installer_logic PRIVATE shell/close_running_copies.cpp shell/register_shortcuts.cpp)

# The desktop's windows, for closing running copies (unit tests link a fake instead).
if(WIN32)
  target_sources(installer_ui PRIVATE shell/desktop_windows_win32.cpp)
else()
  target_sources(installer_ui PRIVATE shell/desktop_windows_posix.cpp)
endif()
list(APPEND UNIT_TEST_SOURCES shell/close_running_copies_test.cpp)
