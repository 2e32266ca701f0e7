// Runs shell commands side by side, round-robin, and prints medians of wall time, CPU time and
// the peak memory of each, with each command's time as a ratio to the first one's.
//
//   benchrun [--reps N] [--before CMD] [--in-order] LABEL COMMAND [LABEL COMMAND]...
//
// Every repetition runs each command once, in a rotating order (or as given, with --in-order,
// for steps that depend on each other), so that a noisy neighbour slows all of them alike; ratios are taken within one repetition and their median printed.
// `--before` runs (untimed) before every timed command, e.g. to remove the previous outputs.
// Output, one line per command, tab-separated:
//   LABEL  median_wall_s  min_wall_s  max_wall_s  median_cpu_s  peak_rss_kb  median_ratio_to_first
// A command that fails stops the run with status 1.
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Sample {
  double wall;
  double cpu;
  long peakKb;
};

double Now() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

// Runs `command` through /bin/sh; returns false when it cannot start or exits non-zero.
bool Run(const std::string& command, Sample* sample) {
  const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
  const double start = Now();
  pid_t child;
  if (posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) return false;
  int status = 0;
  rusage usage;
  if (wait4(child, &status, 0, &usage) != child) return false;
  sample->wall = Now() - start;
  sample->cpu = (double)usage.ru_utime.tv_sec + (double)usage.ru_utime.tv_usec * 1e-6 +
                (double)usage.ru_stime.tv_sec + (double)usage.ru_stime.tv_usec * 1e-6;
  sample->peakKb = usage.ru_maxrss;  // the largest of the command and the children it waited for
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  int reps = 5;
  std::string before;
  bool inOrder = false;
  std::vector<std::string> labels, commands;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--reps") == 0 && i + 1 < argc) {
      reps = std::max(1, atoi(argv[++i]));
    } else if (strcmp(argv[i], "--before") == 0 && i + 1 < argc) {
      before = argv[++i];
    } else if (strcmp(argv[i], "--in-order") == 0) {
      inOrder = true;
    } else if (i + 1 < argc) {
      labels.push_back(argv[i]);
      commands.push_back(argv[++i]);
    } else {
      fprintf(stderr, "usage: benchrun [--reps N] [--before CMD] [--in-order] LABEL COMMAND [LABEL COMMAND]...\n");
      return 2;
    }
  }
  const size_t n = commands.size();
  if (n == 0) return 2;
  std::vector<std::vector<Sample>> samples(n);
  for (int rep = 0; rep < reps; ++rep) {
    for (size_t k = 0; k < n; ++k) {
      const size_t c = inOrder ? k : (k + (size_t)rep) % n;
      Sample ignored, sample;
      if (!before.empty() && !Run(before, &ignored)) {
        fprintf(stderr, "benchrun: the --before command failed\n");
        return 1;
      }
      if (!Run(commands[c], &sample)) {
        fprintf(stderr, "benchrun: %s failed: %s\n", labels[c].c_str(), commands[c].c_str());
        return 1;
      }
      samples[c].push_back(sample);
    }
  }
  for (size_t c = 0; c < n; ++c) {
    std::vector<double> wall, cpu, ratio;
    long peak = 0;
    for (int rep = 0; rep < reps; ++rep) {
      wall.push_back(samples[c][rep].wall);
      cpu.push_back(samples[c][rep].cpu);
      ratio.push_back(samples[c][rep].wall / samples[0][rep].wall);
      peak = std::max(peak, samples[c][rep].peakKb);
    }
    printf("%s\t%.4f\t%.4f\t%.4f\t%.4f\t%ld\t%.4f\n", labels[c].c_str(), Median(wall),
           *std::min_element(wall.begin(), wall.end()), *std::max_element(wall.begin(), wall.end()),
           Median(cpu), peak, Median(ratio));
  }
  return 0;
}
