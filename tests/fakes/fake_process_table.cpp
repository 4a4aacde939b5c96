#include "tests/fakes/fake_process_table.h"

#include <algorithm>
#include <vector>

namespace {

class FakeMarkerHandle : public CommandMarker {
 public:
  FakeMarkerHandle(FakeProcessTable* table, std::string name, bool writable)
      : m_table(table), m_name(std::move(name)), m_writable(writable) {
    ++m_table->markers[m_name].handles;
  }
  ~FakeMarkerHandle() override {
    --m_table->markers[m_name].handles;
    m_table->Release(m_name);
  }
  bool Write(const std::string& bytes, DWORD* error) override {
    std::string& view = m_table->markers[m_name].bytes;
    if (!m_writable || bytes.size() > view.size()) {
      *error = m_writable ? ERROR_INVALID_PARAMETER : ERROR_ACCESS_DENIED;
      return false;
    }
    view.replace(0, bytes.size(), bytes);
    return true;
  }
  bool Read(std::string* bytes, DWORD*) override {
    *bytes = m_table->markers[m_name].bytes;
    return true;
  }
  const std::string& name() const { return m_name; }

 private:
  FakeProcessTable* m_table;
  std::string m_name;
  bool m_writable;
};

class FakeOpenedProcess : public OpenedProcess {
 public:
  FakeOpenedProcess(FakeProcessTable* table, DWORD id) : m_table(table), m_id(id) {
    ++m_table->processes[m_id].handles;
    ++m_table->openedProcesses;
  }
  ~FakeOpenedProcess() override {
    --m_table->processes[m_id].handles;
    --m_table->openedProcesses;
    m_table->ReleaseProcess(m_id);
  }
  bool GetCreationTime(uint64_t* creationTime, DWORD*) override {
    *creationTime = m_table->processes[m_id].creationTime;
    return true;
  }
  DWORD Wait(DWORD milliseconds, DWORD* error) override {
    if (m_table->waitError) {
      *error = m_table->waitError;
      return WAIT_FAILED;
    }
    const FakeProcessTable::Process& p = m_table->processes[m_id];
    if (!p.running) return WAIT_OBJECT_0;
    if (p.forever || p.runsForMs > milliseconds) {
      m_table->Pass(milliseconds);
      return WAIT_TIMEOUT;
    }
    m_table->Pass(p.runsForMs);
    return WAIT_OBJECT_0;
  }

 private:
  FakeProcessTable* m_table;
  DWORD m_id;
};

}  // namespace

void FakeProcessTable::AddHolder(DWORD id, Process process, const std::string& name,
                                 const std::string& record) {
  processes[id] = process;
  Marker& marker = markers[name];
  marker.bytes = record;
  if (process.running) marker.holders.insert(id);
}

void FakeProcessTable::Pass(DWORD milliseconds) {
  *ticks += milliseconds;
  std::vector<DWORD> ended;
  for (auto& [id, p] : processes) {
    if (!p.running || p.forever) continue;
    if (p.runsForMs > milliseconds) {
      p.runsForMs -= milliseconds;
    } else {
      ended.push_back(id);
    }
  }
  for (DWORD id : ended) End(id);
}

void FakeProcessTable::End(DWORD id) {
  processes[id].running = false;
  std::vector<std::string> held;
  for (auto& [name, marker] : markers)
    if (marker.holders.erase(id)) held.push_back(name);
  for (const std::string& name : held) Release(name);
  ReleaseProcess(id);
}

void FakeProcessTable::Release(const std::string& name) {
  const auto it = markers.find(name);
  if (it != markers.end() && it->second.handles == 0 && it->second.holders.empty())
    markers.erase(it);
}

void FakeProcessTable::ReleaseProcess(DWORD id) {
  const auto it = processes.find(id);
  if (it != processes.end() && !it->second.running && it->second.handles == 0) processes.erase(it);
}

std::unique_ptr<CommandMarker> FakeProcessTable::CreateMarker(const std::string& name, DWORD size,
                                                              bool* existed, DWORD* error) {
  *existed = Exists(name);
  const DWORD fault = otherKinds.count(name) ? ERROR_INVALID_HANDLE
                      : createError          ? createError
                      : *existed             ? markers[name].createError
                                             : 0;
  if (fault) {
    *error = fault;
    return nullptr;
  }
  if (!*existed) markers[name].bytes.assign(size, '\0');
  return std::make_unique<FakeMarkerHandle>(this, name, true);
}

std::unique_ptr<CommandMarker> FakeProcessTable::OpenMarker(const std::string& name, DWORD* error) {
  const DWORD fault = otherKinds.count(name) ? ERROR_INVALID_HANDLE
                      : !Exists(name)        ? ERROR_FILE_NOT_FOUND
                                             : markers[name].openError;
  if (fault) {
    *error = fault;
    return nullptr;
  }
  return std::make_unique<FakeMarkerHandle>(this, name, false);
}

std::unique_ptr<OpenedProcess> FakeProcessTable::OpenProcess(DWORD id, DWORD* error) {
  const auto it = processes.find(id);
  // An ended process keeps its id only while a handle of it is open.
  const bool gone = it == processes.end() || (!it->second.running && it->second.handles == 0);
  const DWORD fault = gone ? ERROR_INVALID_PARAMETER : it->second.openError;
  if (fault) {
    *error = fault;
    return nullptr;
  }
  return std::make_unique<FakeOpenedProcess>(this, id);
}

void FakeProcessTable::Inherit(CommandMarker* marker, DWORD id) {
  markers[static_cast<FakeMarkerHandle*>(marker)->name()].holders.insert(id);
}
