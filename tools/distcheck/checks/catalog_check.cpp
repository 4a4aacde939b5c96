#include "tools/distcheck/checks/catalog_check.h"

#include "env/mbcs.h"
#include "tools/distcheck/base/text.h"
#include "tools/distcheck/catalog/catalog_reader.h"
#include "tools/distcheck/catalog/file_hash.h"
#include "tools/distcheck/catalog/image_signature.h"
#include "tools/distcheck/files/host_files.h"

namespace {

constexpr size_t kMaxCatalogSize = 64u << 20;
constexpr size_t kMaxFileSize = 256u << 20;

// What the catalog holds of one file.
struct Lookup {
  std::string status = "not-covered";
  std::string hash;                       // the file's, raw
  const CatalogMember* member = nullptr;  // the member that holds it, or one of its name
  std::string why;                        // for "not-covered" and "line-endings": a clause
};

// Whether content is text: UTF-16LE after its byte-order mark, or 8-bit text without NULs.
bool IsText(const std::string& content) {
  return content.compare(0, 2, "\xFF\xFE") == 0 || content.find('\0') == std::string::npos;
}

// Text content with its line ends made CR LF (crlf) or LF; UTF-16LE text
// (after its byte-order mark) in 16-bit units.
std::string WithLineEnds(const std::string& content, bool crlf) {
  const bool wide = content.compare(0, 2, "\xFF\xFE") == 0;
  const size_t unit = wide ? 2 : 1;
  auto is = [&](size_t i, char c) {
    return i + unit <= content.size() && content[i] == c && (!wide || content[i + 1] == '\0');
  };
  std::string out;
  out.reserve(content.size() + content.size() / 8);
  for (size_t i = 0; i < content.size(); i += unit) {
    if (crlf && is(i, '\n') && !(i >= unit && is(i - unit, '\r'))) {
      out += '\r';
      if (wide) out += '\0';
    }
    if (!crlf && is(i, '\r') && is(i + unit, '\n')) continue;
    out.append(content, i, unit);
  }
  return out;
}

const CatalogMember* MemberWithHash(const CatalogContent& catalog, const std::string& hash) {
  for (const CatalogMember& member : catalog.members) {
    if (member.hasHash && member.algorithm == catalog.algorithm && member.hash == hash)
      return &member;
  }
  return nullptr;
}

// A member whose File is the file's name; for an INF also any member of an
// INF file (the package's INF may carry another name here).
const CatalogMember* MemberNamed(const CatalogContent& catalog, const std::string& name, bool inf) {
  const CatalogMember* anyInf = nullptr;
  for (const CatalogMember& member : catalog.members) {
    if (AsciiEqualNoCase(member.file, LastComponent(name))) return &member;
    const bool isInf = member.file.size() > 4 &&
                       AsciiEqualNoCase(member.file.substr(member.file.size() - 4), ".inf");
    if (inf && isInf && anyInf == nullptr) anyInf = &member;
  }
  return anyInf;
}

Lookup LookUp(const CatalogContent& catalog, const PackageFile& file, bool inf) {
  Lookup lookup;
  std::string content;
  if (!ReadWholeFile(file.path, kMaxFileSize, &content)) {
    lookup.why = "it cannot be read (or is larger than 256 MiB)";
    return lookup;
  }
  const FileHash hash = HashPackageFile(catalog.algorithm, content);
  if (hash.kind == FileHash::kDamagedImage) {
    lookup.why =
        "it is a PE image whose certificate table lies outside it, which Windows cannot hash";
    return lookup;
  }
  lookup.hash = hash.digest;
  if ((lookup.member = MemberWithHash(catalog, hash.digest)) != nullptr) {
    lookup.status = "covered";
    return lookup;
  }
  for (bool crlf : {true, false}) {
    if (hash.kind != FileHash::kWholeFile || !IsText(content)) break;
    const std::string other = WithLineEnds(content, crlf);
    if (other == content) continue;
    if ((lookup.member = MemberWithHash(catalog, HashOf(catalog.algorithm, other))) != nullptr) {
      lookup.status = "line-endings";
      lookup.why = crlf ? "CR LF" : "LF";
      return lookup;
    }
  }
  if ((lookup.member = MemberNamed(catalog, file.name, inf)) != nullptr) {
    lookup.status = "changed";
    return lookup;
  }
  lookup.why = std::string("the catalog holds no member with its ") + HashName(catalog.algorithm) +
               (hash.kind == FileHash::kImage ? " image hash " : " hash ") + HexOf(hash.digest);
  return lookup;
}

void ReportFile(const std::string& where, const CatalogContent& catalog, const PackageFile& file,
                const Lookup& lookup, const std::string& tag, Findings* findings) {
  const std::string what = tag + ": " + Quoted(file.name);
  if (lookup.status == "line-endings") {
    const std::string other = lookup.why == "CR LF" ? "LF" : "CR LF";
    findings->Add(tag, FindingCode::kCatalogLineEndings,
                  what + ": the catalog " + where + " holds the hash of this text with " +
                      lookup.why + " line ends, the file has " + other +
                      " ones: its line ends were changed after signing (a version-control "
                      "line-end conversion), and Windows refuses the package as tampered with; "
                      "ship the files as they were signed and store them as binary in version "
                      "control (Git: '*.inf binary' in .gitattributes)");
  } else if (lookup.status == "changed") {
    const bool sameName = AsciiEqualNoCase(lookup.member->file, LastComponent(file.name));
    findings->Add(tag, FindingCode::kCatalogFileNotCovered,
                  what + " changed after the catalog was made" +
                      (sameName ? "" : " (or the catalog is another package's)") +
                      ": the catalog " + where + "'s member " + Quoted(lookup.member->file) +
                      " holds the " + HashName(catalog.algorithm) + " hash " +
                      HexOf(lookup.member->hash) + ", the file has " + HexOf(lookup.hash) +
                      "; Windows refuses the package as tampered with: make the catalog anew "
                      "and sign it");
  } else if (lookup.status == "not-covered") {
    findings->Add(tag, FindingCode::kCatalogFileNotCovered,
                  what + " is not in the catalog " + where + ": " + lookup.why +
                      "; Windows refuses the package as tampered with");
  }
}

// Whether the comma-separated OSAttr list holds entry ("2:6.1").
bool ListHas(const std::string& list, const std::string& entry) {
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    std::string item = list.substr(start, end - start);
    item.erase(0, item.find_first_not_of(' '));
    item.erase(item.find_last_not_of(' ') + 1);
    if (item == entry) return true;
    start = end + 1;
  }
  return false;
}

