#include "tools/distcheck/checks/distribution_check.h"

#include <cstdint>
#include <map>
#include <vector>

#include "env/code_page.h"
#include "env/inf_parser.h"
#include "env/mbcs.h"
#include "env/setup_ini.h"
#include "tools/distcheck/base/text.h"
#include "tools/distcheck/checks/catalog_check.h"
#include "tools/distcheck/checks/driver_file_check.h"
#include "tools/distcheck/files/host_files.h"
#include "tools/distcheck/files/package_files.h"
#include "tools/distcheck/inf/driver_ver.h"
#include "tools/distcheck/inf/editions.h"
#include "tools/distcheck/inf/loaded_inf_parser.h"
#include "tools/distcheck/inf/package_inf.h"
#include "tools/distcheck/pe/pe_image.h"
#include "tools/distcheck/report/finding_codes.h"

namespace {

constexpr size_t kMaxImageSize = 64u << 20;  // larger "executables" are not read
constexpr size_t kMaxTextSize = 16u << 20;   // nor larger Setup.ini or INF files
constexpr DWORD kFieldSize = 260;            // Setup.exe's buffers, NUL included

void CheckSetupExe(const std::string& folder, DistReport* report, Findings* findings) {
  std::string path, content;
  if (!FindEntry(folder, "Setup.exe", &path)) {
    findings->Add("", FindingCode::kSetupExeMissing, "Setup.exe is missing");
    return;
  }
  report->setupExePresent = true;
  if (!ReadWholeFile(path, kMaxImageSize, &content)) {
    findings->Add("", FindingCode::kSetupExeUnreadable, "Setup.exe cannot be read");
    return;
  }
  PeImage image;
  if (!PeImage::Parse(reinterpret_cast<const uint8_t*>(content.data()), content.size(), &image)) {
    findings->Add("", FindingCode::kSetupExeNotPe, "Setup.exe is not a Windows executable");
    return;
  }
  report->setupExeIsPe = true;
  report->setupExeMachine = MachineName(image.GetMachine());
  if (!image.HasVersionRecord()) {
    findings->Add("", FindingCode::kSetupExeNoVersion, "Setup.exe has no version record");
    return;
  }
  report->setupExeHasVersion = true;
  report->setupExeFileVersion = image.GetFileVersion();
  report->setupExeProductVersion = image.GetProductVersion();
}

// Setup.exe opens Setup.ini as a legacy-style INF (INF_STYLE_OLDNT). Windows
// takes a file whose [Version] has a Signature of a Windows-style INF for
// one and refuses it in that style (ERROR_WRONG_INF_STYLE; Wine opens it);
// what it makes of another Signature in a legacy-style file is undocumented.
void CheckSetupIniSignature(InfParser* parser, Findings* findings) {
  std::unique_ptr<InfFile> inf = parser->Open("Setup.ini");
  if (!inf || !inf->FindFirstLine("Version")) return;
  do {
    char key[kFieldSize];
    char value[kFieldSize] = "";
    if (!inf->GetStringField(0, key, kFieldSize) || !AsciiEqualNoCase(key, "Signature")) continue;
    inf->GetStringField(1, value, kFieldSize);
    bool windowsStyle = false;
    for (const char* signature : {"$Windows NT$", "$Chicago$", "$Windows 95$"})
      windowsStyle = windowsStyle || AsciiEqualNoCase(value, signature);
    const std::string what =
        std::string("Setup.ini's [Version] section has the Signature \"") + value + "\"";
    const std::string fix = "; remove the Signature line (Setup.ini needs no [Version] section)";
    findings->Add("", FindingCode::kSetupIniSignature,
                  windowsStyle
                      ? what +
                            ", which makes it a Windows-style INF file; Setup.exe opens Setup.ini "
                            "as a legacy-style one (INF_STYLE_OLDNT), which Windows refuses "
                            "for such a file (ERROR_WRONG_INF_STYLE), so Setup.exe ends with "
                            "\"Failed to open Setup.ini file\" on every Windows machine (Wine "
                            "opens it all the same)" +
                            fix
                      : what +
                            "; Windows documents signatures only for Windows-style INF files, "
                            "which the legacy-style open (INF_STYLE_OLDNT) that Setup.exe makes "
                            "refuses, and not what it makes of another one" +
                            fix);
    return;
  } while (inf->FindNextLine());
}

// Microsoft documents INF files of ANSI text, and of UTF-16LE text for
// Windows-style INFs; how the legacy-style reader takes any other bytes it
// does not document (and Wine's reading of them proves nothing for Windows).
void CheckSetupIniEncoding(const std::string& bytes, Findings* findings) {
  std::string what;
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    what = "is UTF-8 text with a byte-order mark";
  } else if (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0) {
    what = "is UTF-16 text";
  } else if (bytes.find('\0') != std::string::npos) {
    what = "holds NUL bytes (UTF-16 text without a byte-order mark, or not text)";
  } else {
    return;
  }
  findings->Add("", FindingCode::kSetupIniEncoding,
                "Setup.ini " + what +
                    ": Microsoft does not document how Windows reads such a legacy-style INF "
                    "file (Setup.exe opens it as one); save it as ANSI text, in plain ASCII, "
                    "which every Windows reads alike");
}

