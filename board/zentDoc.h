// The board document: notes, background, picture and the positions of the two board icons.
#pragma once

#include "platform/Collections.h"
#include "platform/Framework.h"
#include "platform/ImageList.h"
#include "platform/Tracker.h"
#include "view/Picture.h"

class CPaperFrame;

class CZentDoc : public CDocument {
protected:
    CZentDoc();
    DECLARE_DYNCREATE(CZentDoc)

public:
    ~CZentDoc() override;

    CTypedPtrList<CObList, CPaperFrame *> m_papers{10};
    int m_nPapers = 0;
    int m_nTextureID = 0;
    bool m_bDragStorage = false;
    bool m_bDragTrash = false;
    CPoint m_ptStorage{100, 10};
    CPoint m_ptTrash{10, 10};
    CImageList m_icons;
    bool m_bPictureSelected = false;
    CRectTracker m_tracker;
    CString m_strPicturePath;
    int m_nPictureHeight = 200;
    int m_nPictureWidth = 200;
    int m_nPictureTop = 100;
    int m_nPictureLeft = 100;
    CPicture m_picture;
    int m_nTextureHeight = 0;
    int m_nTextureWidth = 0;
    HBITMAP m_hTexture = nullptr;
    HPALETTE m_hTexturePalette = nullptr;
    COLORREF m_crBackground = RGB(255, 255, 255);
    bool m_bPicture = false;
    bool m_bTexture = false;
    bool m_bPureColour = false;

    // Creates a note with its text control and puts it at the head of the list.
    void AddPaper(RECT &rect, bool bShow);
    // Loads a built-in texture bitmap; FALSE (and no texture held) when there is no such resource.
    BOOL LoadTexture(UINT nResourceID);
    // Takes a note out of the list without ending it; TRUE when it was there.
    BOOL RemovePaper(CPaperFrame *pPaper);

    void Serialize(CArchive &ar) override;
    void DeleteContents() override;
    BOOL OnNewDocument() override;
    void AssertValid() const override;
    void Dump() const override;

protected:
    afx_msg void OnPureBackground();
    afx_msg void OnTextureBackground();
    afx_msg void OnNewPicture();
    afx_msg void OnSelectPicture();
    afx_msg void OnUpdateSelectPicture(CCmdUI *pCmdUI);
    afx_msg void OnUnselectPicture();
    afx_msg void OnUpdateDeletePicture(CCmdUI *pCmdUI);
    afx_msg void OnDeletePicture();
    // Writes the board to a picture, a JSON Canvas, Markdown or text file the user names.
    afx_msg void OnExportBoard();
    afx_msg void OnUpdateExportBoard(CCmdUI *pCmdUI);
    DECLARE_MESSAGE_MAP()

private:
    // Ends every note, those in storage too.
    void DeleteNotes();
    // Opens a modeless texture dialog for this document.
    void OpenTextureDialog();
    // Keeps a texture pair that the document no longer shows until nothing can show it any more.
    void RetireTexture();
};
