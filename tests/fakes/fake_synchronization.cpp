#include "tests/fakes/fake_synchronization.h"

namespace {

class FakeMutexHandle : public NamedMutex {
 public:
  explicit FakeMutexHandle(FakeSynchronization* machine) : machine_(machine) {
    ++machine_->openHandles;
  }
  ~FakeMutexHandle() override {
    --machine_->openHandles;
    if (machine_->holder == FakeSynchronization::Holder::kThisRun)
      machine_->closedWhileOwned = true;
  }
  DWORD Wait(DWORD milliseconds, DWORD* error) override {
    return machine_->Wait(milliseconds, error);
  }
  bool Release() override { return machine_->Release(); }

 private:
  FakeSynchronization* machine_;
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
