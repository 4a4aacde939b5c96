// Prints what the distribution checker's catalog check costs on a driver
// package: the INF (argument 1) laid out as a distribution in x86 and amd64
// folders with the catalogs beside it, checked whole with the catalogs and
// without them (their difference is the catalog check of the six tags);
// reading a catalog alone; and the hashing rate for package files, which the
// real packages lack. Medians of interleaved rounds. Run: bench/catalog.sh.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tools/distcheck/catalog/catalog_reader.h"
#include "tools/distcheck/catalog/file_hash.h"
#include "tools/distcheck/checks/distribution_check.h"
#include "tools/distcheck/pe/pe_image.h"
#include "tools/distcheck/testing/pe_test_image.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 101;

std::string ReadAll(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

double MillisecondsOf(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// A distribution of the INF at root, with the catalogs beside it or without.
void LayOut(const fs::path& inf, const fs::path& root, bool catalogs) {
  std::string ini = "[Dir]\r\n";
  for (const char* tag : {"WinXP32", "Vista32", "Win7_32", "WinXP64", "Vista64", "Win7_64"}) {
    ini += std::string(tag) + " = " +
           (std::string(tag).find("64") != std::string::npos ? "amd64" : "x86") + "\r\n";
  }
  fs::create_directories(root);
  std::ofstream(root / "Setup.ini", std::ios::binary) << ini;
  for (const char* folder : {"x86", "amd64"}) {
    fs::create_directories(root / folder);
    fs::copy_file(inf, root / folder / "zavcir.inf");
    for (const auto& entry : fs::directory_iterator(inf.parent_path())) {
      if (catalogs && entry.path().extension() == ".cat") {
        fs::copy_file(entry.path(), root / folder / entry.path().filename());
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: distcheck_catalog_bench <package INF beside its catalogs>\n", stderr);
    return 2;
  }
  const fs::path inf = argv[1];
  char pattern[] = "/tmp/catalog-bench-XXXXXX";
  const fs::path root = ::mkdtemp(pattern);
  LayOut(inf, root / "with", true);
  LayOut(inf, root / "without", false);

  std::vector<double> with, without;
  for (int round = 0; round < kRounds; ++round) {
    with.push_back(MillisecondsOf([&] { CheckDistribution((root / "with").string()); }));
    without.push_back(MillisecondsOf([&] { CheckDistribution((root / "without").string()); }));
  }
  const DistReport report = CheckDistribution((root / "with").string());
  const CatalogRow& catalog = report.rows.back().catalog;
  const std::string catalogBytes = ReadAll(inf.parent_path() / catalog.name);
  std::vector<double> read;
  size_t members = 0;
  for (int round = 0; round < kRounds; ++round) {
    read.push_back(MillisecondsOf([&] { members = ReadCatalog(catalogBytes).members.size(); }));
  }

  // A 16 MiB package file: hashed whole, and as a PE image of that size.
  const size_t size = 16u << 20;
  const std::string flat(size, 'z');
  const std::string image = pe_test::MakeImage(kMachineAmd64, true, false) + std::string(size, 'z');
  auto rate = [&](HashAlgorithm algorithm, const std::string& bytes) {
    std::vector<double> times;
    for (int round = 0; round < 5; ++round) {
      times.push_back(MillisecondsOf([&] { HashPackageFile(algorithm, bytes); }));
    }
    return static_cast<double>(bytes.size()) / (1u << 20) / (Median(times) / 1000.0);
  };

  std::printf(
      "Catalog check of %s (INF %ju bytes; catalog %s: %zu bytes, %zu members, %zu catalog "
      "attributes; version %d, %s), %d rounds, medians:\n",
      inf.string().c_str(), static_cast<uintmax_t>(fs::file_size(inf)), catalog.name.c_str(),
      catalogBytes.size(), members, catalog.attributes.size(), catalog.version,
      catalog.hashAlgorithm.c_str(), kRounds);
  const double all = Median(with), none = Median(without);
  std::printf("  the whole check of the distribution (6 tags), with the catalogs:  %8.3f ms\n",
              all);
  std::printf("  the same without the catalogs (inf-catalog-missing):            %8.3f ms\n", none);
  std::printf("  so the catalog check costs:                  %8.3f ms for 6 tags, %.3f ms a tag\n",
              all - none, (all - none) / 6);
  std::printf("  reading the catalog alone (structure, members, signature):      %8.3f ms\n",
              Median(read));
  std::printf(
      "  hashing a package file (16 MiB): SHA-1 %.0f MiB/s whole, %.0f MiB/s as a PE image; "
      "SHA-256 %.0f MiB/s whole\n",
      rate(HashAlgorithm::kSha1, flat), rate(HashAlgorithm::kSha1, image),
      rate(HashAlgorithm::kSha256, flat));
  fs::remove_all(root);
  return 0;
}
