// A UserInterface for the unit tests: every message box's text, in order,
// dismissed at once; the process's window station as set.
#pragma once

#include <string>
#include <vector>

#include "env/user_interface.h"

class FakeUserInterface : public UserInterface {
 public:
  std::vector<std::string> messages;
  std::vector<HWND> owners;  // each box's owner, in order
  // The window station: the interactive one unless changed.
  DWORD stationFlags = WSF_VISIBLE;
  DWORD stationError = ERROR_SUCCESS;  // of the flags' query
  std::string stationName = "WinSta0";

  void MessageBox(const std::string& text, HWND owner) override {
    messages.push_back(text);
    owners.push_back(owner);
  }
  DWORD QueryWindowStationFlags(DWORD* flags) override {
    if (stationError == ERROR_SUCCESS) *flags = stationFlags;
    return stationError;
  }
  std::string GetWindowStationName() override { return stationName; }
};
