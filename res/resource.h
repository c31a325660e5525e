// Resource and command numbers of the program.
#pragma once

#define IDD_ABOUTBOX 100
#define IDR_MAINFRAME 128
#define IDR_ZENTTYPE 129
#define IDD_SELECT_TEXTURE 130
#define IDB_ROCK_WHITE 131
#define IDB_ROCK_YELLOW 132
#define IDB_PATTERN_GREEN 135
#define IDB_BRICK_CRANITE 138
#define IDB_MONEY 140
#define IDI_TRASH 141
#define IDI_STORAGE 142
#define IDD_MAKE_CAPTION 143
#define IDD_RESTORE_OBJECTS 146

#define IDC_TEXTURE_APPLY 1000
#define IDC_TEXTURE_LIST 1002
#define IDC_TEXTURE_PREVIEW 1003
#define IDC_CAPTION_TEXT 1004
#define IDC_SELECT_BACKGROUND_COLOR 1005
#define IDC_OBJECT_LIST 1002
#define IDC_OBJECT_PREVIEW 1004
#define IDC_RESTORE 1005

#define ID_PURE_BACKGROUND 32774
#define ID_TEXTURE_BACKGROUND 32777
#define ID_NEW_PICTURE 32778
#define ID_SELECT_PICTURE 32779
#define ID_UNSELECT_PICTURE 32780
#define ID_DELETE_PICTURE 32781

// Commands of the board's context menu.
#define ID_BRING_NOTES_INTO_VIEW 32782
#define ID_EXPORT_BOARD 32783

// Registers the string table, menu, accelerators, toolbar and dialog templates with the framework.
void ZentRegisterResources();
