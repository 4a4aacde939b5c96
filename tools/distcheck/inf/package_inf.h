// What the driver package installer takes from a package's INF for one Windows
// edition: the catalog file, the source files it copies out of the package
// folder, and whether [Manufacturer] leads it to a models section. Read through
// the system's INF parser interface, so that the same rules run on the
// checker's reader and, in the differential test, on SetupAPI.
//
// The rules, as the INF documentation gives them:
// - catalog: [Version] CatalogFile.NT<arch>, else CatalogFile.NT, else
//   CatalogFile (first line with the key wins);
// - source files: every line of [SourceDisksFiles.<arch>], and every line of
//   [SourceDisksFiles] whose file the decorated section does not list;
//   "file = diskid[,subdir]"; the disk is looked up in
//   [SourceDisksNames.<arch>], else [SourceDisksNames]:
//   "diskid = description[,tag-or-cab-file[,unused[,path]]]"; the file lies in
//   <package>\<path>\<subdir>, or in the disk's cabinet when tag-or-cab-file
//   ends in ".cab";
// - models: at each Windows version of the edition, at least one
//   [Manufacturer] line "name = models[,TargetOSVersion...]" must give it a
//   models section with lines (Windows installs from any line whose models
//   list the device). A TargetOSVersion is
//   nt[arch][.major[.minor[...]]]; it applies to a machine of that
//   architecture (x86 for "nt" without one, from Windows Server 2003 SP1 on)
//   whose version is major.minor or later; of those that apply, the one of
//   the highest version is used, and its section is <models>.<decoration>.
//   On x86 the undecorated <models> section serves when none applies; on
//   x64 a models section must be decorated. Product type, suite mask and
//   build number are not looked at: each edition tag covers workstation and
//   server editions alike;
// - kernel-mode services: each line of those models sections names an
//   install section, used as <install>.NT<arch>, else <install>.NT, else
//   <install>; each "AddService = name, flags, service-install-section" line
//   of its .Services section whose service-install section has ServiceType 1
//   (kernel driver) or 2 (file system driver) is one.
#pragma once

#include <string>
#include <vector>

#include "env/inf_file.h"

// A Windows edition as the INF's decorations see it: its architecture and the
// versions it covers, [min, end); end 0.0 means no upper bound.
struct InfTarget {
  bool amd64 = false;
  int minMajor = 0, minMinor = 0;
  int endMajor = 0, endMinor = 0;
};

// One file the installer copies out of the package folder.
struct SourceFile {
  std::string section;  // "SourceDisksFiles" or its decorated form, as spelled here
  std::string name;     // the file name, %strkey% tokens replaced
  std::string diskId;
  bool diskFound = false;  // the disk id has a [SourceDisksNames*] line
  std::string folder;      // path and subdir joined by '\' ("" for the package folder)
  std::string cabinet;     // the disk's cabinet file; "" when it has none
};

// A kernel-mode service the package installs.
struct KernelService {
  std::string name;
  std::string binary;  // the file name of its ServiceBinary, without folders
};

struct PackageInfView {
  std::string catalogKey;  // "CatalogFile.NTamd64" etc.; "" when there is none
  std::string catalog;     // its value
  std::vector<SourceFile> files;
  // One sentence per Windows version of the target at which no [Manufacturer]
  // line gives a models section with lines (or one when there is no
  // [Manufacturer] line at all); empty when every version has models.
  std::vector<std::string> modelsProblems;
  std::vector<KernelService> kernelServices;
};

// Reads the open INF for the target. Fields longer than 4095 characters count
// as missing, as they cannot be read through SetupAPI's largest INF string.
PackageInfView ReadPackageInf(InfFile* inf, const InfTarget& target);
