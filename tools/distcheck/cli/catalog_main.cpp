// zavcir-catalog: makes and signs the security catalog of a driver package
// (see kUsage). Exit code 0 when written, 2 otherwise (a wrong command line
// included).
#include <openssl/pem.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "tools/distcheck/base/text.h"
#include "tools/distcheck/catalog/catalog_writer.h"
#include "tools/distcheck/catalog/openssl_ptr.h"
#include "tools/distcheck/cli/catalog_sources.h"
#include "tools/distcheck/files/host_files.h"
#include "tools/distcheck/files/package_files.h"

namespace {

const char kUsage[] =
    "usage: zavcir-catalog --cert FILE --key FILE [--version 1|2] [--time SECONDS]\n"
    "                      [--os LIST] [--inf NAME] [--] <package folder>\n"
    "Writes each catalog that the package's INF (zavcir.inf, or NAME) names for x86 and\n"
    "amd64 (CatalogFile, CatalogFile.NT, CatalogFile.NTx86, CatalogFile.NTamd64) into the\n"
    "package folder: a member for the INF and for each file its [SourceDisksFiles]\n"
    "sections name for the architectures that use that catalog, signed with the\n"
    "certificate and key given (PEM).\n"
    "  --version  1: SHA-1 (the default, every Windows); 2: SHA-256\n"
    "  --time     the catalog's date, seconds since 1970 (default SOURCE_DATE_EPOCH, else now)\n"
    "  --os       the Windows versions it is for (OSAttr; default "
    "2:5.1,2:5.2,2:6.0,2:6.1,2:6.2,2:6.3,2:10.0)\n"
    "Exit code: 0 written, 2 not (the reason is printed).\n";

struct Options {
  std::string cert, key, inf = "zavcir.inf", folder;
  CatalogInput input;
};

int Fail(const std::string& message) {
  std::fprintf(stderr, "zavcir-catalog: %s\n", message.c_str());
  return 2;
}

// A whole number of seconds; false when text is none.
bool ParseTime(const char* text, std::time_t* time) {
  char* end = nullptr;
  const long long value = std::strtoll(text, &end, 10);
  if (end == text || *end != '\0' || value < 0) return false;
  *time = static_cast<std::time_t>(value);
  return true;
}

bool ParseArguments(int argc, char** argv, Options* options) {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  options->input.time = std::time(nullptr);
  if (epoch != nullptr && *epoch != '\0' && !ParseTime(epoch, &options->input.time)) return false;
  bool folderGiven = false, more = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (more && arg == "--") {
      more = false;
    } else if (more && arg == "--cert" && hasValue) {
      options->cert = argv[++i];
    } else if (more && arg == "--key" && hasValue) {
      options->key = argv[++i];
    } else if (more && arg == "--inf" && hasValue) {
      options->inf = argv[++i];
    } else if (more && arg == "--os" && hasValue) {
      options->input.osAttr = argv[++i];
    } else if (more && arg == "--version" && hasValue) {
      const std::string version = argv[++i];
      if (version != "1" && version != "2") return false;
      options->input.version = version == "1" ? 1 : 2;
    } else if (more && arg == "--time" && hasValue) {
      if (!ParseTime(argv[++i], &options->input.time)) return false;
    } else if (!folderGiven && (!more || arg[0] != '-')) {
      options->folder = arg;
      folderGiven = true;
    } else {
      return false;
    }
  }
  return folderGiven && !options->cert.empty() && !options->key.empty();
}

// Where the catalog named (relative to the package folder) is to be written.
bool CatalogPath(const std::string& folder, const std::string& name, std::string* path) {
  const size_t cut = name.find_last_of("\\/");
  std::string dir, problem;
  if (!ResolvePackageFolder(folder, cut == std::string::npos ? "" : name.substr(0, cut), &dir,
                            &problem)) {
    return false;
  }
  if (!FindEntry(dir, LastComponent(name), path)) *path = JoinPath(dir, LastComponent(name));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArguments(argc, argv, &options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  BioPtr certFile(BIO_new_file(options.cert.c_str(), "r"));
  BioPtr keyFile(BIO_new_file(options.key.c_str(), "r"));
  const X509Ptr cert(certFile ? PEM_read_bio_X509(certFile.get(), nullptr, nullptr, nullptr)
                              : nullptr);
  const EvpPkeyPtr key(keyFile ? PEM_read_bio_PrivateKey(keyFile.get(), nullptr, nullptr, nullptr)
                               : nullptr);
  if (!cert) return Fail(options.cert + " holds no PEM certificate");
  if (!key) return Fail(options.key + " holds no PEM private key (without a password)");
  std::map<std::string, std::vector<CatalogSource>> catalogs;
  std::string problem;
  if (!CollectCatalogSources(options.folder, options.inf, &catalogs, &problem))
    return Fail(problem);
  for (const auto& [name, files] : catalogs) {
    CatalogInput input = options.input;
    input.files = files;
    std::string der, path;
    if (!WriteCatalog(input, cert.get(), key.get(), &der, &problem)) return Fail(problem);
    if (!CatalogPath(options.folder, name, &path)) return Fail(name + ": no such folder");
    FILE* out = std::fopen(path.c_str(), "wb");
    const bool written =
        out != nullptr && std::fwrite(der.data(), 1, der.size(), out) == der.size();
    if (out != nullptr && std::fclose(out) != 0) return Fail(path + " cannot be written");
    if (!written) return Fail(path + " cannot be written");
    std::printf("zavcir-catalog: wrote %s (version %d, %zu files)\n", path.c_str(), input.version,
                files.size());
  }
  return 0;
}
