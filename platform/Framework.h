// The single-document application framework: application, document template, document, view, frame windows,
// control bars, recent-file list, shell registration and help.
#pragma once

#include "Wnd.h"

#include <QStringList>
#include <memory>
#include <vector>

class CArchive;
class CDocument;
class CDocTemplate;
class CFrameWnd;
class CView;
class CWinApp;
class QAction;
class QMainWindow;
class QMenuBar;
class QToolBar;
class QStatusBar;

// Framework command and resource numbers.
enum : UINT {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_CLOSE = 57602,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_MRU_FILE1 = 57616,
    ID_FILE_MRU_FILE2 = 57617,
    ID_FILE_MRU_FILE3 = 57618,
    ID_FILE_MRU_FILE4 = 57619,
    ID_EDIT_CLEAR = 57632,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_UNDO = 57643,
    ID_EDIT_REDO = 57644,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_HELP_INDEX = 57666,
    ID_HELP_FINDER = 57667,
    ID_HELP_USING = 57668,
    ID_CONTEXT_HELP = 57669,
    ID_HELP = 57670,
    ID_DEFAULT_HELP = 57671,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_SEPARATOR = 0,
    AFX_IDS_APP_TITLE = 57344,
    AFX_IDS_IDLEMESSAGE = 57345,
    AFX_IDW_TOOLBAR = 0xE800,
    AFX_IDW_STATUS_BAR = 0xE801,
    AFX_IDW_PANE_FIRST = 0xE900,
};

// Control bar styles.
enum : DWORD {
    CBRS_ALIGN_LEFT = 0x1000,
    CBRS_ALIGN_TOP = 0x2000,
    CBRS_ALIGN_RIGHT = 0x4000,
    CBRS_ALIGN_BOTTOM = 0x8000,
    CBRS_ALIGN_ANY = 0xF000,
    CBRS_BORDER_LEFT = 0x0100,
    CBRS_BORDER_TOP = 0x0200,
    CBRS_BORDER_RIGHT = 0x0400,
    CBRS_BORDER_BOTTOM = 0x0800,
    CBRS_TOOLTIPS = 0x0010,
    CBRS_FLYBY = 0x0020,
    CBRS_GRIPPER = 0x00400000,
    CBRS_SIZE_DYNAMIC = 0x0004,
    CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM,
    CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP,
    TBSTYLE_FLAT = 0x0800,
};
enum : DWORD { FWS_ADDTOTITLE = 0x00008000, FWS_PREFIXTITLE = 0x00004000 };

struct CCreateContext {
    const CRuntimeClass *m_pNewViewClass = nullptr;
    CDocument *m_pCurrentDoc = nullptr;
    CDocTemplate *m_pNewDocTemplate = nullptr;
    CFrameWnd *m_pCurrentFrame = nullptr;
};

typedef void *POSITION;

class CDocument : public CCmdTarget {
    DECLARE_DYNAMIC(CDocument)
public:
    CDocument();
    ~CDocument() override;

    const CString &GetTitle() const { return m_strTitle; }
    virtual void SetTitle(const QString &title);
    const CString &GetPathName() const { return m_strPathName; }
    virtual void SetPathName(const QString &path, BOOL bAddToMRU = TRUE);
    CDocTemplate *GetDocTemplate() const { return m_pDocTemplate; }

    virtual BOOL IsModified();
    virtual void SetModifiedFlag(BOOL bModified = TRUE);

    void AddView(CView *pView);
    void RemoveView(CView *pView);
    POSITION GetFirstViewPosition() const;
    CView *GetNextView(POSITION &rPosition) const;
    // Tells every view but the sender that the document changed; the views repaint.
    void UpdateAllViews(CView *pSender, LPARAM lHint = 0, CObject *pHint = nullptr);

    virtual void DeleteContents();
    virtual BOOL OnNewDocument();
    virtual BOOL OnOpenDocument(const QString &path);
    virtual BOOL OnSaveDocument(const QString &path);
    virtual void OnCloseDocument();
    // Asks "Save changes to %1?" when modified; FALSE when the user cancelled or the save failed.
    virtual BOOL SaveModified();
    virtual BOOL DoSave(const QString &path, BOOL bReplace = TRUE);
    virtual BOOL DoFileSave();

