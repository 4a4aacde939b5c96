#include "package/command_result.h"

#include "env/support_log.h"

int CountedPackages(DWORD result) {
  return static_cast<int>(result & RESULT_INSTALLED_MASK) +
         static_cast<int>((result & RESULT_STAGED_MASK) >> 8) +
         static_cast<int>((result & RESULT_FAILED_COUNT_MASK) >> 16);
}

bool IsBareErrorCode(DWORD result, int packageCount) {
  return (result & RESULT_FAILED) == 0 && CountedPackages(result) > packageCount;
}

bool IsUninstallSuccess(DWORD result) {
  if (result & RESULT_FAILED) return false;
  if (!IsBareErrorCode(result, 0)) return true;
  LogLine("The uninstall command failed at start: " + DescribeErrorCode(result));
  return false;
}
