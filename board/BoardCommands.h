// Undo steps of the board document: background and picture changes, notes made and deleted.
#pragma once

#include "platform/CString.h"
#include "platform/WinTypes.h"

#include <QUndoCommand>

class CZentDoc;
struct IPicture;

// A counted reference to a decoded picture, so that an undone New picture brings back the one before.
class CPictureRef {
public:
    CPictureRef() = default;
    explicit CPictureRef(IPicture *pPicture);
    CPictureRef(const CPictureRef &other);
    CPictureRef &operator=(const CPictureRef &other);
    ~CPictureRef();
    IPicture *Get() const { return m_pPicture; }

private:
    IPicture *m_pPicture = nullptr;
};

// The background and the picture as far as undo puts them back.
struct CBoardLook {
    bool bPureColour = false;
    bool bTexture = false;
    bool bPicture = false;
    bool bPictureSelected = false;
    COLORREF crBackground = 0;
    int nTextureID = 0;
    CString strPicturePath;
    int nPictureLeft = 0;
    int nPictureTop = 0;
    int nPictureWidth = 0;
    int nPictureHeight = 0;
    CRect rcTracker;
    CPictureRef picture;
    // Equal in everything the board shows or saves (the selection aside).
    bool SameBoard(const CBoardLook &o) const;
};

// A note kept as data while it is deleted: what its file record holds, and its place in the note list.
struct CPaperState {
    int nId = 0;
    CRect rect;
    bool bHidden = false;
    CString strCaption;
    COLORREF clrCaption = 0;
    CString strText;
    int nIndex = 0;
};

// A step whose action was already done when it was pushed: the push itself changes nothing.
class CBoardCommand : public QUndoCommand {
public:
    CBoardCommand(CZentDoc *pDoc, const QString &strText);
    void undo() final;
    void redo() final;

protected:
    // Towards the state after the action (redo) or before it (undo).
    virtual void Apply(bool bForward) = 0;
    CZentDoc *m_pDoc;

private:
    bool m_bPushed = false;
};

class CBoardLookCommand : public CBoardCommand {
public:
    CBoardLookCommand(CZentDoc *pDoc, const QString &strText, const CBoardLook &before, const CBoardLook &after);

protected:
    void Apply(bool bForward) override;

private:
    CBoardLook m_before;
    CBoardLook m_after;
};

// "New Note" (the note exists after the action) or "Delete Note" (it exists before).
class CNoteLifeCommand : public CBoardCommand {
public:
    CNoteLifeCommand(CZentDoc *pDoc, bool bMade, const CPaperState &state);

protected:
    void Apply(bool bForward) override;

private:
    bool m_bMade;
    CPaperState m_state;
};
