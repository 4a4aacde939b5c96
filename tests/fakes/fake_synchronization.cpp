#include "tests/fakes/fake_synchronization.h"

namespace {

class FakeMutexHandle : public NamedMutex {
 public:
  explicit FakeMutexHandle(FakeSynchronization* machine) : m_machine(machine) {
    ++m_machine->openHandles;
  }
  ~FakeMutexHandle() override {
    --m_machine->openHandles;
    if (m_machine->holder == FakeSynchronization::Holder::kThisRun)
      m_machine->closedWhileOwned = true;
  }
  DWORD Wait(DWORD milliseconds, DWORD* error) override {
    return m_machine->Wait(milliseconds, error);
  }
  bool Release() override { return m_machine->Release(); }

 private:
  FakeSynchronization* m_machine;
};

}  // namespace

std::unique_ptr<NamedMutex> FakeSynchronization::CreateNamedMutex(const std::string& name,
                                                                  DWORD* error) {
  created.push_back(name);
  return NewHandle(createError, error);
}

std::unique_ptr<NamedMutex> FakeSynchronization::OpenNamedMutex(const std::string& name,
                                                                DWORD* error) {
  opened.push_back(name);
  return NewHandle(openError, error);
}

std::unique_ptr<NamedMutex> FakeSynchronization::NewHandle(DWORD fault, DWORD* error) {
  if (fault) {
    *error = fault;
    return nullptr;
  }
  return std::make_unique<FakeMutexHandle>(this);
}

DWORD FakeSynchronization::Wait(DWORD milliseconds, DWORD* error) {
  waits.push_back(milliseconds);
  if (waitError) {
    *error = waitError;
    return WAIT_FAILED;
  }
  if (holder == Holder::kThisRun) return WAIT_OBJECT_0;  // a second wait of the owner
  if (holder == Holder::kOtherRun) {
    if (otherHoldsForever || otherHoldsForMs > milliseconds) {
      ticks += milliseconds;
      if (!otherHoldsForever) otherHoldsForMs -= milliseconds;
      return WAIT_TIMEOUT;
    }
    ticks += otherHoldsForMs;
    otherHoldsForMs = 0;
    abandoned = otherAbandons;
  }
  holder = Holder::kThisRun;
  if (abandoned) {
    abandoned = false;
    return WAIT_ABANDONED;
  }
  return WAIT_OBJECT_0;
}

bool FakeSynchronization::Release() {
  if (holder != Holder::kThisRun) return false;
  if (onRelease) onRelease();
  holder = Holder::kNobody;
  ++releases;
  return true;
}
