// Resource identifiers shared by the .rc and the code. The icon has the lowest id, so that it is
// the program file's own icon.
#pragma once

#define IDI_ORVANE 1
#define IDB_BACKGROUND 101
#define IDB_BACKGROUND_2X 102
#define IDB_BACKGROUND_125 103
#define IDB_BACKGROUND_150 104
#define IDB_BACKGROUND_175 105