// Why the [Dir] walk gave no folder for the tag, for the message.
std::string ExplainNoLine(InfParser* parser, const std::string& tag) {
  std::unique_ptr<InfFile> inf = parser->Open("Setup.ini");
  if (!inf || !inf->FindFirstLine("Dir")) return "Setup.ini has no [Dir] section with lines";
  const CodePage cp = CodePage::Ascii();
  bool keyFound = false;
  do {
    char key[kFieldSize];
    char value[kFieldSize];
    if (!inf->GetStringField(0, key, kFieldSize) || !MbEqualNoCase(key, tag, cp)) continue;
    keyFound = true;
    if (inf->GetStringField(1, value, kFieldSize)) {
      return "the first [Dir] line for " + tag +
             " with a readable value has an empty value, and Setup.exe stops there";
    }
  } while (inf->FindNextLine());
  if (!keyFound) return "Setup.ini has no [Dir] line for " + tag;
  return "no [Dir] line for " + tag +
         " has a value Setup.exe can read (it has none, or one of 260 characters or more)";
}

// What the driver package installer needs of the package for the edition:
// the catalog, every source file, a models section; then the files against
// the catalog. infPath: the INF, whose content is content.
void CheckPackageFiles(const std::string& packageDir, const std::string& infPath,
                       const std::string& content, const Edition& edition, TagRow* row,
                       Findings* findings) {
  const std::string inf = row->folder + "\\zavcir.inf";
  LoadedInfParser parser(content);
  std::unique_ptr<InfFile> file = parser.Open("zavcir.inf");
  if (!file) {
    findings->Add(
        row->tag, FindingCode::kInfUnparsable,
        row->tag + ": " + inf + " cannot be parsed as an INF file, so the installer refuses it");
    return;
  }
  const PackageInfView view = ReadPackageInf(file.get(), edition.target);
  std::string catalogPath;
  if (!view.catalog.empty() && !FindPackageFile(packageDir, view.catalog, &catalogPath)) {
    findings->Add(row->tag, FindingCode::kInfCatalogMissing,
                  row->tag + ": " + inf + " names the catalog " + Quoted(view.catalog) + " (" +
                      view.catalogKey + "), which is missing in " + row->folder);
    catalogPath.clear();
  }
  std::vector<PackageFile> files = {{"zavcir.inf", infPath, false}};
  for (const SourceFile& source : view.files) {
    const std::string what =
        row->tag + ": " + Quoted(source.name) + " of [" + source.section + "] in " + inf;
    const std::string relative = JoinFolder(source.folder, source.name);
    files.push_back({relative, "", false});
    if (!source.diskFound) {
      findings->Add(row->tag, FindingCode::kInfSourceFileMissing,
                    what + " is on disk " + Quoted(source.diskId) +
                        ", which no [SourceDisksNames] section describes");
      continue;
    }
    if (FindPackageFile(packageDir, relative, &files.back().path)) continue;
    std::string message = what + " is missing in " + JoinFolder(row->folder, source.folder);
    if (!source.cabinet.empty()) {
      std::string cabinet;
      if (FindPackageFile(packageDir, JoinFolder(source.folder, source.cabinet), &cabinet)) {
        files.back().inCabinet = true;
        continue;
      }
      message += ", and so is the disk's cabinet " + Quoted(source.cabinet);
    }
    findings->Add(row->tag, FindingCode::kInfSourceFileMissing, message);
  }
  for (const std::string& problem : view.modelsProblems) {
    findings->Add(row->tag, FindingCode::kInfNoModels,
                  row->tag + ": " + inf + ": " + problem +
                      "; so the installer finds no driver in this package for " + row->tag);
  }
  if (!catalogPath.empty()) {
    CheckPackageCatalog(catalogPath, files, view, edition, row, findings);
  }
  CheckDriverFileVersions(view, files, row->driverVersion, *row, findings);
}

