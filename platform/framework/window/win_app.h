// CWinApp: the application object. A program defines exactly one, as a
// global object; its main function calls AfxWinMain, which starts the
// window system and runs InitInstance. A program whose InitInstance shows
// its main dialog modally and returns FALSE ends when that dialog closes,
// with exit status ExitInstance (0).
//
// The program's name is its executable's file name without extension
// (AfxGetAppName); it captions every message box.
#pragma once

#include <string>
#include <vector>

#include "window/resources.h"
#include "window/window_types.h"

class CWnd;

class CWinApp {
  public:
    // `app_name`: nullptr names the program after its executable.
    explicit CWinApp(const char* app_name = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // TRUE runs the framework's message loop until the last window closes;
    // FALSE ends the program at once.
    virtual BOOL InitInstance();
    // The program's exit status.
    virtual int ExitInstance();
    // A command no window handled (a dialog hands those on); TRUE when
    // handled. The application object handles none unless it says so.
    virtual BOOL OnCommand(int id);
    // The framework's default help handler, for an application that routes
    // ID_HELP to it. There is no help file on this platform, so it only
    // traces that help was asked for.
    virtual void OnHelp();

    HICON LoadIcon(UINT id) const;
    // The platform draws every control in three dimensions; kept so that
    // start-up code reads as written for it.
    void Enable3dControls() {}

    // The command line after the program name, without the window system's
    // own options.
    const std::vector<std::string>& Arguments() const { return arguments_; }
    void SetArguments(std::vector<std::string> arguments) { arguments_ = std::move(arguments); }

    CWnd* m_pMainWnd = nullptr;

  private:
    std::vector<std::string> arguments_;
};

// The application object, or nullptr when the program has none.
CWinApp* AfxGetApp();
// The application's main window, or nullptr.
CWnd* AfxGetMainWnd();
// Controls that host other components need nothing here.
inline void AfxEnableControlContainer() {}

// The program's start: the window system, the real message boxes, then
// InitInstance. Returns the exit status. (In win_main.cpp, above both the
// application object and the boxes.)
int AfxWinMain(int argc, char** argv);
