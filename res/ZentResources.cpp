#include "resource.h"

#include "platform/AppResources.h"
#include "platform/Framework.h"

namespace {

QString s(const char *latin1)
{
    return QString::fromLatin1(latin1);
}

void registerStrings()
{
    AfxRegisterStrings({
        {IDR_MAINFRAME, s("Zentbase\n\nUntitled\nZentbase Files (*.zbd)\n.zbd\nZentbase.Document\nZentbase Document")},
        {AFX_IDS_APP_TITLE, s("Zentbase")},
        {AFX_IDS_IDLEMESSAGE, s("Ready")},
        {ID_FILE_NEW, s("Create a new document\nNew")},
        {ID_FILE_OPEN, s("Open an existing document\nOpen")},
        {ID_FILE_CLOSE, s("Close the active document\nClose")},
        {ID_FILE_SAVE, s("Save the active document\nSave")},
        {ID_FILE_SAVE_AS, s("Save the active document with a new name\nSave As")},
        {ID_APP_ABOUT, s("Display program information, version number and copyright\nAbout")},
        {ID_APP_EXIT, s("Quit the application; prompts to save documents\nExit")},
        {ID_FILE_MRU_FILE1, s("Open this document")},
        {ID_FILE_MRU_FILE2, s("Open this document")},
        {ID_FILE_MRU_FILE3, s("Open this document")},
        {ID_FILE_MRU_FILE4, s("Open this document")},
        {ID_NEXT_PANE, s("Switch to the next window pane\nNext Pane")},
        {ID_PREV_PANE, s("Switch back to the previous window pane\nPrevious Pane")},
        {ID_EDIT_CLEAR, s("Erase the selection\nErase")},
        {ID_EDIT_COPY, s("Copy the selection and put it on the Clipboard\nCopy")},
        {ID_EDIT_CUT, s("Cut the selection and put it on the Clipboard\nCut")},
        {ID_EDIT_PASTE, s("Insert Clipboard contents\nPaste")},
        {ID_EDIT_UNDO, s("Undo the last action\nUndo")},
        {ID_EDIT_REDO, s("Redo the previously undone action\nRedo")},
        {ID_VIEW_TOOLBAR, s("Show or hide the toolbar\nToggle ToolBar")},
        {ID_VIEW_STATUS_BAR, s("Show or hide the status bar\nToggle StatusBar")},
        {ID_CONTEXT_HELP, s("Display help for clicked on buttons, menus and windows\nHelp")},
        {ID_HELP, s("Display help for current task or command\nHelp")},
        {ID_PURE_BACKGROUND, s("Make new screen background by pure color")},
        {ID_TEXTURE_BACKGROUND, s("Make new screen texture background")},
        {ID_NEW_PICTURE, s("Load background picture")},
        {ID_SELECT_PICTURE, s("Select picture for moving, sizing or deleting")},
        {ID_UNSELECT_PICTURE, s("Unselect picture to continue work")},
        {ID_DELETE_PICTURE, s("Delete selected picture")},
        {59136, s("EXT")},
        {59137, s("CAP")},
        {59138, s("NUM")},
        {59139, s("SCRL")},
        {59140, s("OVR")},
        {59141, s("REC")},
    });
}

void registerMenu()
{
    AfxMenuTemplate menu;
    menu.popups = {
        {s("&File"),
         0,
         {{s("&New\tCtrl+N"), ID_FILE_NEW, {}, false},
          {s("&Open...\tCtrl+O"), ID_FILE_OPEN, {}, false},
          {s("&Save\tCtrl+S"), ID_FILE_SAVE, {}, false},
          {s("Save &As..."), ID_FILE_SAVE_AS, {}, false},
          {},
          {s("Recent File"), ID_FILE_MRU_FILE1, {}, true},
          {},
          {s("E&xit"), ID_APP_EXIT, {}, false}},
         false},
        {s("&Edit"),
         0,
         {{s("Cu&t\tCtrl+X"), ID_EDIT_CUT, {}, false},
          {s("&Copy\tCtrl+C"), ID_EDIT_COPY, {}, false},
          {s("&Paste\tCtrl+V"), ID_EDIT_PASTE, {}, false}},
         false},
        {s("&View"),
         0,
         {{s("&Toolbar"), ID_VIEW_TOOLBAR, {}, false}, {s("&Status Bar"), ID_VIEW_STATUS_BAR, {}, false}},
         false},
        {s("Background"),
         0,
         {{s("Pure background..."), ID_PURE_BACKGROUND, {}, false},
          {s("Texture background..."), ID_TEXTURE_BACKGROUND, {}, false},
          {s("Picture background"),
           0,
           {{s("New picture..."), ID_NEW_PICTURE, {}, false},
            {s("Select picture"), ID_SELECT_PICTURE, {}, false},
            {s("Unselect picture"), ID_UNSELECT_PICTURE, {}, false},
            {s("Delete picture"), ID_DELETE_PICTURE, {}, false}},
           false}},
         false},
        {s("&Help"),
         0,
         {{s("Help &Topics"), ID_HELP_FINDER, {}, false},
          {s("&What's This?\tShift+F1"), ID_CONTEXT_HELP, {}, false},
          {},
          {s("&About..."), ID_APP_ABOUT, {}, false}},
         false},
    };
    AfxRegisterMenu(IDR_MAINFRAME, menu);
}

void registerAccelerators()
{
    const BYTE V = FVIRTKEY;
    AfxRegisterAccelerators(IDR_MAINFRAME, {
                                               {BYTE(V | FCONTROL), 'N', ID_FILE_NEW},
                                               {BYTE(V | FCONTROL), 'O', ID_FILE_OPEN},
                                               {BYTE(V | FCONTROL), 'S', ID_FILE_SAVE},
                                               {BYTE(V | FCONTROL), 'Z', ID_EDIT_UNDO},
                                               {BYTE(V | FCONTROL), 'X', ID_EDIT_CUT},
                                               {BYTE(V | FCONTROL), 'C', ID_EDIT_COPY},
                                               {BYTE(V | FCONTROL), 'V', ID_EDIT_PASTE},
                                               {BYTE(V | FALT), VK_BACK, ID_EDIT_UNDO},
                                               {BYTE(V | FCONTROL), 'Y', ID_EDIT_REDO},
                                               {BYTE(V | FCONTROL | FSHIFT), 'Z', ID_EDIT_REDO},
                                               {BYTE(V | FSHIFT), VK_DELETE, ID_EDIT_CUT},
                                               {BYTE(V | FCONTROL), VK_INSERT, ID_EDIT_COPY},
                                               {BYTE(V | FSHIFT), VK_INSERT, ID_EDIT_PASTE},
                                               {V, VK_F6, ID_NEXT_PANE},
                                               {BYTE(V | FSHIFT), VK_F6, ID_PREV_PANE},
                                           });
}

void registerToolBar()
{
    AfxToolBarTemplate tb;
    tb.cxButton = 16;
    tb.cyButton = 15;
    tb.ids = {ID_FILE_NEW,         ID_FILE_OPEN,          ID_FILE_SAVE,   ID_SEPARATOR,
              ID_EDIT_CUT,         ID_EDIT_COPY,          ID_EDIT_PASTE,  ID_SEPARATOR,
              ID_PURE_BACKGROUND,  ID_TEXTURE_BACKGROUND, ID_NEW_PICTURE, ID_SELECT_PICTURE,
              ID_UNSELECT_PICTURE, ID_DELETE_PICTURE,     ID_SEPARATOR,   ID_HELP_FINDER};
    AfxRegisterToolBar(IDR_MAINFRAME, tb);
}

void registerDialogs()
{
    const QString font = s("MS Sans Serif");
    const DWORD child = WS_CHILD | WS_VISIBLE;
    AfxRegisterDialog(
        IDD_ABOUTBOX,
        {WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
         0,
         0,
         235,
         56,
         s("About "),
         font,
         8,
         {
             {s("STATIC"), s("128"), -1, child | SS_ICON, 7, 7, 21, 20},
             {s("STATIC"), s("Multipurpose Zentbase,  v. 1.0"), -1, child | SS_NOPREFIX, 40, 10, 119, 8},
             {s("STATIC"), s("Sticky notes on a board of your own."), -1, child, 40, 19, 121, 8},
             {s("STATIC"), s("Notes, textures, pictures and storage."), -1, child, 40, 28, 126, 8},
             {s("STATIC"), s("Made with care for tidy desks."), -1, child, 40, 37, 119, 8},
             {s("BUTTON"), s("OK"), IDOK, child | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 178, 7, 50, 14},
         }});
    AfxRegisterDialog(
        IDD_SELECT_TEXTURE,
        {0x90C800C0,
         0,
         0,
         187,
         99,
         s("Select a texture for background"),
         font,
         8,
         {
             {s("BUTTON"), s("OK"), IDOK, child | WS_TABSTOP | BS_DEFPUSHBUTTON, 7, 78, 50, 14},
             {s("BUTTON"), s("Cancel"), IDCANCEL, child | WS_TABSTOP, 68, 78, 50, 14},
             {s("BUTTON"), s("Apply"), IDC_TEXTURE_APPLY, child | WS_TABSTOP, 130, 78, 50, 14},
             {s("BUTTON"), s("Texture background"), -1, child | BS_GROUPBOX | BS_CENTER, 7, 7, 77, 63},
             {s("BUTTON"), s("Preview"), -1, child | BS_GROUPBOX | BS_CENTER, 99, 7, 77, 63},
             {s("LISTBOX"), QString(), IDC_TEXTURE_LIST,
              child | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT, 13, 18, 65, 48},
             {s("STATIC"), QString(), IDC_TEXTURE_PREVIEW, WS_CHILD, 103, 17, 69, 49},
         }});
    AfxRegisterDialog(
        IDD_MAKE_CAPTION,
        {0x80C800C0,
         0,
         0,
         173,
         91,
         s("Make Caption Text and Background"),
         font,
         8,
         {
             {s("BUTTON"), s("OK"), IDOK, child | WS_TABSTOP | BS_DEFPUSHBUTTON, 16, 63, 64, 14},
             {s("BUTTON"), s("Cancel"), IDCANCEL, child | WS_TABSTOP, 93, 63, 64, 14},
             {s("EDIT"), QString(), IDC_CAPTION_TEXT, child | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 16, 21, 141, 13},
             {s("BUTTON"), s("Select Background Color"), IDC_SELECT_BACKGROUND_COLOR, child | WS_TABSTOP, 16, 43, 141,
              14},
             {s("BUTTON"), s("Input Caption Text and Select Backgroung Color"), -1, child | BS_GROUPBOX | BS_CENTER, 7,
              7, 159, 77},
         }});
    AfxRegisterDialog(
        IDD_RESTORE_OBJECTS,
        {0x90C800C0,
         0,
         0,
         187,
         100,
         s("Restore Objects from Storage"),
         font,
         8,
         {
             {s("BUTTON"), s("Cancel"), IDCANCEL, child | WS_TABSTOP, 100, 79, 50, 14},
             {s("LISTBOX"), QString(), IDC_OBJECT_LIST,
              child | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT, 10, 17, 73,
              49},
             {s("EDIT"), QString(), IDC_OBJECT_PREVIEW,
              child | WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY, 104, 17, 73, 49},
             {s("BUTTON"), s("Select Object"), -1, child | BS_GROUPBOX | BS_CENTER, 7, 7, 80, 66},
             {s("BUTTON"), s("Preview Object"), -1, child | BS_GROUPBOX | BS_CENTER, 100, 7, 80, 66},
             {s("BUTTON"), s("Restore"), IDC_RESTORE, child | WS_TABSTOP, 38, 79, 50, 14},
         }});
}

} // namespace

static void initCompiledResources()
{
    // The bitmaps, icons and help text are linked in from a static library: register them explicitly.
    Q_INIT_RESOURCE(zentbase);
    Q_INIT_RESOURCE(zbhelp);
}

void ZentRegisterResources()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    initCompiledResources();
    registerStrings();
    registerMenu();
    registerAccelerators();
    registerToolBar();
    registerDialogs();
}
