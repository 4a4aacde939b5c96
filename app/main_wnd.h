// The hidden main window: it owns the message loop while the worker thread does
// the job, refuses log-off and shutdown, and closes when the worker is done.
#pragma once

#include <atomic>

#include "framework/frame_wnd.h"

class CMainWnd : public CFrameWnd {
 public:
  // On the worker thread: the job (DoWork), then the close request. The last
  // act touching this object is reading its window handle.
  void RunWorker();

  const MessageMap* GetMessageMap() const override;

 protected:
  // Begins the application's job (its shutdown block) and starts the worker
  // thread; -1 (the creation fails, the job ended again) when it cannot be started.
  int OnCreate(LPCREATESTRUCTA createStruct);
  // Shows the window as a small window off the screen's top-left corner, also
  // when the process was started hidden, and refuses the log-off or shutdown:
  // always FALSE.
  BOOL OnQueryEndSession();
  // The frame's default end-of-session handling; a session that ends (TRUE)
  // while the job runs is first noted with the application.
  void OnEndSession(BOOL bEnding);
  // The application's end of the job and the frame's default close once the
  // worker is done; refused before, since the worker still uses the window and
  // the application object.
  void OnClose();

  static const MessageMapEntry messageEntries[];
  static const MessageMap messageMap;

 private:
  std::atomic<bool> m_bWorkDone{false};  // set by the worker just before its close request
};

// The worker thread's procedure; param is the CMainWnd. Always 0.
UINT WorkerThreadProc(LPVOID param);
