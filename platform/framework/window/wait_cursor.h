// CWaitCursor: the busy cursor over the program's windows for as long as the
// object lives, around work that keeps the user waiting (a listing, an
// export). A message box in between shows the normal cursor while it is up.
//
// fw::PaintWaitingWindows lets the windows paint during such work (and the
// window system show them), without taking the user's input, so that a long
// run never leaves a window unpainted.
#pragma once

class CWaitCursor {
  public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

namespace fw {

void PaintWaitingWindows();

}  // namespace fw
