// Entry point of instpack, the host program that packages a product for the installer build.
#include <stdio.h>

#include <string>

#include "tools/pack/instpack.h"

int main(int argc, char** argv) {
  std::string error;
  const int status = RunInstpack(argc, argv, &error);
  if (status != 0) fprintf(stderr, "instpack: %s\n", error.c_str());
  return status;
}
