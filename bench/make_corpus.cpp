// Writes the deterministic benchmark product: about 300 files of text, native code and random
// bytes, its product description, and a record of its composition.
//
//   make_corpus OUT_DIR [--megabytes N] [--code-source FILE]...
//
// The base product is about 100 MB in 300 files: 40 % text (prose and HTML markup made from a
// seeded generator), 40 % native code (consecutive slices of the compiler's own x86-64
// programs, cc1plus then cc1, which every build machine has), 20 % random bytes (standing in
// for already-compressed media). Six files are under 30,000 bytes and the main program is
// 3.5 MB. Other sizes repeat the base product file by file, copy k with every byte XORed with
// k (a bijection, so each copy compresses exactly as well as the original but differs from it),
// and stop when N MB are reached; files are interleaved by kind so any prefix keeps the mix.
// The same arguments give the same bytes on every run; the SHA-256 the run script prints
// checks that.
#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

const uint64_t kMegabyte = 1000000;
const size_t kRequired[2] = {2, 7};  // program.exe and uninst.exe in the base plan

// splitmix64: tiny, fast, and the same sequence everywhere (unlike std:: distributions).
struct Random {
  uint64_t state;
  uint64_t Next() {
    uint64_t z = (state += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
  }
  double Unit() { return (double)(Next() >> 11) / 9007199254740992.0; }
  uint32_t Below(uint32_t n) { return (uint32_t)(Unit() * n); }
};

enum Kind { kText, kCode, kRandom };
const char* const kKindNames[] = {"text", "native code", "random"};

struct PlannedFile {
  std::string name;
  Kind kind;
  uint64_t size;
  uint64_t seed;  // text and random: generator seed; code: offset into the code stream
};

// A vocabulary of made-up words with a Zipf-like frequency, so the text compresses like prose.
std::vector<std::string> MakeVocabulary(Random* random) {
  static const char* const kSyllables[] = {"ka", "lo", "ven", "tri", "sa", "mor", "el", "dun", "qui",
                                           "ra", "the", "an", "is", "or", "pel", "ba", "ti", "on",
                                           "ste", "war", "in", "ght", "com", "pre", "ly", "ment"};
  std::vector<std::string> words;
  for (int i = 0; i < 4000; ++i) {
    std::string word;
    const int syllables = 1 + (int)random->Below(3) + (i > 400 ? 1 : 0);
    for (int s = 0; s < syllables; ++s) word += kSyllables[random->Below(26)];
    words.push_back(word);
  }
  return words;
}

// Picks a word index with probability roughly proportional to 1/(rank+1).
size_t ZipfIndex(Random* random, size_t count) {
  const double u = random->Unit();
  return std::min(count - 1, (size_t)std::exp(u * std::log((double)count + 1.0)) - 1);
}

void AppendText(std::string* out, uint64_t size, uint64_t seed, bool markup, const std::vector<std::string>& words) {
  Random random{seed};
  if (markup) *out += "<!DOCTYPE html>\n<html><head><title>Manual</title></head>\n<body>\n";
  while (out->size() < size) {
    if (markup) *out += random.Below(4) == 0 ? "<h2 class=\"section\">" : "<p>";
    const int sentences = 2 + (int)random.Below(6);
    for (int s = 0; s < sentences; ++s) {
      const int length = 4 + (int)random.Below(14);
      for (int w = 0; w < length; ++w) {
        std::string word = words[ZipfIndex(&random, words.size())];
        if (w == 0) word[0] = (char)(word[0] - 'a' + 'A');
        if (markup && random.Below(40) == 0) word = "<a href=\"" + word + ".htm\">" + word + "</a>";
        *out += word;
        *out += (w + 1 == length) ? ". " : (random.Below(9) == 0 ? ", " : " ");
      }
    }
    *out += markup ? "</p>\n" : "\n\n";
  }
  out->resize(size);
}

bool ReadWhole(const char* path, std::string* out) {
  FILE* file = fopen(path, "rb");
  if (file == nullptr) return false;
  char buffer[1 << 16];
  size_t count;
  while ((count = fread(buffer, 1, sizeof buffer, file)) > 0) out->append(buffer, count);
  fclose(file);
  return true;
}

// The base plan: 300 files, kinds interleaved, sizes log-uniform within each kind and scaled to
// the kind's share of 100 MB; six small files and one 3.5 MB main program placed by hand.
std::vector<PlannedFile> BasePlan() {
  Random random{20261208};
  const uint64_t kTotal = 100 * kMegabyte;
  const uint64_t share[] = {kTotal * 40 / 100, kTotal * 40 / 100, kTotal * 20 / 100};
  std::vector<PlannedFile> plan(300);
  std::vector<double> weight(plan.size());
  double weightSum[3] = {0, 0, 0};
  uint64_t fixedSum[3] = {0, 0, 0};
  for (size_t i = 0; i < plan.size(); ++i) {
    const int slot = (int)(i % 5);
    plan[i].kind = slot < 2 ? kText : (slot < 4 ? kCode : kRandom);
    plan[i].seed = random.Next();
    weight[i] = std::exp(random.Unit() * std::log(40.0));
  }
  // Fixed sizes: the main program, small files of each kind, and a small uninstaller.
  plan[2].size = 3500000;
  const size_t small[] = {5, 11, 19, 40, 64};
  const uint64_t smallSize[] = {1200, 8700, 29999, 17000, 24500};
  for (size_t k = 0; k < 5; ++k) plan[small[k]].size = smallSize[k];
  plan[7].size = 47104;  // uninst.exe (a code slot)
  for (size_t i = 0; i < plan.size(); ++i) {
    if (plan[i].size != 0) {
      fixedSum[plan[i].kind] += plan[i].size;
    } else {
      weightSum[plan[i].kind] += weight[i];
    }
  }
  for (size_t i = 0; i < plan.size(); ++i) {
    if (plan[i].size == 0) {
      const Kind k = plan[i].kind;
      plan[i].size = (uint64_t)((double)(share[k] - fixedSum[k]) * weight[i] / weightSum[k]);
    }
  }
  for (size_t i = 0; i < plan.size(); ++i) {
    char name[64];
    if (i == 2) {
      snprintf(name, sizeof name, "program.exe");
    } else if (i == 7) {
      snprintf(name, sizeof name, "uninst.exe");
    } else if (plan[i].kind == kText) {
      snprintf(name, sizeof name, (i % 5 == 0) ? "doc%03zu.txt" : "page%03zu.htm", i);
    } else if (plan[i].kind == kCode) {
      snprintf(name, sizeof name, "module%03zu.dll", i);
    } else {
      snprintf(name, sizeof name, "media%03zu.bin", i);
    }
    plan[i].name = name;
  }
  // Code slices follow each other through the code stream, so no two files repeat bytes.
  uint64_t offset = 0;
  for (PlannedFile& file : plan) {
    if (file.kind != kCode) continue;
    file.seed = offset;
    offset += file.size;
  }
  return plan;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: make_corpus OUT_DIR [--megabytes N] [--code-source FILE]...\n");
    return 2;
  }
  const std::string outDir = argv[1];
  uint64_t megabytes = 100;
  std::vector<std::string> codeSources;
  for (int i = 2; i < argc; ++i) {
    if (strcmp(argv[i], "--megabytes") == 0 && i + 1 < argc) {
      megabytes = strtoull(argv[++i], nullptr, 10);
    } else if (strcmp(argv[i], "--code-source") == 0 && i + 1 < argc) {
      codeSources.push_back(argv[++i]);
    } else {
      fprintf(stderr, "make_corpus: unknown argument %s\n", argv[i]);
      return 2;
    }
  }
  if (codeSources.empty()) {
    codeSources = {"/usr/lib/gcc/x86_64-linux-gnu/12/cc1plus", "/usr/lib/gcc/x86_64-linux-gnu/12/cc1"};
  }
  std::string code;
  for (const std::string& path : codeSources) {
    if (!ReadWhole(path.c_str(), &code)) {
      fprintf(stderr, "make_corpus: cannot read %s: %s\n", path.c_str(), strerror(errno));
      return 1;
    }
  }
  const std::vector<PlannedFile> base = BasePlan();
  uint64_t codeNeeded = 0;
  for (const PlannedFile& file : base) codeNeeded += file.kind == kCode ? file.size : 0;
  if (code.size() < codeNeeded) {
    fprintf(stderr, "make_corpus: the code sources hold %zu bytes, %llu needed\n", code.size(),
            (unsigned long long)codeNeeded);
    return 1;
  }
  if (mkdir(outDir.c_str(), 0777) != 0 && errno != EEXIST) {
    fprintf(stderr, "make_corpus: cannot create %s: %s\n", outDir.c_str(), strerror(errno));
    return 1;
  }

