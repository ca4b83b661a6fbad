// The entry point shared by every test program.
#include "harness.h"

int wmain(int argc, wchar_t** argv) { return testkit::RunAll(argc, argv); }
