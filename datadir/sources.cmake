# Data directory: resolution (portable) and the directory dialog per platform.
target_sources(installer_logic PRIVATE datadir/data_directory.cpp)
