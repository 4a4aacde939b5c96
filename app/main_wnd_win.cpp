#include "app/main_wnd.h"
#include "app/setup_app.h"
#include "framework/thread_win.h"
#include "framework/win_app.h"

const MessageMapEntry CMainWnd::messageEntries[] = {
    {WM_CREATE, &CreateMessageHandler<CMainWnd, &CMainWnd::OnCreate>},
    {WM_QUERYENDSESSION, &BoolMessageHandler<CMainWnd, &CMainWnd::OnQueryEndSession>},
    {WM_ENDSESSION, &FlagMessageHandler<CMainWnd, &CMainWnd::OnEndSession>},
    {WM_CLOSE, &VoidMessageHandler<CMainWnd, &CMainWnd::OnClose>},
    {0, nullptr},
};
const MessageMap CMainWnd::messageMap = {&CFrameWnd::messageMap, CMainWnd::messageEntries};

const MessageMap* CMainWnd::GetMessageMap() const { return &messageMap; }

int CMainWnd::OnCreate(LPCREATESTRUCTA createStruct) {
  if (CFrameWnd::OnCreate(createStruct) == -1) return -1;
  // Here, on the thread that created the window, before the job can start.
  CSetupApp* app = static_cast<CSetupApp*>(AfxGetApp());
  app->BeginJob(m_hWnd);
  // Without a worker nothing would ever close the window: fail the creation,
  // and start-up ends the run.
  if (!AfxBeginThread(&WorkerThreadProc, this, THREAD_PRIORITY_NORMAL, 0, 0, nullptr)) {
    app->EndJob();
    return -1;
  }
  return 0;
}

BOOL CMainWnd::OnQueryEndSession() {
  MoveWindow(-100, -100, 10, 10, TRUE);
  ShowWindow(SW_SHOWNORMAL);
  // The first ShowWindow of a process started with a show command in its
  // start-up information (STARTF_USESHOWWINDOW: hidden or minimised, as
  // deployment tools start programs) takes that command in place of the one
  // given. A later call is taken as given.
  if (!::IsWindowVisible(m_hWnd) || ::IsIconic(m_hWnd) || ::IsZoomed(m_hWnd))
    ShowWindow(SW_SHOWNORMAL);
  UpdateWindow();
  return FALSE;
}

void CMainWnd::OnEndSession(BOOL bEnding) {
  // The session ends while the worker still runs: Windows may end the process
  // at any moment now, and the job's outcome is unknown.
  if (bEnding && !m_bWorkDone.load(std::memory_order_acquire))
    static_cast<CSetupApp*>(AfxGetApp())->NoteSessionEndDuringJob();
  CFrameWnd::OnEndSession(bEnding);
}

void CMainWnd::OnClose() {
  // A close from outside (the window is visible after a refused log-off) while
  // the job runs is ignored; the worker's own request ends the run.
  if (!m_bWorkDone.load(std::memory_order_acquire)) return;
  static_cast<CSetupApp*>(AfxGetApp())->EndJob();
  CFrameWnd::OnClose();
}

void CMainWnd::RunWorker() {
  static_cast<CSetupApp*>(AfxGetApp())->DoWork();
  const HWND hwnd = m_hWnd;
  // From here on the main thread may destroy this object and end the process:
  // only the local handle is used.
  m_bWorkDone.store(true, std::memory_order_release);
  ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
}

UINT WorkerThreadProc(LPVOID param) {
  static_cast<CMainWnd*>(param)->RunWorker();
  return 0;
}
