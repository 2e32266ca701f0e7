// Fuzzes the packaging tool's product description reader: any bytes as a description must give
// either a checked product or a one-line error that names the description.
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "tools/pack/description/product.h"
#include "tests/fuzz/fuzz_support.h"
#include "product/names.h"
#include "tools/pack/common/unicode_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A tree entry would walk whatever folder it names, "/" too: the file system is no input of
  // this target, so descriptions that could hold one are left to the unit tests' tree table.
  // (A key may be spelt with escapes in quotes, so those are left out too.)
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (text.find("tree") != std::string::npos || text.find("\\u") != std::string::npos ||
      text.find("\\U") != std::string::npos) {
    return 0;
  }
  const std::string path = fuzz::ScratchFolder() + "/work/product.toml";
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) abort();
  fwrite(data, 1, size, file);
  fclose(file);

  Product product;
  std::string error;
  if (LoadProduct(path, &product, &error)) {
    // What the reader accepts must pass its own rules again.
    if (!error.empty() || product.files.empty()) abort();
    const auto fine = [](NameProblem problem) { return problem.kind == NameFine; };
    if (!fine(FileNameProblem(product.iniFileName.c_str())) ||
        !fine(MainExecutableProblem(product.mainExecutable.c_str()))) {
      abort();
    }
    if (!fine(GroupNameProblem(product.groupName.c_str())) || !fine(TitleProblem(product.appTitle.c_str()))) abort();
    if (!fine(ProductIdProblem(product.productId.c_str()))) abort();
    if (product.startupPrompt.size() > kMaxPromptBytes) abort();
    bool haveUninstaller = false;
    for (const ProductFile& entry : product.files) {
      if (!fine(PayloadPathProblem(entry.name.c_str()))) abort();
      haveUninstaller = haveUninstaller || FoldCaseForWindows(entry.name) == "UNINST.EXE";
    }
    // Without uninst.exe of its own the product is marked for instpack's uninstaller.
    if (haveUninstaller != product.suppliesUninstaller) abort();
  } else {
    if (error.compare(0, path.size(), path) != 0) abort();
    if (error.find('\n') != std::string::npos) abort();
  }
  return 0;
}
