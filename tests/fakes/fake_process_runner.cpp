#include "tests/fakes/fake_process_runner.h"

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
