// The board document: notes, background, picture and the positions of the two board icons.
#pragma once

#include "platform/Collections.h"
#include "platform/Framework.h"
#include "platform/ImageList.h"
#include "platform/Tracker.h"
#include "view/Picture.h"
#include "view/Texture.h"

#include <QUndoStack>

#include <memory>

class CPaperFrame;
class CRecovery;
struct CBoardLook;
struct CPaperState;

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
    // Holds m_hTexture and m_hTexturePalette alive; an open texture dialog may hold the same pair. Both change
    // together only through SetTexture.
    CTexturePair m_texture;
    COLORREF m_crBackground = RGB(255, 255, 255);
    bool m_bPicture = false;
    bool m_bTexture = false;
    bool m_bPureColour = false;
    // Keeps a recovery copy of the board while it has unsaved changes.
    std::unique_ptr<CRecovery> m_pRecovery;

    // Creates a note with its text control and puts it at the head of the list.
    void AddPaper(RECT &rect, bool bShow);
    // Loads a built-in texture bitmap; FALSE (and no texture held) when there is no such resource.
    BOOL LoadTexture(UINT nResourceID);
    // Shows texture (or none) on the board: the pair held before goes unless a texture dialog still shows it.
    void SetTexture(const CTexturePair &texture);
    // Takes a note out of the list without ending it; TRUE when it was there.
    BOOL RemovePaper(CPaperFrame *pPaper);

    // Board actions that can be taken back, newest on top; clean at the last Save or Open.
    QUndoStack m_undo;
    // Undo or redo is putting the board back, or a file is being read: nothing done now is a step of its own.
    int m_nReplaying = 0;
    bool m_bLoading = false;
    int m_nLastPaperId = 0;
    // The note move being made now follows from the last drag (off the waste bin) and belongs to its step.
    bool m_bFollowUpMove = false;

    // Whether what the board does now is a user's action that belongs on the undo stack.
    bool IsRecording() const { return m_nReplaying == 0 && !m_bLoading; }
    // Puts a step for an action already done on the undo stack (nothing when not recording).
    void RecordUndo(QUndoCommand *pCommand);
    // A change that undo cannot take back (typing): the state of the last Save is out of reach.
    void ChangedOutsideUndo();
    CPaperFrame *FindPaper(int nId) const;
    // Everything saved of a note, and its place in the list.
    CPaperState CapturePaper(const CPaperFrame *pPaper) const;
    // Makes the note anew through AddPaper and puts it back at its place; null when it cannot be made.
    CPaperFrame *RestorePaper(const CPaperState &state);
    // Ends the note with this id, as the waste bin does.
    void ErasePaper(int nId);
    // Background, texture and picture as saved, with the picture object.
    CBoardLook CaptureLook() const;
    void ApplyLook(const CBoardLook &look);
    // Records the change of background or picture since before, if there was one.
    void RecordLookChange(const QString &strText, const CBoardLook &before);
    // After undo or redo: repaint, and the board's icon test sees the restored layout as settled.
    void AfterReplay();

    void Serialize(CArchive &ar) override;
    // The recovery copy follows the flag: written soon after a change, removed when the flag is cleared.
    void SetModifiedFlag(BOOL bModified = TRUE) override;
    // No at the save prompt gives the changes up, and with them their recovery copy.
    BOOL SaveModified() override;
    void DeleteContents() override;
    BOOL OnNewDocument() override;
    BOOL OnSaveDocument(const QString &path) override;
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
    afx_msg void OnEditUndo();
    afx_msg void OnUpdateEditUndo(CCmdUI *pCmdUI);
    afx_msg void OnEditRedo();
    afx_msg void OnUpdateEditRedo(CCmdUI *pCmdUI);
    // Writes the board to a picture, a JSON Canvas, Markdown or text file the user names.
    afx_msg void OnExportBoard();
    afx_msg void OnUpdateExportBoard(CCmdUI *pCmdUI);
    DECLARE_MESSAGE_MAP()

private:
    // Ends every note, those in storage too.
    void DeleteNotes();
    // Opens a modeless texture dialog for this document.
    void OpenTextureDialog();
    // Lets go of the texture pair; it is deleted unless an open texture dialog still shows it.
    void RetireTexture();
};
