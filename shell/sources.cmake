# Desktop integration: group registration and closing running copies (portable), and their
# platform channels.
target_sources(installer_logic PRIVATE shell/close_running_copies.cpp shell/register_shortcuts.cpp)
