#pragma once
// Test faces; beside the program's own bitmaps (143-149) in the same test executable.
#define IDB_TEST_HOVER 901
#define IDB_TEST_NORMAL 902
#define IDB_TEST_MISSING 909