    CDocTemplate *m_pDocTemplate = nullptr;

protected:
    afx_msg void OnFileSave();
    afx_msg void OnFileSaveAs();
    DECLARE_MESSAGE_MAP()

    CString m_strTitle;
    CString m_strPathName;
    BOOL m_bModified = FALSE;
    std::vector<CView *> m_viewList;

private:
    // What the last Open or Save saw of the document's file (modification time in nanoseconds, size), so that Save
    // notices a change made by another program in between.
    void RememberFile(const QString &path);
    // TRUE when path may be written: it is not the remembered file, the file is as it was seen, or the user says
    // to overwrite it.
    BOOL ConfirmOverwrite(const QString &path);
    QString m_strSeenPath;
    qint64 m_nSeenTime = 0;
    qint64 m_nSeenSize = -1;
};

class CView : public CWnd {
    DECLARE_DYNAMIC(CView)
public:
    CView();
    ~CView() override;
    CDocument *GetDocument() const { return m_pDocument; }
    virtual void OnDraw(CDC *pDC) = 0;
    virtual void OnPrepareDC(CDC *pDC);
    virtual void OnInitialUpdate();
    virtual void OnUpdate(CView *pSender, LPARAM lHint, CObject *pHint);
    BOOL PreCreateWindow(CREATESTRUCT &cs) override;
    BOOL OnCmdMsg(UINT nID, int nCode, void *pExtra) override;
    void PostNcDestroy() override;

    CDocument *m_pDocument = nullptr;

protected:
    afx_msg int OnCreate(LPCREATESTRUCT lpcs);
    afx_msg void OnPaint();
    DECLARE_MESSAGE_MAP()
};

class CControlBar : public CWnd {
    DECLARE_DYNAMIC(CControlBar)
public:
    void EnableDocking(DWORD dwDockStyle);
    DWORD m_dwDockStyle = 0;
    DWORD GetBarStyle() const { return m_dwStyle; }
    DWORD m_dwStyle = 0;
};

class CToolBar : public CControlBar {
    DECLARE_DYNAMIC(CToolBar)
public:
    CToolBar();
    ~CToolBar() override;
    using CWnd::CreateEx;
    BOOL CreateEx(CWnd *pParentWnd, DWORD dwCtrlStyle = TBSTYLE_FLAT,
                  DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, CRect rcBorders = CRect(0, 0, 0, 0),
                  UINT nID = AFX_IDW_TOOLBAR);
    BOOL LoadToolBar(UINT nIDResource);
    QToolBar *GetToolBar() const;
    // Buttons in order, with separators as null.
    QList<QAction *> GetButtonActions() const;
    int GetCount() const;
    UINT GetItemID(int nIndex) const;
    // Enables and checks the buttons from their commands' update handlers (run at idle time).
    void OnUpdateCmdUI(CFrameWnd *pTarget, BOOL bDisableIfNoHndler);
};

class CStatusBar : public CControlBar {
    DECLARE_DYNAMIC(CStatusBar)
public:
    using CWnd::Create;
    BOOL Create(CWnd *pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT nID = AFX_IDW_STATUS_BAR);
    BOOL SetIndicators(const UINT *lpIDArray, int nIDCount);
    QStatusBar *GetStatusBar() const;
    // Text of the message pane as a person sees it.
    QString GetPaneText(int nIndex = 0) const;
};

class CFrameWnd : public CWnd {
    DECLARE_DYNCREATE(CFrameWnd)
public:
    CFrameWnd();
    ~CFrameWnd() override;

    virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                           CWnd *pParentWnd = nullptr, CCreateContext *pContext = nullptr);
    BOOL Create(const QString &className, const QString &windowName, DWORD dwStyle, const RECT &rect, CWnd *pParentWnd,
                UINT nID, void *pContext = nullptr) override;
    BOOL PreCreateWindow(CREATESTRUCT &cs) override;
    void PostNcDestroy() override;
    BOOL OnCmdMsg(UINT nID, int nCode, void *pExtra) override;
    virtual BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext *pContext);
    CWnd *CreateView(CCreateContext *pContext, UINT nID = AFX_IDW_PANE_FIRST);
    virtual void OnUpdateFrameTitle(BOOL bAddToTitle);
    virtual void ActivateFrame(int nCmdShow = -1);
    void InitialUpdateFrame(CDocument *pDoc, BOOL bMakeVisible);

    CView *GetActiveView() const;
    void SetActiveView(CView *pViewNew, BOOL bNotify = TRUE);
    virtual CDocument *GetActiveDocument();
    virtual CFrameWnd *GetActiveFrame();
    void EnableDocking(DWORD dwDockStyle);
    void DockControlBar(CControlBar *pBar, UINT nDockBarID = 0, LPCRECT lpRect = nullptr);
    // Runs update-command-UI for the toolbar buttons and accelerators (the framework does it at idle time).
    void OnIdleUpdateCmdUI();

    QMainWindow *GetMainWindow() const;
    QMenuBar *GetQMenuBar() const;

    BOOL m_bAutoMenuEnable = TRUE;
    UINT m_nIDHelp = 0;
    DWORD m_dwDockStyle = 0;

protected:
    afx_msg int OnCreate(LPCREATESTRUCT lpcs);
    afx_msg void OnClose();
    afx_msg void OnDestroy();
    afx_msg void OnDropFiles(void *hDropInfo);
    afx_msg void OnNcLButtonDblClk(UINT nHitTest, CPoint point);
    afx_msg void OnNcDestroy();
    afx_msg void OnHelpFinder();
    afx_msg void OnHelp();
    afx_msg void OnContextHelp();
    afx_msg BOOL OnBarCheck(UINT nID);
    afx_msg void OnUpdateControlBarMenu(CCmdUI *pCmdUI);
    DECLARE_MESSAGE_MAP()

    CView *m_pViewActive = nullptr;
    UINT m_nIDResource = 0;

private:
    friend class CFrameMenuBuilder;
    void BuildMenu(UINT nIDResource);
    void BuildAccelerators(UINT nIDResource);
    std::vector<QAction *> m_accelActions;
};

class CMiniFrameWnd : public CFrameWnd {
    DECLARE_DYNCREATE(CMiniFrameWnd)
public:
    CMiniFrameWnd();
    BOOL Create(const QString &className, const QString &windowName, DWORD dwStyle, const RECT &rect,
                CWnd *pParentWnd = nullptr, UINT nID = 0, void *pContext = nullptr) override;
    BOOL PreCreateWindow(CREATESTRUCT &cs) override;
};

class CDocTemplate : public CCmdTarget {
    DECLARE_DYNAMIC(CDocTemplate)
public:
    enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };
    CDocTemplate(UINT nIDResource, const CRuntimeClass *pDocClass, const CRuntimeClass *pFrameClass,
                 const CRuntimeClass *pViewClass);
    ~CDocTemplate() override;
    BOOL GetDocString(CString &rString, DocStringIndex index) const;
    virtual CDocument *OpenDocumentFile(const QString &path, BOOL bMakeVisible = TRUE) = 0;
    virtual CDocument *GetDocument() const = 0;
    virtual CFrameWnd *CreateNewFrame(CDocument *pDoc, CFrameWnd *pOther);
    virtual void InitialUpdateFrame(CFrameWnd *pFrame, CDocument *pDoc, BOOL bMakeVisible = TRUE);
    virtual void SetDefaultTitle(CDocument *pDocument);
    virtual CDocument *CreateNewDocument();
    UINT m_nIDResource;

protected:
    const CRuntimeClass *m_pDocClass;
    const CRuntimeClass *m_pFrameClass;
    const CRuntimeClass *m_pViewClass;
    QStringList m_docStrings;
};

