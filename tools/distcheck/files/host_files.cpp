#include "tools/distcheck/files/host_files.h"

#include <cstdio>

bool ReadWholeFile(const std::string& path, size_t maxSize, std::string* content) {
  if (!IsPlainFile(path)) return false;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  std::string data;
  char chunk[65536];
  bool ok = true;
  for (;;) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, file);
    if (got == 0) {
      ok = !std::ferror(file);
      break;
    }
    if (data.size() + got > maxSize) {
      ok = false;
      break;
    }
    data.append(chunk, got);
  }
  std::fclose(file);
  if (ok) *content = std::move(data);
  return ok;
}
