# Platform services: files, environment and profile (used for real by unit tests), and the
# user-facing pieces (replaced by fakes in unit tests).
if(WIN32)
  target_sources(installer_services PRIVATE
    platform/files_win32.cpp platform/environment_win32.cpp platform/profile_win32.cpp)
  target_sources(installer_ui PRIVATE platform/message_box_win32.cpp platform/system_win32.cpp)
else()
  target_sources(installer_services PRIVATE
    platform/files_posix.cpp platform/environment_posix.cpp platform/profile_posix.cpp
    platform/native_path_posix.cpp)
  target_sources(installer_ui PRIVATE platform/message_box_posix.cpp platform/system_posix.cpp)
endif()
