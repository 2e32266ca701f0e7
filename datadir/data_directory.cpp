// Settling the data directory. For now the installation goes into the current directory.
#include "datadir/data_directory.h"

#include "platform/files.h"

char DataDirectory[DataDirectorySize];

int ChooseDataDirectory(InstanceHandle, WindowHandle) {
  return ReadCurrentDirectory(DataDirectory, sizeof DataDirectory) ? 1 : 0;
}
