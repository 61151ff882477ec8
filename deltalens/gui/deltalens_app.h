// CDeltalensApp: the application object of the Deltalens program. Its
// start-up shows the main dialog modally and ends the program when the
// dialog closes; of the commands it routes only help, to the framework's
// default help handler.
#pragma once

#include "window/win_app.h"

class CDeltalensApp : public CWinApp {
  public:
    CDeltalensApp();
    BOOL InitInstance() override;
    BOOL OnCommand(int id) override;
};