  Random vocabularySeed{7};
  const std::vector<std::string> words = MakeVocabulary(&vocabularySeed);
  const uint64_t target = megabytes * kMegabyte;
  std::vector<std::string> names;
  uint64_t total = 0, kindBytes[3] = {0, 0, 0}, kindFiles[3] = {0, 0, 0};
  uint64_t smallest = UINT64_MAX, largest = 0, under30000 = 0, over3MB = 0;
  std::string bytes;
  // Copy 0 is the base product; later copies vary every byte. The main program and the
  // uninstaller come first, so that every size has them.
  std::vector<size_t> order(kRequired, kRequired + 2);
  for (size_t i = 0; i < base.size(); ++i) {
    if (i != kRequired[0] && i != kRequired[1]) order.push_back(i);
  }
  for (unsigned copy = 0; total < target - target / 1000; ++copy) {
    const size_t before = names.size();
    for (size_t n = 0; n < base.size() && total < target - target / 1000; ++n) {
      const size_t i = order[n];
      const PlannedFile& file = base[i];
      const bool required = copy == 0 && n < 2;
      if (!required && total + file.size > target + target / 50) continue;
      bytes.clear();
      if (file.kind == kText) {
        AppendText(&bytes, file.size, file.seed, file.name.find(".htm") != std::string::npos, words);
      } else if (file.kind == kCode) {
        bytes.assign(code, file.seed, file.size);
      } else {
        Random random{file.seed};
        bytes.resize(file.size);
        for (size_t k = 0; k < bytes.size(); k += 8) {
          const uint64_t value = random.Next();
          memcpy(&bytes[k], &value, std::min<size_t>(8, bytes.size() - k));
        }
      }
      if (copy > 0) {
        for (char& c : bytes) c = (char)(c ^ (char)copy);
      }
      const std::string name = copy == 0 ? file.name : "c" + std::to_string(copy) + "_" + file.name;
      FILE* out = fopen((outDir + "/" + name).c_str(), "wb");
      if (out == nullptr || fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || fclose(out) != 0) {
        fprintf(stderr, "make_corpus: cannot write %s/%s\n", outDir.c_str(), name.c_str());
        return 1;
      }
      names.push_back(name);
      total += file.size;
      kindBytes[file.kind] += file.size;
      ++kindFiles[file.kind];
      smallest = std::min(smallest, file.size);
      largest = std::max(largest, file.size);
      under30000 += file.size < 30000;
      over3MB += file.size > 3000000;
    }
    if (names.size() == before) break;  // nothing more fits within the 2 % tolerance
  }
  // uninst.exe goes last, program.exe first, as the installer expects.
  std::stable_partition(names.begin(), names.end(), [](const std::string& n) { return n == "program.exe"; });
  std::stable_partition(names.begin(), names.end(), [](const std::string& n) { return n != "uninst.exe"; });

