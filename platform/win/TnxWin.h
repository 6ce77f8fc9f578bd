// The Windows stand-ins in one include: types and error codes, library loading and search, the
// current directory, code pages, version information, message box, shell and virtual memory.
#pragma once

#include "platform/win/CodePage.h"
#include "platform/win/LastError.h"
#include "platform/win/Library.h"
#include "platform/win/Memory.h"
#include "platform/win/MessageBox.h"
#include "platform/win/PathUtil.h"
#include "platform/win/Process.h"
#include "platform/win/SearchPath.h"
#include "platform/win/Shell.h"
#include "platform/win/VersionBlock.h"
#include "platform/win/VersionInfo.h"
#include "platform/win/VersionResource.h"
#include "platform/win/WinTypes.h"
