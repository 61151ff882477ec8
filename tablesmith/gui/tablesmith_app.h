// CTablesmithApp: the application object of the Tablesmith program. The
// program defines the one instance; its start-up shows the main dialog
// modally and ends the program when the dialog closes.
#pragma once

#include "window/win_app.h"

class CTablesmithApp : public CWinApp {
  public:
    CTablesmithApp();
    BOOL InitInstance() override;
    int ExitInstance() override;

  private:
    // The viewer's exit status under --view (1: the package did not open).
    int view_status_ = 0;
};
