// The names of the files the installer keeps beside the product's own in the data directory: the
// packaging tool refuses a product file of one of these names.
#pragma once

/// The record of the installation (payload/install_record.h), beside the uninstaller that reads
/// it: it goes where the product goes, and is the same for every user of an installation for all
/// users.
const char InstallRecordName[] = "uninst.dat";

/// What the record is written as before it is renamed over the earlier one.
const char InstallRecordNewSuffix[] = ".new";

/// What a file of an earlier installation is renamed to, in its own folder, while the file of
/// the installation under way takes its place: "<name>.replaced".
const char ReplacedSuffix[] = ".replaced";
