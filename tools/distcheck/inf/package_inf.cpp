#include "tools/distcheck/inf/package_inf.h"

#include <algorithm>
#include <cstdlib>

#include "env/mbcs.h"
#include "tools/distcheck/base/text.h"

namespace {

constexpr DWORD kFieldSize = 4096;  // SetupAPI's largest INF string, NUL included
constexpr DWORD kMaxFields = 64;

// One line of a section: its key (field 0, when readable) and its values.
struct Line {
  bool hasKey = false;
  std::string key;
  std::vector<std::string> values;  // fields 1, 2, ... up to the first unreadable one

  std::string Value(size_t index) const {  // field index (1-based); "" when missing
    return index >= 1 && index <= values.size() ? values[index - 1] : std::string();
  }
};

// Every line of the section, read once: the parser has one line context.
std::vector<Line> ReadSection(InfFile* inf, const std::string& name) {
  std::vector<Line> lines;
  if (!inf->FindFirstLine(name.c_str())) return lines;
  do {
    Line line;
    char buffer[kFieldSize];
    if (inf->GetStringField(0, buffer, kFieldSize)) {
      line.hasKey = true;
      line.key = buffer;
    }
    for (DWORD index = 1; index < kMaxFields && inf->GetStringField(index, buffer, kFieldSize);
         ++index) {
      line.values.push_back(buffer);
    }
    lines.push_back(line);
  } while (inf->FindNextLine());
  return lines;
}

bool SectionHasLines(InfFile* inf, const std::string& name) {
  return inf->FindFirstLine(name.c_str());
}

// Whether text is a decimal number; *value set when it is.
bool ParseNumber(const std::string& text, unsigned long* value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  *value = std::strtoul(text.c_str(), nullptr, 10);
  return true;
}

// Disk ids are numbers; "01" is disk 1.
bool SameDisk(const std::string& a, const std::string& b) {
  unsigned long x = 0, y = 0;
  if (ParseNumber(a, &x) && ParseNumber(b, &y)) return x == y;
  return AsciiEqualNoCase(a, b);
}

const Line* FindDisk(const std::vector<Line>& disks, const std::string& id) {
  for (const Line& disk : disks) {
    if (disk.hasKey && SameDisk(disk.key, id)) return &disk;
  }
  return nullptr;
}

bool EndsWithCab(const std::string& name) {
  return name.size() > 4 && AsciiLower(name.substr(name.size() - 4)) == ".cab";
}

void ReadSourceFiles(InfFile* inf, const std::string& arch, PackageInfView* view) {
  const std::string decoratedFiles = "SourceDisksFiles." + arch;
  const std::vector<Line> decorated = ReadSection(inf, decoratedFiles);
  const std::vector<Line> plain = ReadSection(inf, "SourceDisksFiles");
  const std::vector<Line> archDisks = ReadSection(inf, "SourceDisksNames." + arch);
  const std::vector<Line> plainDisks = ReadSection(inf, "SourceDisksNames");

  auto add = [&](const Line& line, const std::string& section) {
    if (!line.hasKey || line.key.empty()) return;
    SourceFile file;
    file.section = section;
    file.name = line.key;
    file.diskId = line.Value(1);
    const Line* disk = FindDisk(archDisks, file.diskId);
    if (disk == nullptr) disk = FindDisk(plainDisks, file.diskId);
    if (disk != nullptr) {
      file.diskFound = true;
      file.folder = JoinFolder(disk->Value(4), line.Value(2));
      if (EndsWithCab(disk->Value(2))) file.cabinet = disk->Value(2);
    }
    view->files.push_back(file);
  };
  for (const Line& line : decorated) add(line, decoratedFiles);
  for (const Line& line : plain) {
    bool overridden = false;
    for (const Line& other : decorated) {
      overridden = overridden || (other.hasKey && AsciiEqualNoCase(other.key, line.key));
    }
    if (!overridden) add(line, "SourceDisksFiles");
  }
}

// The catalog the [Version] section names for the architecture.
void FindCatalogFile(InfFile* inf, const std::string& ntArch, PackageInfView* view) {
  const std::vector<Line> version = ReadSection(inf, "Version");
  for (const std::string& key :
       {"CatalogFile." + ntArch, std::string("CatalogFile.NT"), std::string("CatalogFile")}) {
    for (const Line& line : version) {
      if (line.hasKey && AsciiEqualNoCase(line.key, key)) {
        view->catalogKey = key;
        view->catalog = line.Value(1);
        return;
      }
    }
  }
}

// A TargetOSVersion decoration: nt[arch][.major[.minor[...]]].
struct Decoration {
  std::string text;
  std::string arch;  // lower case; "" when none is given
  int major = 0, minor = 0;
};

bool ParseDecoration(const std::string& text, Decoration* out) {
  const std::string lower = AsciiLower(text);
  if (lower.compare(0, 2, "nt") != 0) return false;
  const size_t dot = lower.find('.');
  out->text = text;
  out->arch = lower.substr(2, dot == std::string::npos ? std::string::npos : dot - 2);
  out->major = out->minor = 0;
  if (dot == std::string::npos) return true;
  const size_t dot2 = lower.find('.', dot + 1);
  const std::string major =
      lower.substr(dot + 1, dot2 == std::string::npos ? dot2 : dot2 - dot - 1);
  const std::string minor =
      dot2 == std::string::npos ? "" : lower.substr(dot2 + 1, lower.find('.', dot2 + 1) - dot2 - 1);
  unsigned long value = 0;
  if (!major.empty()) {
    if (!ParseNumber(major, &value) || value > 0xFFFF) return false;
    out->major = static_cast<int>(value);
  }
  if (!minor.empty()) {
    if (!ParseNumber(minor, &value) || value > 0xFFFF) return false;
    out->minor = static_cast<int>(value);
  }
  return true;
}

bool ArchApplies(const Decoration& d, bool amd64) {
  return amd64 ? d.arch == "amd64" : (d.arch == "x86" || d.arch.empty());
}

bool VersionAtMost(int major, int minor, int limitMajor, int limitMinor) {
  return major < limitMajor || (major == limitMajor && minor <= limitMinor);
}

std::string VersionText(int major, int minor) {
  return std::to_string(major) + "." + std::to_string(minor);
}

// One [Manufacturer] line as the target sees it: its models section name and
// the decorations that apply to the target's architecture.
struct ManufacturerLine {
  std::string models;
  std::vector<Decoration> decorations;
};

ManufacturerLine ReadManufacturerLine(const Line& line, const InfTarget& target) {
  ManufacturerLine out;
  out.models = line.Value(1);
  for (size_t i = 2; i <= line.values.size(); ++i) {
    Decoration d;
    if (ParseDecoration(line.Value(i), &d) && ArchApplies(d, target.amd64)) {
      out.decorations.push_back(d);
    }
  }
  return out;
}

// Why the line gives Windows major.minor no models section with lines; ""
// when it gives one, which is then *section.
std::string ModelsProblemAt(InfFile* inf, const ManufacturerLine& line, const InfTarget& target,
                            int major, int minor, std::string* section) {
  if (line.models.empty()) return "a [Manufacturer] line names no models section";
  const std::string quoted = Quoted(line.models);
  if (target.amd64 && line.decorations.empty()) {
    return "the models " + quoted +
           " have no NTamd64 decoration in [Manufacturer]; 64-bit Windows uses only models "
           "sections decorated for it";
  }
  const Decoration* best = nullptr;
  for (const Decoration& d : line.decorations) {
    if (!VersionAtMost(d.major, d.minor, major, minor)) continue;
    if (best == nullptr || !VersionAtMost(d.major, d.minor, best->major, best->minor) ||
        (d.major == best->major && d.minor == best->minor && best->arch.empty())) {
      best = &d;
    }
  }
  const std::string windows = "Windows " + VersionText(major, minor);
  if (best != nullptr) {
    *section = line.models + "." + best->text;
    if (SectionHasLines(inf, *section)) return std::string();
    return "the models section [" + *section + "] that " + windows + " uses is missing or empty";
  }
  if (target.amd64) {
    return "the models " + quoted + " have no NTamd64 decoration for " + windows +
           " in [Manufacturer] (only for later versions)";
  }
  *section = line.models;
  if (SectionHasLines(inf, line.models)) return std::string();
  return "the models " + quoted +
         " have neither an NTx86 decoration in [Manufacturer] nor an undecorated section [" +
         line.models + "] for " + windows;
}

// Windows installs a device from any [Manufacturer] line whose models
// section for the running version lists it: the target has models at a
// version when at least one line gives it a section with lines there. The
// choice of a line can change only at the target's lowest version and at
// the decorations' versions inside its range, so those are checked. One
// sentence per version where no line gives models; *used: the models sections
// that serve some version.
std::vector<std::string> ModelsProblems(InfFile* inf, const std::vector<Line>& lines,
                                        const InfTarget& target, std::vector<std::string>* used) {
  if (lines.empty()) return {"it has no [Manufacturer] section with lines"};
  std::vector<ManufacturerLine> manufacturers;
  std::vector<std::pair<int, int>> points = {{target.minMajor, target.minMinor}};
  for (const Line& line : lines) {
    manufacturers.push_back(ReadManufacturerLine(line, target));
    for (const Decoration& d : manufacturers.back().decorations) {
      const bool aboveMin = !VersionAtMost(d.major, d.minor, target.minMajor, target.minMinor);
      const bool belowEnd = (target.endMajor == 0 && target.endMinor == 0) ||
                            !VersionAtMost(target.endMajor, target.endMinor, d.major, d.minor);
      if (aboveMin && belowEnd) points.push_back({d.major, d.minor});
    }
  }
  std::vector<std::string> problems;
  for (const auto& [major, minor] : points) {
    std::vector<std::string> reasons;
    bool served = false;
    for (const ManufacturerLine& line : manufacturers) {
      std::string section;
      const std::string reason = ModelsProblemAt(inf, line, target, major, minor, &section);
      if (reason.empty() && std::find(used->begin(), used->end(), section) == used->end()) {
        used->push_back(section);
      }
      served = served || reason.empty();
      if (std::find(reasons.begin(), reasons.end(), reason) == reasons.end())
        reasons.push_back(reason);
    }
    if (served) continue;
    std::string problem = reasons.front();
    if (manufacturers.size() > 1) {
      problem = "none of its " + std::to_string(manufacturers.size()) +
                " [Manufacturer] lines gives Windows " + VersionText(major, minor) +
                " a models section: " + reasons.front();
      for (size_t i = 1; i < reasons.size(); ++i) problem += "; " + reasons[i];
    }
    if (std::find(problems.begin(), problems.end(), problem) == problems.end())
      problems.push_back(problem);
  }
  return problems;
}

// The install section a models line names, as Windows picks it for the
// architecture: <install>.NT<arch>, else <install>.NT, else <install>; "" when
// none has lines.
std::string InstallSection(InfFile* inf, const std::string& install, const std::string& ntArch) {
  for (const std::string& name : {install + "." + ntArch, install + ".NT", install}) {
    if (SectionHasLines(inf, name)) return name;
  }
  return std::string();
}

// The kernel-mode services (ServiceType 1 or 2) that the install sections of
// the models sections add, with the file names of their binaries.
std::vector<KernelService> KernelServices(InfFile* inf, const std::vector<std::string>& models,
                                          const std::string& ntArch) {
  std::vector<std::string> installs;
  for (const std::string& section : models) {
    for (const Line& line : ReadSection(inf, section)) {
      const std::string install = InstallSection(inf, line.Value(1), ntArch);
      if (!install.empty() &&
          std::find(installs.begin(), installs.end(), install) == installs.end())
        installs.push_back(install);
    }
  }
  std::vector<KernelService> services;
  for (const std::string& install : installs) {
    for (const Line& line : ReadSection(inf, install + ".Services")) {
      if (!line.hasKey || !AsciiEqualNoCase(line.key, "AddService")) continue;
      unsigned long type = 0;
      std::string binary;
      for (const Line& entry : ReadSection(inf, line.Value(3))) {
        if (!entry.hasKey) continue;
        if (AsciiEqualNoCase(entry.key, "ServiceType"))
          type = std::strtoul(entry.Value(1).c_str(), nullptr, 0);
        if (AsciiEqualNoCase(entry.key, "ServiceBinary")) binary = entry.Value(1);
      }
      if (type != 1 && type != 2) continue;
      services.push_back({line.Value(1), LastComponent(binary)});
    }
  }
  return services;
}

}  // namespace

PackageInfView ReadPackageInf(InfFile* inf, const InfTarget& target) {
  PackageInfView view;
  const std::string ntArch = target.amd64 ? "NTamd64" : "NTx86";
  FindCatalogFile(inf, ntArch, &view);
  ReadSourceFiles(inf, target.amd64 ? "amd64" : "x86", &view);
  std::vector<std::string> models;
  view.modelsProblems = ModelsProblems(inf, ReadSection(inf, "Manufacturer"), target, &models);
  view.kernelServices = KernelServices(inf, models, ntArch);
  return view;
}