void CheckInf(const std::string& packageDir, const Edition& edition, TagRow* row,
              Findings* findings) {
  std::string path, content;
  if (!FindEntry(packageDir, "zavcir.inf", &path)) {
    findings->Add(row->tag, FindingCode::kInfMissing,
                  row->tag + ": zavcir.inf is missing in " + row->folder);
    return;
  }
  if (!ReadWholeFile(path, kMaxTextSize, &content)) {
    findings->Add(row->tag, FindingCode::kInfUnreadable,
                  row->tag + ": " + row->folder + "\\zavcir.inf cannot be read");
    return;
  }
  const InfDriverVersion version = ReadDriverVersion(content);
  row->driverVersion = version.version;
  if (row->driverVersion.empty()) {
    std::string message =
        row->tag + ": " + row->folder + "\\zavcir.inf has no DriverVer line that gives a version";
    if (!version.utf16 && content.find('\0') != std::string::npos) {
      message +=
          " (the file holds NUL bytes: UTF-16 text without its byte-order mark, which "
          "Setup.exe reads as 8-bit text; save it as UTF-16LE with the mark, or as ANSI)";
    }
    findings->Add(row->tag, FindingCode::kInfNoDriverVersion, message);
  } else if (version.beyondAscii) {
    findings->Add(row->tag, FindingCode::kInfDriverVersionNotAscii,
                  row->tag + ": the DriverVer version " + Quoted(row->driverVersion) + " of " +
                      row->folder +
                      "\\zavcir.inf has characters beyond ASCII; Setup.exe writes it only "
                      "on Windows whose ANSI code page has each of them, and elsewhere "
                      "leaves the installer's own version in the \"Uninstall\" entry");
  }
  CheckPackageFiles(packageDir, path, content, edition, row, findings);
}

void CheckInstaller(const std::string& packageDir, TagRow* row, Findings* findings) {
  std::string path, content;
  const std::string where = row->tag + ": " + row->folder + "\\DPInst.exe";
  if (!FindEntry(packageDir, "DPInst.exe", &path)) {
    findings->Add(row->tag, FindingCode::kDpinstMissing,
                  row->tag + ": DPInst.exe is missing in " + row->folder);
    return;
  }
  if (!ReadWholeFile(path, kMaxImageSize, &content)) {
    findings->Add(row->tag, FindingCode::kDpinstUnreadable, where + " cannot be read");
    return;
  }
  PeImage image;
  if (!PeImage::Parse(reinterpret_cast<const uint8_t*>(content.data()), content.size(), &image)) {
    findings->Add(row->tag, FindingCode::kDpinstNotPe, where + " is not a Windows executable");
    return;
  }
  row->dpinstMachine = MachineName(image.GetMachine());
  row->dpinstVersion = image.GetFileVersion();
  CheckInstallerSignature(content, row);
  if (MachineName(image.GetMachine()) != row->expectedMachine) {
    findings->Add(row->tag, FindingCode::kDpinstMachine,
                  where + " is an " + row->dpinstMachine + " image; " + row->tag + " needs an " +
                      row->expectedMachine + " one");
  }
}

