#include "framework/win_app.h"

#include "env/platform.h"
#include "env/user_interface.h"

namespace {

CWinApp* g_app = nullptr;

constexpr int kIdOk = 1;  // IDOK: the box's only button

}  // namespace

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return FALSE; }

int CWinApp::ExitInstance() { return 0; }

CWinApp* AfxGetApp() { return g_app; }

int AfxMessageBox(const std::string& text, UINT /*type*/) {
  GetPlatform().ui->MessageBox(text, AfxGetMainHwnd());
  return kIdOk;
}
