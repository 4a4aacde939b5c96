// Test helper: takes the setup program's run guard, or its name, as another
// program might, and keeps it until a release file exists (at most two
// minutes).
//
//   guardtool abandon RELEASE   own the mutex Global\ZavCirReceiverDriverSetup,
//                               then end without releasing it: the mutex is
//                               abandoned for whoever waits for it then
//   guardtool event RELEASE     take the name with an event instead, so that the
//                               mutex cannot be made
//
// Output: held=1 once the guard or the name is taken (a mutex owned by another
// run is waited for first), or error=<system error code>.
// Exit code: 0 done, 1 the name could not be taken, 2 bad arguments.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "base/unique_handles.h"

namespace {

constexpr char kName[] = "Global\\ZavCirReceiverDriverSetup";

int Fail() {
  std::printf("error=%lu\n", static_cast<unsigned long>(GetLastError()));
  return 1;
}

void WaitForFile(const char* path) {
  for (int i = 0; i < 12000 && GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(10);
}

}  // namespace

int main(int argc, char** argv) {
  const bool abandon = argc == 3 && std::strcmp(argv[1], "abandon") == 0;
  const bool event = argc == 3 && std::strcmp(argv[1], "event") == 0;
  if (!abandon && !event) {
    std::fprintf(stderr, "usage: guardtool abandon|event RELEASE-FILE\n");
    return 2;
  }
  unique_handle object(event ? CreateEventA(nullptr, TRUE, FALSE, kName)
                             : CreateMutexA(nullptr, FALSE, kName));
  if (!object) return Fail();
  if (!event) {
    const DWORD result = WaitForSingleObject(object.get(), 120000);
    if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) return Fail();
  }
  std::printf("held=1\n");
  std::fflush(stdout);
  WaitForFile(argv[2]);
  // The process ends owning the mutex (never released): Windows marks it
  // abandoned for the next thread that waits for it.
  return 0;
}
