#include "framework/frame_wnd.h"
#include "framework/win_app.h"

const RECT CFrameWnd::rectDefault = {CW_USEDEFAULT, CW_USEDEFAULT, 0, 0};

const MessageMapEntry CFrameWnd::messageEntries[] = {
    {WM_CREATE, &CreateMessageHandler<CFrameWnd, &CFrameWnd::OnCreate>},
    {WM_CLOSE, &VoidMessageHandler<CFrameWnd, &CFrameWnd::OnClose>},
    {WM_ENDSESSION, &FlagMessageHandler<CFrameWnd, &CFrameWnd::OnEndSession>},
    {0, nullptr},
};
const MessageMap CFrameWnd::messageMap = {&CWnd::messageMap, CFrameWnd::messageEntries};

const MessageMap* CFrameWnd::GetMessageMap() const { return &messageMap; }

const char* CFrameWnd::StandardClassName() {
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSA existing;
  if (!::GetClassInfoA(instance, kStandardClassName, &existing)) {
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &CWnd::StandardWindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<const char*>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = kStandardClassName;
    ::RegisterClassA(&wc);  // a failure shows as a failed CreateWindowExA
  }
  return kStandardClassName;
}

BOOL CFrameWnd::Create(const char* className, const char* windowName, DWORD style, const RECT& rect,
                       CWnd* parent, const char* menuName, DWORD exStyle, LPVOID context) {
  HMENU menu = nullptr;
  if (menuName) {
    menu = ::LoadMenuA(::GetModuleHandleA(nullptr), menuName);
    if (!menu) {
      ForgetAsMainWindow();
      PostNcDestroy();
      return FALSE;
    }
  }
  // Widths are differences of the rectangle's edges, taken modulo 2^32 so that
  // the default rectangle yields CW_USEDEFAULT for the size as well.
  const int width = static_cast<int>(static_cast<UINT>(rect.right) - static_cast<UINT>(rect.left));
  const int height = static_cast<int>(static_cast<UINT>(rect.bottom) - static_cast<UINT>(rect.top));
  const BOOL created =
      CreateEx(exStyle, className ? className : StandardClassName(), windowName, style, rect.left,
               rect.top, width, height, parent ? parent->GetSafeHwnd() : nullptr, menu, context);
  if (!created && menu) ::DestroyMenu(menu);
  return created;
}

int CFrameWnd::OnCreate(LPCREATESTRUCTA) { return 0; }

void CFrameWnd::OnClose() {
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) ShowWindow(SW_HIDE);
  DestroyWindow();
}

void CFrameWnd::OnEndSession(BOOL bEnding) {
  CWinApp* app = AfxGetApp();
  if (bEnding && app && app->m_pMainWnd == this) app->ExitInstance();
}

void CFrameWnd::PostNcDestroy() { delete this; }
