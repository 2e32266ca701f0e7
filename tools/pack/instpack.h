// The packaging tool as a library call: command line in, generated table and packed blob out.
#pragma once
#include <string>

/// Runs instpack on `argv` (argv[0] is the program name):
///   instpack <description.toml> --out-dir DIR [--depfile FILE] [--threads N]
/// writes DIR/payload_table.cpp, DIR/payload.bin and, if asked, the depfile, all or none: on
/// any failure the new files and any earlier outputs of the same names are removed, so a build
/// cannot go on with a table that no longer matches its description. Returns the exit status:
/// 0 on success (also after printing --help to standard output), 1 for a bad description or
/// source file or a failure to write, with a one-line `*error`, and 2 for command-line misuse,
/// with the complaint in `*error`. Prints nothing else.
int RunInstpack(int argc, const char* const* argv, std::string* error);
