#include "tests/fakes/fake_platform.h"

#include <algorithm>
#include <cstring>

#include "env/mbcs.h"
#include "env/platform.h"
#include "env/probes.h"

namespace {

// '*' matches any run of characters; everything else matches itself, without
// regard to ASCII case.
bool WildcardMatch(const std::string& pattern, const std::string& name) {
  const std::string p = AsciiLower(pattern), n = AsciiLower(name);
  size_t star = p.find('*');
  if (star == std::string::npos) return p == n;
  const std::string head = p.substr(0, star), tail = p.substr(star + 1);
  return n.size() >= head.size() + tail.size() && n.compare(0, head.size(), head) == 0 &&
         n.compare(n.size() - tail.size(), tail.size(), tail) == 0;
}

class FakeFile : public ReadableFile {
 public:
  FakeFile(std::string contents, bool shortRead)
      : m_contents(std::move(contents)), m_shortRead(shortRead) {}
  bool GetLength(uint64_t* length) override {
    *length = m_contents.size();
    return true;
  }
  bool Read(void* buffer, DWORD size, DWORD* bytesRead) override {
    size_t left = m_contents.size() - m_pos;
    size_t n = std::min<size_t>(size, left);
    if (m_shortRead && n > 0) n -= 1;
    if (n) std::memcpy(buffer, m_contents.data() + m_pos, n);
    m_pos += n;
    *bytesRead = static_cast<DWORD>(n);
    return true;
  }

 private:
  std::string m_contents;
  bool m_shortRead;
  size_t m_pos = 0;
};

// Whether the first Signature line of [Version] names a Windows-style INF.
bool IsWindowsStyle(const std::map<std::string, std::vector<FakeInfParser::Line>>& sections) {
  for (const auto& [name, lines] : sections) {
    if (!AsciiEqualNoCase(name, "Version")) continue;
    for (const FakeInfParser::Line& line : lines) {
      if (line.size() < 2 || !AsciiEqualNoCase(line[0], "Signature")) continue;
      for (const char* signature : {"$Windows NT$", "$Chicago$", "$Windows 95$"})
        if (AsciiEqualNoCase(line[1], signature)) return true;
      return false;
    }
  }
  return false;
}

class FakeInf : public InfFile {
 public:
  FakeInf(const std::map<std::string, std::vector<FakeInfParser::Line>>& sections, int* open)
      : m_sections(sections), m_open(open) {
    ++*m_open;
  }
  ~FakeInf() override { --*m_open; }
  bool FindFirstLine(const char* section) override {
    m_lines = nullptr;
    for (const auto& s : m_sections)
      if (AsciiLower(s.first) == AsciiLower(section)) m_lines = &s.second;
    m_line = 0;
    return m_lines && !m_lines->empty();
  }
  bool FindNextLine() override {
    if (!m_lines || m_line + 1 >= m_lines->size()) return false;
    ++m_line;
    return true;
  }
  bool GetStringField(DWORD index, char* buffer, DWORD size) override {
    if (!m_lines || m_line >= m_lines->size()) return false;
    const auto& fields = (*m_lines)[m_line];
    if (index >= fields.size()) return false;
    const std::string& f = fields[index];
    if (f.size() + 1 > size) return false;
    std::memcpy(buffer, f.c_str(), f.size() + 1);
    return true;
  }

 private:
  std::map<std::string, std::vector<FakeInfParser::Line>> m_sections;
  int* m_open;
  const std::vector<FakeInfParser::Line>* m_lines = nullptr;
  size_t m_line = 0;
};

}  // namespace

std::string FakeFileSystem::Key(const std::string& path) { return AsciiLower(path); }

void FakeFileSystem::AddDirectory(const std::string& path, DWORD extraAttributes) {
  m_nodes[Key(path)] = Node{path, true, FILE_ATTRIBUTE_DIRECTORY | extraAttributes, ""};
}

void FakeFileSystem::AddFile(const std::string& path, const std::string& contents,
                             DWORD extraAttributes) {
  m_nodes[Key(path)] = Node{path, false, FILE_ATTRIBUTE_ARCHIVE | extraAttributes, contents};
}

