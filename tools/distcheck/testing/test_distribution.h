// Test support: distribution folders made in a temporary directory (the
// checker's tests' sample: an INF for both architectures with its driver and
// catalog), and the findings of a report in a form to compare.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "env/mbcs.h"
#include "tools/distcheck/pe/pe_image.h"
#include "tools/distcheck/report/report_types.h"
#include "tools/distcheck/testing/catalog_test_support.h"
#include "tools/distcheck/testing/pe_test_image.h"

namespace dist_test {

inline const char kIni[] =
    "[Dir]\nWinXP32=x86\nWinXP64=x64\nVista32=x86\nVista64=x64\nWin7_32=x86\nWin7_64=x64\n";
// A package INF for both architectures: zavcir.sys, zavcir.cat and models for each.
inline const char kVersion[] =
    "[Version]\r\nSignature = \"$Windows NT$\"\r\nDriverVer = 06/21/2013, 3.0.0.2\r\n";
inline const char kModels[] =
    "[Manufacturer]\r\n%Mfg% = Models, NTx86, NTamd64\r\n"
    "[Models.NTx86]\r\n%Dev% = Install, ACPI\\ZAV0C1R\r\n"
    "[Models.NTamd64]\r\n%Dev% = Install, ACPI\\ZAV0C1R\r\n";
inline const char kFiles[] =
    "[SourceDisksNames]\r\n1 = %Disk%\r\n[SourceDisksFiles]\r\nzavcir.sys = 1\r\n";
inline const char kStrings[] =
    "[Strings]\r\nMfg = \"ZAV\"\r\nDev = \"Receiver\"\r\nDisk = \"Disk 1\"\r\n";
inline const std::string kInf =
    std::string(kVersion) + "CatalogFile = zavcir.cat\r\n" + kModels + kFiles + kStrings;

// text with its first "from" replaced by "to".
inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// text as UTF-16LE bytes after the byte-order mark; ASCII text only.
inline std::string Utf16(const std::string& text) {
  std::string bytes = "\xFF\xFE";
  for (char c : text) bytes += {c, '\0'};
  return bytes;
}
inline std::string Utf16(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return bytes;
}

// A distribution folder in a temporary directory, removed at the end.
class DistFolder {
 public:
  DistFolder() {
    char pattern[] = "/tmp/distcheck-test-XXXXXX";
    m_root = ::mkdtemp(pattern);
  }
  ~DistFolder() { std::system(("rm -rf '" + m_root + "'").c_str()); }

  const std::string& Root() const { return m_root; }
  void Write(const std::string& relative, const std::string& content) {
    const size_t slash = relative.rfind('/');
    if (slash != std::string::npos) MakeDir(relative.substr(0, slash));
    std::ofstream(m_root + "/" + relative, std::ios::binary) << content;
  }
  // Makes the folder and the folders above it.
  void MakeDir(const std::string& relative) {
    for (size_t slash = relative.find('/'); slash != std::string::npos;
         slash = relative.find('/', slash + 1)) {
      ::mkdir((m_root + "/" + relative.substr(0, slash)).c_str(), 0755);
    }
    ::mkdir((m_root + "/" + relative).c_str(), 0755);
  }
  void Remove(const std::string& relative) { ::unlink((m_root + "/" + relative).c_str()); }
  std::string Read(const std::string& relative) const {
    std::ifstream file(m_root + "/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }

  // The package of kInf in folder: zavcir.inf, zavcir.sys and zavcir.cat,
  // a catalog of the two signed with a vendor's certificate.
  void WritePackage(const std::string& folder) {
    Write(folder + "/zavcir.inf", kInf);
    Write(folder + "/zavcir.sys", "driver");
    Write(folder + "/zavcir.cat",
          catalog_test::MakeCatalog({{"zavcir.inf", kInf}, {"zavcir.sys", "driver"}}));
  }

  // Makes each catalog (*.cat) anew, signed with a vendor's certificate: a
  // member for every other file in its folder and below, Setup.* and
  // DPInst.exe left out.
  void ResignAll() {
    namespace fs = std::filesystem;
    for (const auto& dir : fs::recursive_directory_iterator(m_root)) {
      if (!dir.is_directory()) continue;
      std::vector<CatalogSource> files;
      std::vector<fs::path> catalogs;
      for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        const bool catalog = AsciiLower(entry.path().extension().string()) == ".cat";
        if (catalog && entry.path().parent_path() == dir.path()) catalogs.push_back(entry.path());
        if (!entry.is_regular_file() || catalog || AsciiEqualNoCase(name, "DPInst.exe")) continue;
        std::ifstream file(entry.path(), std::ios::binary);
        files.push_back({name, std::string(std::istreambuf_iterator<char>(file), {})});
      }
      for (const fs::path& catalog : catalogs) {
        std::ofstream(catalog, std::ios::binary) << catalog_test::MakeCatalog(files);
      }
    }
  }

  // Setup.exe, Setup.ini and the x86 and x64 package folders, all correct.
  void MakeClean() {
    Write("Setup.exe", pe_test::MakeImage(kMachineI386, false, true, {1, 0, 0, 7}));
    Write("Setup.ini", kIni);
    for (const char* folder : {"x86", "x64"}) WritePackage(folder);
    Write("x86/DPInst.exe", pe_test::MakeImage(kMachineI386, false, true));
    Write("x64/DPInst.exe", pe_test::MakeImage(kMachineAmd64, true, true));
  }

 private:
  std::string m_root;
};

// "severity tag code" of every finding.
inline std::set<std::string> Codes(const DistReport& report) {
  std::set<std::string> codes;
  for (const Finding& f : report.findings) {
    codes.insert(std::string(f.severity == Severity::kError ? "E " : "W ") +
                 (f.tag.empty() ? "-" : f.tag) + " " + f.code);
  }
  return codes;
}

}  // namespace dist_test
