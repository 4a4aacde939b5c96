// A UserInterface for the unit tests: every message box's text, in order,
// dismissed at once.
#pragma once

#include <string>
#include <vector>

#include "env/user_interface.h"

class FakeUserInterface : public UserInterface {
 public:
  std::vector<std::string> messages;
  std::vector<HWND> owners;  // each box's owner, in order
  void MessageBox(const std::string& text, HWND owner) override {
    messages.push_back(text);
    owners.push_back(owner);
  }
};
