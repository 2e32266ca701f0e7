# Data directory: resolution and the OK check (portable), the directory dialog per platform.
target_sources(installer_logic PRIVATE datadir/data_directory.cpp datadir/directory_choice.cpp)
if(WIN32)
  target_sources(installer_ui PRIVATE datadir/directory_dialog_win32.cpp)
else()
  target_sources(installer_ui PRIVATE datadir/directory_dialog_posix.cpp)
endif()
# The native file and profile services answer the Windows path and profile questions that
# directory resolution relies on; their tests live beside them and are listed here with it.
list(APPEND UNIT_TEST_SOURCES datadir/data_directory_test.cpp datadir/directory_choice_test.cpp
     platform/files_posix_test.cpp platform/profile_posix_test.cpp)
