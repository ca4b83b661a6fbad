#pragma once
// The framework in one include: the application object, windows and message
// tables, dialogs and data exchange, strings, controls, menus, GDI and the
// file dialog; the live-object counts in the builds that keep them.
#include "App.h"
#include "Controls.h"
#include "Debug.h"
#include "Dialog.h"
#include "Dpi.h"
#include "Exceptions.h"
#include "FileDialog.h"
#include "Gdi.h"
#include "LiveCounts.h"
#include "Menu.h"
#include "MessageMap.h"
#include "Module.h"
#include "String.h"
#include "Types.h"
#include "Wnd.h"
