#pragma once
// Classes in this file:
//   CpivotdeskApp - the application object: prepares the platform and runs
//                   the main dialog modally; the program ends with the dialog
#include "App.h"

class CpivotdeskApp : public CWinApp {
public:
    using CWinApp::CWinApp;
    BOOL InitInstance() override;
};