void FakeFileSystem::Remove(const std::string& path) { m_nodes.erase(Key(path)); }

bool FakeFileSystem::GetAttributes(const std::string& path, DWORD* attributes) {
  auto it = m_nodes.find(Key(path));
  if (it == m_nodes.end()) return false;
  *attributes = it->second.attributes;
  return true;
}

std::unique_ptr<ReadableFile> FakeFileSystem::OpenForRead(const std::string& path) {
  const std::string key = Key(path);
  auto it = m_nodes.find(key);
  if (it == m_nodes.end() || it->second.directory) return nullptr;
  if (std::count(m_unreadable.begin(), m_unreadable.end(), key)) return nullptr;
  bool shortRead = std::count(m_shortRead.begin(), m_shortRead.end(), key) != 0;
  return std::make_unique<FakeFile>(it->second.contents, shortRead);
}

std::vector<FoundFile> FakeFileSystem::FindFiles(const std::string& pattern) {
  std::vector<FoundFile> found;
  size_t slash = pattern.rfind('\\');
  if (slash == std::string::npos) return found;
  const std::string dir = Key(pattern.substr(0, slash));
  const std::string mask = pattern.substr(slash + 1);
  for (const auto& [key, node] : m_nodes) {
    size_t s = key.rfind('\\');
    if (s == std::string::npos || key.substr(0, s) != dir) continue;
    std::string name = node.path.substr(node.path.rfind('\\') + 1);
    if (WildcardMatch(mask, name)) found.push_back(FoundFile{name, node.attributes});
  }
  return found;
}

UINT FakeFileSystem::QueryDriveType(const std::string& root) {
  const auto it = driveTypes.find(Key(root));
  return root.empty() || root.back() != '\\' || it == driveTypes.end() ? DRIVE_NO_ROOT_DIR
                                                                       : it->second;
}

bool FakeSystemInfo::GetShortPathNameW(const std::u16string& path, std::u16string* shortPath) {
  shortPathQueries.push_back(path);
  // Without the \\?\ prefix Windows takes fewer than MAX_PATH characters.
  const bool prefixed = path.compare(0, 4, u"\\\\?\\") == 0;
  if (shortPathFails || (!prefixed && path.size() >= MAX_PATH)) return false;
  std::vector<std::u16string> parts(1);
  for (char16_t c : path) {
    if (c == u'\\')
      parts.emplace_back();
    else
      parts.back() += c;
  }
  // The root keeps its form: C:, \\server\share, \\?\C:, \\?\UNC\server\share.
  size_t root = 1;
  if (prefixed)
    root = parts.size() > 3 && parts[3] == u"UNC" ? 6 : 4;
  else if (path.compare(0, 2, u"\\\\") == 0)
    root = 4;
  std::u16string answer;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) answer += u'\\';
    const auto it = shortNames.find(parts[i]);
    answer += i >= root && !shortNamesOff && it != shortNames.end() ? it->second : parts[i];
  }
  *shortPath = answer;
  return true;
}

bool FakeSystemInfo::WideCharToAnsi(const std::u16string& text, std::string* ansi,
                                    bool* usedDefault) {
  ansi->clear();
  *usedDefault = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const auto it = ansiCharacters.find(c);
    if (c < 0x80) {
      *ansi += static_cast<char>(c);
    } else if (it != ansiCharacters.end()) {
      *ansi += it->second;
    } else {
      // A surrogate pair is one character, and gets one default character.
      if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
          text[i + 1] < 0xE000)
        ++i;
      *ansi += '?';
      *usedDefault = true;
    }
  }
  return true;
}

bool FakeSystemInfo::GetVersion(OsVersion* v) {
  ++versionQueries;
  if (!versionOk) return false;
  *v = version;
  return true;
}

BOOL FakeSystemInfo::QueryWow64() {
  ++wow64Queries;
  return wow64;
}

DWORD FakeSystemInfo::QueryNativeMachine(WORD* machine) {
  if (nativeMachineError == ERROR_SUCCESS) *machine = nativeMachine;
  return nativeMachineError;
}