void CheckTag(const std::string& folder, const Edition& edition, InfParser* parser, TagRow* row,
              Findings* findings) {
  const std::string& tag = edition.tag;
  std::string value;
  // The tags are ASCII, so a key matches a tag under ASCII case rules exactly
  // when it does under the rules of any single-byte code page.
  const SetupIniResult result =
      ReadPackageSubdirectory(*parser, CodePage::Ascii(), folder, tag, &value);
  if (result != SETUP_INI_FOUND) {
    findings->Add(tag, FindingCode::kDirLineMissing, tag + ": " + ExplainNoLine(parser, tag));
    return;
  }
  row->hasLine = true;
  row->folder = value;
  if (value.find(' ') != std::string::npos) {
    findings->Add(tag, FindingCode::kFolderSpace,
                  tag + ": the folder name " + Quoted(value) +
                      " has a space; the installer records its uninstall command "
                      "unquoted, so Windows may start another program when it runs");
  }
  std::string packageDir, problem;
  if (!ResolvePackageFolder(folder, value, &packageDir, &problem)) {
    findings->Add(tag, FindingCode::kFolderMissing, tag + ": " + Quoted(value) + " " + problem);
    return;
  }
  row->folderExists = true;
  CheckInf(packageDir, edition, row, findings);
  CheckInstaller(packageDir, row, findings);
}

void CheckVersionsAgree(DistReport* report, Findings* findings) {
  std::map<std::string, std::vector<std::string>> tagsByVersion;
  for (const TagRow& row : report->rows) {
    if (!row.driverVersion.empty()) tagsByVersion[row.driverVersion].push_back(row.tag);
  }
  if (tagsByVersion.size() < 2) return;
  std::string message = "the driver versions differ: ";
  for (const auto& [version, tags] : tagsByVersion) {
    if (version != tagsByVersion.begin()->first) message += "; ";
    message += version + " (";
    for (size_t i = 0; i < tags.size(); ++i) message += (i ? ", " : "") + tags[i];
    message += ")";
  }
  findings->Add("", FindingCode::kDriverVersionMismatch, message);
}

}  // namespace

DistReport CheckDistribution(const std::string& folder) {
  DistReport report;
  report.folder = folder;
  report.catalogsChecked = CatalogsChecked();
  Findings findings(&report);
  for (const Edition& edition : SupportedEditions()) {
    TagRow row;
    row.tag = edition.tag;
    row.expectedMachine = MachineName(edition.machine);
    report.rows.push_back(row);
  }
  if (!IsDirectoryPath(folder)) {
    findings.Add("", FindingCode::kFolderMissing, Quoted(folder) + " is not a folder");
    return report;
  }
  if (LastComponent(WithoutTrailingSeparators(folder)).find(' ') != std::string::npos) {
    findings.Add("", FindingCode::kDistFolderSpace,
                 "the distribution folder's name has a space; the installer records its "
                 "uninstall command unquoted, so Windows may start another program "
                 "when it runs");
  }

  CheckSetupExe(folder, &report, &findings);

  std::string iniPath, ini;
  if (!FindEntry(folder, "Setup.ini", &iniPath)) {
    findings.Add("", FindingCode::kSetupIniMissing, "Setup.ini is missing");
    return report;
  }
  report.setupIniPresent = true;
  if (!ReadWholeFile(iniPath, kMaxTextSize, &ini)) {
    findings.Add("", FindingCode::kSetupIniUnreadable, "Setup.ini cannot be read");
    return report;
  }
  CheckSetupIniEncoding(ini, &findings);
  LoadedInfParser parser(ini);
  if (!parser.IsParsable()) {
    findings.Add("", FindingCode::kSetupIniUnparsable,
                 "Setup.ini cannot be parsed as an INF file (empty, a section name not "
                 "closed by ']' or longer than 255 characters, or text before the first "
                 "section)");
    return report;
  }
  report.setupIniParsable = true;
  CheckSetupIniSignature(&parser, &findings);

  for (size_t i = 0; i < report.rows.size(); ++i) {
    CheckTag(folder, SupportedEditions()[i], &parser, &report.rows[i], &findings);
  }
  CheckVersionsAgree(&report, &findings);
  return report;
}
