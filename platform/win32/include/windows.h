// Linux stand-in for the Windows base services the support library calls.
// Everything declared here has the Windows name and result; the code behind it
// lives in platform/win32/src.
#pragma once

#include "win32/types.h"
#include "win32/winerror.h"
#include "win32/files.h"
#include "win32/lasterror.h"
#include "win32/format.h"
#include "win32/debug.h"
#include "win32/codepage.h"
#include "win32/registry.h"
#include "win32/profile.h"
