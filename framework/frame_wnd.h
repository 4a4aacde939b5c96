// The frame window of our small application framework: created with the
// framework's standard window class, closed by hiding and destroying itself,
// and deleted once its system window is gone.
#pragma once

#include "framework/wnd.h"

class CFrameWnd : public CWnd {
 public:
  // The name under which the standard frame class is registered.
  static constexpr const char* kStandardClassName = "ZavCirSetupFrame";
  // Position and size left to the system: left and top CW_USEDEFAULT, right and bottom 0.
  static const RECT rectDefault;

  // Creates the system window; className NULL selects the standard frame class.
  // context reaches the creation handler as the record's lpCreateParams.
  // FALSE when no window was created; the frame has then deleted itself.
  BOOL Create(const char* className, const char* windowName, DWORD style = WS_OVERLAPPEDWINDOW,
              const RECT& rect = rectDefault, CWnd* parent = nullptr,
              const char* menuName = nullptr, DWORD exStyle = 0, LPVOID context = nullptr);

  const MessageMap* GetMessageMap() const override;

 protected:
  // WM_CREATE: 0, the creation goes on.
  int OnCreate(LPCREATESTRUCTA createStruct);
  // WM_CLOSE: the application's main window is hidden first; then the window is destroyed.
  void OnClose();
  // WM_ENDSESSION: when the session ends (TRUE), the application's main window
  // calls the application's ExitInstance and drops its result; FALSE does nothing.
  void OnEndSession(BOOL bEnding);
  // Deletes the frame object.
  void PostNcDestroy() override;

  static const MessageMapEntry messageEntries[];
  static const MessageMap messageMap;

 private:
  // Registers the standard frame class once; its name.
  static const char* StandardClassName();
};