class CSingleDocTemplate : public CDocTemplate {
    DECLARE_DYNAMIC(CSingleDocTemplate)
public:
    CSingleDocTemplate(UINT nIDResource, const CRuntimeClass *pDocClass, const CRuntimeClass *pFrameClass,
                       const CRuntimeClass *pViewClass);
    ~CSingleDocTemplate() override;
    CDocument *OpenDocumentFile(const QString &path, BOOL bMakeVisible = TRUE) override;
    CDocument *GetDocument() const override { return m_pOnlyDoc; }
    CDocument *m_pOnlyDoc = nullptr;
};

class CCommandLineInfo {
public:
    enum {
        FileNew,
        FileOpen,
        FilePrint,
        FilePrintTo,
        FileDDE,
        AppUnregister,
        FileNothing = -1
    } m_nShellCommand = FileNew;
    virtual ~CCommandLineInfo() = default;
    CString m_strFileName;
    BOOL m_bShowSplash = TRUE;
};

class CRecentFileList {
public:
    CRecentFileList(UINT nStart, const QString &section, const QString &entryFormat, int nSize);
    void Add(const QString &path);
    void Remove(int nIndex);
    int GetSize() const { return m_nSize; }
    int GetCount() const { return int(m_files.size()); }
    // Menu entries are numbered from GetStart() + 1.
    UINT GetStart() const { return m_nStart; }
    QString operator[](int nIndex) const { return nIndex < m_files.size() ? m_files[nIndex] : QString(); }
    void ReadList();
    void WriteList();
    QStringList m_files;

private:
    UINT m_nStart;
    QString m_strSection;
    QString m_strEntryFormat;
    int m_nSize;
};

class CWinApp : public CCmdTarget {
    DECLARE_DYNAMIC(CWinApp)
public:
    explicit CWinApp(const char *pszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    BOOL OnCmdMsg(UINT nID, int nCode, void *pExtra) override;

    void Enable3dControlsStatic() {}
    void SetRegistryKey(const QString &key);
    void LoadStdProfileSettings(UINT nMaxMRU = 4);
    void AddDocTemplate(CDocTemplate *pTemplate);
    void EnableShellOpen() { m_bShellOpen = TRUE; }
    // Registers the board file type with the desktop: a .desktop entry and a MIME type in the XDG data folder.
    void RegisterShellFileTypes(BOOL bCompat = FALSE);
    void ParseCommandLine(CCommandLineInfo &rCmdInfo);
    BOOL ProcessShellCommand(CCommandLineInfo &rCmdInfo);
    virtual CDocument *OpenDocumentFile(const QString &path);
    virtual void AddToRecentFileList(const QString &path);
    HICON LoadIcon(UINT nIDResource) const;
    void WinHelp(DWORD dwData, UINT nCmd = 0);
    // Settings under the registry key and the application name.
    QString GetProfileString(const QString &section, const QString &entry, const QString &def = QString()) const;
    BOOL WriteProfileString(const QString &section, const QString &entry, const QString &value);
    int GetProfileInt(const QString &section, const QString &entry, int def) const;

    CWnd *m_pMainWnd = nullptr;
    QString m_pszAppName;
    QString m_pszRegistryKey;
    QString m_pszHelpFilePath;
    std::unique_ptr<CRecentFileList> m_pRecentFileList;
    std::vector<CDocTemplate *> m_templates;
    BOOL m_bShellOpen = FALSE;
    int m_nCmdShow = SW_SHOW;

    afx_msg void OnFileNew();
    afx_msg void OnFileOpen();
    afx_msg BOOL OnOpenRecentFile(UINT nID);
    afx_msg void OnUpdateRecentFileMenu(CCmdUI *pCmdUI);
    afx_msg void OnAppExit();

protected:
    DECLARE_MESSAGE_MAP()
};

CWinApp *AfxGetApp();
CWnd *AfxGetMainWnd();
// Replaces the process's arguments as the command line the application parses (program name first).
void AfxSetCommandLine(const QStringList &args);
// Runs the application: QApplication, InitInstance, the event loop.
int AfxWinMain(int argc, char *argv[]);
// Starts the application object inside an existing QApplication (tests); FALSE when InitInstance failed.
BOOL AfxStartApp();
// Ends the application's windows and its templates and documents (tests).
void AfxEndApp();
// The help window with the program's help text; null until opened.
QWidget *AfxGetHelpWindow();
