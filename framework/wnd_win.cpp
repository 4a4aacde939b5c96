#include "framework/win_app.h"
#include "framework/wnd.h"

namespace {

// A window that CreateEx is creating on this thread. The system sends the first
// messages before CreateWindowExA returns, so the object is attached to the new
// window at the first message for a window that has none. Windows can be
// created inside other windows' creation, hence the chain.
struct Creation {
  CWnd* wnd;
  Creation* outer;
  bool attached;
  bool destroyed;  // WM_NCDESTROY arrived: the object went to PostNcDestroy
};

thread_local Creation* t_creation = nullptr;

}  // namespace

const MessageMapEntry CWnd::messageEntries[] = {
    {WM_NCDESTROY, &VoidMessageHandler<CWnd, &CWnd::OnNcDestroy>},
    {0, nullptr},
};
const MessageMap CWnd::messageMap = {nullptr, CWnd::messageEntries};

const MessageMap* CWnd::GetMessageMap() const { return &messageMap; }

CWnd::~CWnd() {
  if (m_hWnd) {
    const HWND hwnd = m_hWnd;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    m_hWnd = nullptr;
    ::DestroyWindow(hwnd);
  }
}

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

BOOL CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
  return ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}

BOOL CWnd::ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }

void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }

BOOL CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                    int x, int y, int width, int height, HWND parent, HMENU menu, LPVOID param) {
  Creation creation{this, t_creation, false, false};
  t_creation = &creation;
  const HWND hwnd = ::CreateWindowExA(exStyle, className, windowName, style, x, y, width, height,
                                      parent, menu, ::GetModuleHandleA(nullptr), param);
  t_creation = creation.outer;
  if (hwnd) return TRUE;
  if (!creation.destroyed) {
    // Refused before a window of ours existed (or without destroying it through
    // the usual messages): clean up as its destruction would have.
    if (creation.attached) m_hWnd = nullptr;
    ForgetAsMainWindow();
    PostNcDestroy();
  }
  return FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  for (const MessageMap* map = GetMessageMap(); map; map = map->baseMap) {
    for (const MessageMapEntry* entry = map->entries; entry->handler; ++entry) {
      if (entry->message == message) return entry->handler(this, wParam, lParam);
    }
  }
  return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

void CWnd::PostNcDestroy() {}

bool CWnd::ForgetAsMainWindow() {
  CWinApp* app = AfxGetApp();
  if (!app || app->m_pMainWnd != this) return false;
  app->m_pMainWnd = nullptr;
  return true;
}

void CWnd::OnNcDestroy() {
  if (ForgetAsMainWindow()) ::PostQuitMessage(0);
  const HWND hwnd = m_hWnd;
  ::DefWindowProcA(hwnd, WM_NCDESTROY, 0, 0);
  ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  m_hWnd = nullptr;
  PostNcDestroy();  // may delete this object
}

LRESULT CALLBACK CWnd::StandardWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = reinterpret_cast<CWnd*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!wnd && t_creation && !t_creation->attached) {
    wnd = t_creation->wnd;
    t_creation->attached = true;
    wnd->m_hWnd = hwnd;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(wnd));
  }
  if (!wnd) return ::DefWindowProcA(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    for (Creation* c = t_creation; c; c = c->outer) {
      if (c->wnd == wnd) c->destroyed = true;
    }
  }
  return wnd->WindowProc(message, wParam, lParam);  // wnd may be gone afterwards
}

HWND AfxGetMainHwnd() {
  CWinApp* app = AfxGetApp();
  return app && app->m_pMainWnd ? app->m_pMainWnd->GetSafeHwnd() : nullptr;
}
