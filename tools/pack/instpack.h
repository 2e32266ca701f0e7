// The packaging tool as a library call: command line in, finished installer out.
#pragma once
#include <string>

/// Runs instpack on `argv` (argv[0] is the program name):
///   instpack <description.toml> -o <installer> [--tree DIR]... [--target win32|win64|native] [--stub FILE]
///            [--uninstaller-stub FILE] [--depfile FILE] [--winget-manifest DIR] [--threads N] [--data-files SIZE]
///            [--certificate FILE --key FILE | --pkcs12 FILE] [--password-file FILE] [--timestamp-url URL]
/// writes the finished installer: the prebuilt installer program of the target (win32 unless
/// told; `--stub` names it, else the one installed beside the tool, in ../share/instpack/) with
/// the product's data block in it. A description whose files hold no uninst.exe gets the
/// prebuilt uninstaller program of the target (`--uninstaller-stub`, else the one installed
/// beside the tool) filled in with its settings and file names, as its last file, uninst.exe. The output appears whole or not at all: it is written under a
/// temporary name beside it and renamed over it at the end, and on any failure nothing new is
/// left and an earlier file of that name stays as it was. With --depfile it also writes a
/// Makefile-syntax dependency file naming the description, every source, the icon and the programs.
/// Each --tree DIR packs the files under DIR after the description's own, as a { tree = DIR }
/// entry at the end of its list would (the description may then leave out `files`).
/// With --data-files the compressed pieces go into data files of at most SIZE bytes beside the
/// installer (data_files.h), which then holds none; written under temporary names like the
/// installer, they are renamed just before it. Without it, a product whose pieces pass what one
/// installer file holds is refused.
/// With --winget-manifest (not with --data-files) it then writes the Windows Package Manager's manifests of the finished
/// installer into DIR (winget_manifest.h); a description that lacks what they need is refused first,
/// with one line for each missing setting (the only error of more than one line).
/// With a certificate it signs the Windows installer (signing.h), and the generic uninstaller in it
/// before packing it: the material is checked before anything is written, and a failure to sign
/// leaves nothing either.
/// `instpack --version` prints "instpack <version>" and nothing else. The installer and
/// uninstaller programs it takes are those of its own version only (installer_image.h).
/// Returns the exit status: 0 on success (also after printing --help or --version to standard
/// output), 1 for
/// a bad description, source file, installer program, signing material or output path, or a
/// failure to write or to sign, with
/// a one-line `*error` naming the file at fault, and 2 for command-line misuse, with the
/// complaint in `*error`. Prints nothing else.
int RunInstpack(int argc, const char* const* argv, std::string* error);
