// Files dropped on a window, as the platform hands them to OnDropFiles: a
// drop handle to ask for the count and each path. A dialog takes drops once
// it calls DragAcceptFiles; its controls then pass dropped files on to it
// rather than taking them as text.
#pragma once

#include "win32/types.h"

struct DropFiles;
using HDROP = DropFiles*;

// With `file` 0xFFFFFFFF: how many files. Else copies path `file` into
// `buffer` (cut to `size` bytes with its terminating zero) and returns its
// length without the zero; with no buffer, only the length.
UINT DragQueryFileA(HDROP drop, UINT file, LPSTR buffer, UINT size);
// The drop is handled; the handle is no longer used. (The framework owns it:
// this only marks the end.)
void DragFinish(HDROP drop);
