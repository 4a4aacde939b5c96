// The window object of our small application framework: a C++ object attached
// to one system window, whose messages are handled through message maps.
#pragma once

#include <windows.h>

class CWnd;

// One entry of a message map: a message and the adapter that calls its handler.
struct MessageMapEntry {
  UINT message;
  LRESULT (*handler)(CWnd* wnd, WPARAM wParam, LPARAM lParam);
};

// The message map of one class: its own entries, ended by an entry without a
// handler, and the map of its base class, searched when none of them matches.
struct MessageMap {
  const MessageMap* baseMap;
  const MessageMapEntry* entries;
};

// Adapters from a message's parameters to the handler forms of the maps.
template <class T, int (T::*Handler)(LPCREATESTRUCTA)>
LRESULT CreateMessageHandler(CWnd* wnd, WPARAM, LPARAM lParam) {
  return (static_cast<T*>(wnd)->*Handler)(reinterpret_cast<LPCREATESTRUCTA>(lParam));
}
template <class T, BOOL (T::*Handler)()>
LRESULT BoolMessageHandler(CWnd* wnd, WPARAM, LPARAM) {
  return (static_cast<T*>(wnd)->*Handler)();
}
template <class T, void (T::*Handler)(BOOL)>
LRESULT FlagMessageHandler(CWnd* wnd, WPARAM wParam, LPARAM) {
  (static_cast<T*>(wnd)->*Handler)(wParam != 0 ? TRUE : FALSE);
  return 0;
}
template <class T, void (T::*Handler)()>
LRESULT VoidMessageHandler(CWnd* wnd, WPARAM, LPARAM) {
  (static_cast<T*>(wnd)->*Handler)();
  return 0;
}

class CWnd {
 public:
  CWnd() = default;
  // Destroys a system window that is still attached.
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // The attached window, or NULL.
  HWND GetSafeHwnd() const { return m_hWnd; }
  BOOL DestroyWindow();
  BOOL MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  BOOL ShowWindow(int command);
  void UpdateWindow();

  // The message map of the object's class.
  virtual const MessageMap* GetMessageMap() const;

  HWND m_hWnd = nullptr;

 protected:
  // CreateWindowExA; this object is attached to the new window from its first
  // message on. FALSE when no window was created: the object has then been
  // handed to PostNcDestroy (a frame has deleted itself) and must not be used.
  BOOL CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x,
                int y, int width, int height, HWND parent, HMENU menu, LPVOID param);
  // Handles one message: the first entry for it in the maps, from the object's
  // class towards the base, else DefWindowProcA.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Called once the system window is gone and detached. CWnd does nothing.
  virtual void PostNcDestroy();
  // WM_NCDESTROY: the application's main window clears m_pMainWnd and posts the
  // quit message (code 0); then the window is detached and PostNcDestroy runs.
  void OnNcDestroy();

  // The window procedure of every class whose windows are CWnd objects.
  static LRESULT CALLBACK StandardWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  // Clears the application's m_pMainWnd when it is this object; true if it was.
  bool ForgetAsMainWindow();

  static const MessageMapEntry messageEntries[];
  static const MessageMap messageMap;
};
