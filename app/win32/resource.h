// Resource identifiers, shared by kr8finder.rc and the code that loads them.
#pragma once

// The lowest icon identifier is the one Explorer shows for the exe.
#define IDI_KR8FINDER 1
#define IDI_REGEDIT 2
#define IDI_REGEDIT_DISABLED 3
#define IDI_DELETE 4
#define IDI_DELETE_DISABLED 5

// The stored rights tool, resource type "CUSTOM" (kRightsToolResource in app/Texts.h).
#define IDR_RIGHTS_TOOL 101