BOOL FakeSystemInfo::DisableFsRedirection(PVOID* oldValue) {
  ++disableCalls;
  if (!redirectionAvailable || !disableResult) return FALSE;
  *oldValue = reinterpret_cast<PVOID>(static_cast<uintptr_t>(0x5EED));
  redirectionOff = true;
  return TRUE;
}

BOOL FakeSystemInfo::RevertFsRedirection(PVOID oldValue) {
  ++revertCalls;
  revertedValue = oldValue;
  if (!redirectionAvailable) return FALSE;
  redirectionOff = false;
  return TRUE;
}

namespace {

class FakeStartedProcess : public StartedProcess {
 public:
  FakeStartedProcess(FakeProcessRunner& runner, DWORD exitCode, DWORD id)
      : m_runner(runner), m_exitCode(exitCode), m_id(id) {
    ++m_runner.open;
  }
  ~FakeStartedProcess() override {
    m_runner.steps.push_back("close");
    --m_runner.open;
  }
  DWORD Wait(DWORD* error) override {
    m_runner.steps.push_back("wait");
    if (m_runner.onWait) m_runner.onWait();
    if (!m_runner.waitError) {
      m_runner.table.End(m_id);
      return WAIT_OBJECT_0;
    }
    *error = m_runner.waitError;
    return WAIT_FAILED;
  }
  bool GetIdentity(ProcessIdentity* identity, DWORD* error) override {
    if (m_runner.identityError) {
      *error = m_runner.identityError;
      return false;
    }
    *identity = {m_id, m_runner.table.processes[m_id].creationTime};
    return true;
  }
  BOOL GetExitCode(DWORD* exitCode, DWORD* error) override {
    m_runner.steps.push_back("exit code");
    if (m_runner.exitCodeError) {
      *error = m_runner.exitCodeError;
      return FALSE;
    }
    *exitCode = m_exitCode;
    return TRUE;
  }

 private:
  FakeProcessRunner& m_runner;
  DWORD m_exitCode;
  DWORD m_id;
};

}  // namespace

std::unique_ptr<StartedProcess> FakeProcessRunner::Start(std::string commandLine,
                                                         CommandMarker* marker, DWORD* error) {
  const size_t index = commands.size();
  commands.push_back(commandLine);
  steps.push_back("start");
  inherited.push_back(marker != nullptr);
  if (startError) {
    *error = startError;
    return nullptr;
  }
  const DWORD id = 5000 + 4 * static_cast<DWORD>(index);
  FakeProcessTable::Process process;
  process.creationTime = 0x01DA000000000000ull + *table.ticks;
  process.forever = true;
  table.processes[id] = process;
  if (marker) table.Inherit(marker, id);
  if (onRun) onRun(commandLine);
  return std::make_unique<FakeStartedProcess>(*this, ScriptedResult(index), id);
}

void FakeInfParser::AddFile(const std::string& path,
                            std::map<std::string, std::vector<Line>> sections) {
  m_files[AsciiLower(path)] = std::move(sections);
}

std::unique_ptr<InfFile> FakeInfParser::Open(const std::string& path) {
  opened.push_back(path);
  auto it = m_files.find(AsciiLower(path));
  if (it == m_files.end() || IsWindowsStyle(it->second)) return nullptr;
  return std::make_unique<FakeInf>(it->second, &openFiles);
}

bool FakeDeviceIo::OpenAndControl(const std::string& path, DWORD controlCode) {
  opened.push_back(path);
  if (!present) return false;
  controlCodes.push_back(controlCode);
  return true;
}

FakePlatform::FakePlatform() {
  runner.table.ticks = &sync.ticks;
  system.onSleep = [this](DWORD ms) { runner.table.Pass(ms); };
  Platform platform;
  platform.registry = &registry;
  platform.files = &files;
  platform.system = &system;
  platform.runner = &runner;
  platform.inf = &inf;
  platform.ui = &ui;
  platform.device = &device;
  platform.log = &log;
  platform.sync = &sync;
  platform.shutdown = &shutdown;
  SetPlatform(platform);
  ResetProbeCachesForTesting();
}

FakePlatform::~FakePlatform() {
  SetPlatform(Platform{});
  ResetProbeCachesForTesting();
}