std::string OsEntry(int major, int minor) {
  return "2:" + std::to_string(major) + "." + std::to_string(minor);
}

void CheckVersions(const std::string& where, const std::string& osAttr, const Edition& edition,
                   Findings* findings) {
  const InfTarget& target = edition.target;
  const std::string need = OsEntry(target.minMajor, target.minMinor);
  const std::string tag = edition.tag;
  if (!ListHas(osAttr, need)) {
    findings->Add(
        tag, FindingCode::kCatalogOsNotCovered,
        tag + ": the catalog " + where + " is for the Windows versions " +
            (osAttr.empty() ? std::string("(none: it has no OSAttr attribute)") : Quoted(osAttr)) +
            ", without " + need + ", which " + tag +
            " needs: Windows there finds the package unsigned; make the catalog "
            "for that version too");
    return;
  }
  if (target.endMajor != 0) return;  // only the Windows 7 tags serve later versions
  std::string missing;
  for (const std::string& later : {OsEntry(6, 2), OsEntry(6, 3), OsEntry(10, 0)}) {
    if (!ListHas(osAttr, later)) missing += (missing.empty() ? "" : ", ") + later;
  }
  if (!missing.empty()) {
    findings->Add(tag, FindingCode::kCatalogOsLaterNotCovered,
                  tag + ": the catalog " + where + " is for the Windows versions " +
                      Quoted(osAttr) + ", without " + missing + " (Windows 8, 8.1, 10 and 11), " +
                      "which " + tag + " serves too: Windows there finds the package unsigned");
  }
}

