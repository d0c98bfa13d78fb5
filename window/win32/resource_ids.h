// Resource identifiers shared by the .rc and the code. The icon has the lowest id, so that it is
// the program file's own icon; the pictures have theirs in form/renditions.h.
#pragma once

#define IDI_ORVANE 1
