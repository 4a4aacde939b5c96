#include "tools/distcheck/dist_checker.h"

#include <cstdint>
#include <map>
#include <vector>

#include "env/code_page.h"
#include "env/mbcs.h"
#include "env/setup_ini.h"
#include "tools/distcheck/checker_platform.h"
#include "tools/distcheck/dist_files.h"
#include "tools/distcheck/driver_ver.h"
#include "tools/distcheck/editions.h"
#include "tools/distcheck/finding_codes.h"
#include "tools/distcheck/loaded_inf_parser.h"
#include "tools/distcheck/package_inf.h"
#include "tools/distcheck/pe_image.h"

namespace {

constexpr size_t kMaxImageSize = 64u << 20;  // larger "executables" are not read
constexpr size_t kMaxTextSize = 16u << 20;   // nor larger Setup.ini or INF files
constexpr DWORD kFieldSize = 260;            // Setup.exe's buffers, NUL included

class Findings {
 public:
  explicit Findings(DistReport* report) : m_report(report) {}
  // A finding of the kind id, with its code and severity.
  void Add(const std::string& tag, FindingCode id, const std::string& message) {
    const FindingKind& kind = KindOf(id);
    m_report->findings.push_back({kind.severity, tag, kind.code, message});
  }

 private:
  DistReport* m_report;
};

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// Two parts of a Windows path joined by '\\'; an empty part is left out.
std::string JoinFolder(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return a + b;
  return a + "\\" + b;
}

// The last component of a path, trailing separators ignored.
std::string BaseName(std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  const size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

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

// Whether text holds "%<digits>%": SetupAPI replaces such a text with the path of
// a system folder (%11% is the system directory); the checker's reader leaves it.
bool HasFolderId(const std::string& text) {
  size_t open = text.find('%');
  while (open != std::string::npos) {
    const size_t close = text.find('%', open + 1);
    if (close == std::string::npos) return false;
    const std::string inner = text.substr(open + 1, close - open - 1);
    if (!inner.empty() && inner.find_first_not_of("0123456789") == std::string::npos) return true;
    open = text.find('%', close + 1);
  }
  return false;
}

// The folder a [Dir] value names below base, resolved as Windows resolves
// base + "\" + value. false with *problem set when it names none.
bool ResolvePackageFolder(const std::string& base, const std::string& value, std::string* path,
                          std::string* problem) {
  if (HasFolderId(value)) {
    *problem =
        "holds a system folder id (%number%), which SetupAPI replaces with a folder of the "
        "target machine; that can never lie in the distribution folder";
    return false;
  }
  if (value.find(':') != std::string::npos) {
    *problem = "is not a path relative to Setup.exe's folder";
    return false;
  }
  std::string current = base;
  size_t start = 0;
  while (start <= value.size()) {
    size_t end = value.find_first_of("\\/", start);
    if (end == std::string::npos) end = value.size();
    std::string part = value.substr(start, end - start);
    start = end + 1;
    if (part.find_first_not_of('.') != std::string::npos) {
      // Windows drops trailing dots and blanks of a name.
      while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    }
    if (part.empty() || part == ".") continue;
    for (char c : part) {
      const auto b = static_cast<unsigned char>(c);
      if (b < 0x20 || std::string("<>|*?\"").find(c) != std::string::npos) {
        *problem = "contains a character that Windows does not allow in names";
        return false;
      }
    }
    std::string next;
    if (part == "..") {
      next = JoinPath(current, "..");
    } else if (!FindEntry(current, part, &next)) {
      *problem = "names no existing folder";
      return false;
    }
    current = next;
  }
  if (!IsDirectoryPath(current)) {
    *problem = "names a file, not a folder";
    return false;
  }
  *path = current;
  return true;
}

// The file at relative (folders and name joined by '\\' or '/') below the
// package folder, matched as Windows matches names; false when there is none.
bool FindPackageFile(const std::string& packageDir, const std::string& relative,
                     std::string* path) {
  const size_t cut = relative.find_last_of("\\/");
  const std::string folder = cut == std::string::npos ? "" : relative.substr(0, cut);
  const std::string name = cut == std::string::npos ? relative : relative.substr(cut + 1);
  std::string folderPath, problem;
  return ResolvePackageFolder(packageDir, folder, &folderPath, &problem) &&
         FindEntry(folderPath, name, path) && IsPlainFile(*path);
}

// What the driver package installer needs of the package for the edition:
// the catalog, every source file, a models section.
void CheckPackageFiles(const std::string& packageDir, const std::string& content,
                       const InfTarget& target, TagRow* row, Findings* findings) {
  const std::string inf = row->folder + "\\zavcir.inf";
  LoadedInfParser parser(content);
  std::unique_ptr<InfFile> file = parser.Open("zavcir.inf");
  if (!file) {
    findings->Add(
        row->tag, FindingCode::kInfUnparsable,
        row->tag + ": " + inf + " cannot be parsed as an INF file, so the installer refuses it");
    return;
  }
  const PackageInfView view = ReadPackageInf(file.get(), target);
  std::string path;
  if (!view.catalog.empty() && !FindPackageFile(packageDir, view.catalog, &path)) {
    findings->Add(row->tag, FindingCode::kInfCatalogMissing,
                  row->tag + ": " + inf + " names the catalog " + Quoted(view.catalog) + " (" +
                      view.catalogKey + "), which is missing in " + row->folder);
  }
  for (const SourceFile& source : view.files) {
    const std::string what =
        row->tag + ": " + Quoted(source.name) + " of [" + source.section + "] in " + inf;
    if (!source.diskFound) {
      findings->Add(row->tag, FindingCode::kInfSourceFileMissing,
                    what + " is on disk " + Quoted(source.diskId) +
                        ", which no [SourceDisksNames] section describes");
      continue;
    }
    if (FindPackageFile(packageDir, JoinFolder(source.folder, source.name), &path)) continue;
    std::string message = what + " is missing in " + JoinFolder(row->folder, source.folder);
    if (!source.cabinet.empty()) {
      if (FindPackageFile(packageDir, JoinFolder(source.folder, source.cabinet), &path)) continue;
      message += ", and so is the disk's cabinet " + Quoted(source.cabinet);
    }
    findings->Add(row->tag, FindingCode::kInfSourceFileMissing, message);
  }
  for (const std::string& problem : view.modelsProblems) {
    findings->Add(row->tag, FindingCode::kInfNoModels,
                  row->tag + ": " + inf + ": " + problem +
                      "; so the installer finds no driver in this package for " + row->tag);
  }
}

void CheckInf(const std::string& packageDir, const InfTarget& target, TagRow* row,
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
  CheckPackageFiles(packageDir, content, target, row, findings);
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
  const SetupIniResult result = ReadPackageSubdirectory(folder, tag, &value);
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
  CheckInf(packageDir, edition.target, row, findings);
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
  if (BaseName(folder).find(' ') != std::string::npos) {
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

  ScopedCheckerPlatform platform(&parser);
  for (size_t i = 0; i < report.rows.size(); ++i) {
    CheckTag(folder, SupportedEditions()[i], &parser, &report.rows[i], &findings);
  }
  CheckVersionsAgree(&report, &findings);
  return report;
}