void CheckSigner(const std::string& where, const CatalogContent& catalog,
                 const std::vector<PackageFile>& files, const PackageInfView& view,
                 const Edition& edition, Findings* findings) {
  const std::string& tag = edition.tag;
  const CatalogSignature& signature = catalog.signature;
  if (signature.status == CatalogSignature::kUnsigned) {
    findings->Add(tag, FindingCode::kCatalogUnsigned,
                  tag + ": the catalog " + where +
                      " is not signed: Windows finds the package unsigned; sign it");
    return;
  }
  if (signature.status == CatalogSignature::kInvalid) {
    findings->Add(tag, FindingCode::kCatalogSignatureInvalid,
                  tag + ": the signature of the catalog " + where + " is not valid: " +
                      signature.problem + "; Windows refuses the package as tampered with");
    return;
  }
  if (signature.kind == SignerKind::kTest) {
    findings->Add(tag, FindingCode::kCatalogTestSigned,
                  tag + ": the catalog " + where + " is signed with a test certificate ('" +
                      signature.subject +
                      "', self-signed): Windows accepts it only with test signing switched on");
  }
  if (edition.target.endMajor != 0 || IsMicrosoftSigner(signature.kind)) return;
  for (const KernelService& service : view.kernelServices) {
    if (const PackageFile* file = FindShippedBinary(files, service.binary)) {
      findings->Add(tag, FindingCode::kCatalogNotMicrosoftSigned,
                    tag + ": the package installs the kernel-mode service " + Quoted(service.name) +
                        " (" + file->name + "), and its catalog " + where + " is signed by '" +
                        signature.subject + "' (" + SignerKindText(signature.kind) +
                        "), not by Microsoft's hardware compatibility publisher: Windows 10 "
                        "version 1607 and later with Secure Boot load such a driver only with "
                        "Microsoft's signature (attestation or WHQL)");
      return;
    }
  }
}

SignatureRow RowOf(const CatalogSignature& signature) {
  SignatureRow row;
  row.status = signature.status == CatalogSignature::kValid     ? "valid"
               : signature.status == CatalogSignature::kInvalid ? "invalid"
                                                                : "none";
  row.problem = signature.problem;
  row.subject = signature.subject;
  row.issuer = signature.issuer;
  row.kind = SignerKindCode(signature.kind);
  row.kindText = SignerKindText(signature.kind);
  return row;
}

void FillRow(const CatalogContent& catalog, CatalogRow* row) {
  row->readable = catalog.readable;
  row->version = catalog.version;
  row->hashAlgorithm = HashName(catalog.algorithm);
  row->signature = RowOf(catalog.signature);
  row->attributes = catalog.attributes;
}

}  // namespace

bool CatalogsChecked() { return true; }

void CheckInstallerSignature(const std::string& image, TagRow* row) {
  row->dpinstSignature = RowOf(ReadImageSignature(image));
}

void CheckPackageCatalog(const std::string& catalogPath, const std::vector<PackageFile>& files,
                         const PackageInfView& view, const Edition& edition, TagRow* row,
                         Findings* findings) {
  const std::string& tag = edition.tag;
  const std::string where = row->folder + "\\" + view.catalog;
  row->catalog.checked = true;
  row->catalog.name = view.catalog;
  std::string bytes;
  if (!ReadWholeFile(catalogPath, kMaxCatalogSize, &bytes)) {
    findings->Add(tag, FindingCode::kCatalogUnreadable,
                  tag + ": the catalog " + where + " cannot be read (or is larger than 64 MiB)");
    return;
  }
  const CatalogContent catalog = ReadCatalog(bytes);
  if (!catalog.readable) {
    findings->Add(tag, FindingCode::kCatalogUnreadable,
                  tag + ": " + where + " is not a catalog: " + catalog.problem +
                      "; Windows finds the package unsigned");
    return;
  }
  FillRow(catalog, &row->catalog);
  if (catalog.version == 2) {
    const bool old = edition.target.endMajor != 0;
    findings->Add(tag,
                  old ? FindingCode::kCatalogSha256OldWindows : FindingCode::kCatalogSha256Windows7,
                  tag + ": the catalog " + where + " is of version 2 (SHA-256): " +
                      (old ? "Windows XP and Vista cannot read it and find the package "
                             "unsigned; make a version 1 (SHA-1) catalog for " +
                                 tag
                           : std::string("Windows 7 reads it only with its SHA-2 code signing "
                                         "update installed")));
  }
  for (size_t i = 0; i < files.size(); ++i) {
    const PackageFile& file = files[i];
    CatalogFileRow fileRow{file.name, file.inCabinet ? "in-cabinet" : "missing", ""};
    if (!file.path.empty()) {
      const Lookup lookup = LookUp(catalog, file, i == 0);
      fileRow.status = lookup.status;
      fileRow.hash = HexOf(lookup.hash);
      ReportFile(where, catalog, file, lookup, tag, findings);
      // The Windows versions of the INF's member, where Windows finds one by its hash.
      if (i == 0 && (lookup.status == "covered" || lookup.status == "line-endings")) {
        row->catalog.osAttr = lookup.member->osAttr.empty()
                                  ? CatalogAttributeValue(catalog, "OSAttr")
                                  : lookup.member->osAttr;
        CheckVersions(where, row->catalog.osAttr, edition, findings);
      }
    }
    row->catalog.files.push_back(fileRow);
  }
  CheckSigner(where, catalog, files, view, edition, findings);
}