  std::string toml =
      "# Benchmark product written by make_corpus; do not edit.\n"
      "groupName = \"Bench\"\nappTitle = \"Bench\"\niniFileName = \"bench.ini\"\n"
      "offerStartupGroup = 0\nstartupPrompt = \"\"\nmainExecutable = \"program.exe\"\nfiles = [\n";
  for (const std::string& name : names) toml += "  \"" + name + "\",\n";
  toml += "]\n";
  FILE* description = fopen((outDir + "/product.toml").c_str(), "wb");
  if (description == nullptr || fwrite(toml.data(), 1, toml.size(), description) != toml.size() ||
      fclose(description) != 0) {
    fprintf(stderr, "make_corpus: cannot write %s/product.toml\n", outDir.c_str());
    return 1;
  }
  std::string list;
  for (const std::string& name : names) list += name + "\n";
  FILE* fileList = fopen((outDir + "/files.txt").c_str(), "wb");
  if (fileList == nullptr || fwrite(list.data(), 1, list.size(), fileList) != list.size() || fclose(fileList) != 0) {
    fprintf(stderr, "make_corpus: cannot write %s/files.txt\n", outDir.c_str());
    return 1;
  }

  printf("files %zu\nbytes %llu\n", names.size(), (unsigned long long)total);
  for (int k = 0; k < 3; ++k) {
    printf("kind %s: %llu files, %llu bytes (%.1f %%)\n", kKindNames[k], (unsigned long long)kindFiles[k],
           (unsigned long long)kindBytes[k], 100.0 * (double)kindBytes[k] / (double)total);
  }
  printf("smallest %llu bytes, largest %llu bytes, %llu under 30,000 bytes, %llu over 3 MB\n",
         (unsigned long long)smallest, (unsigned long long)largest, (unsigned long long)under30000,
         (unsigned long long)over3MB);
  return 0;
}
