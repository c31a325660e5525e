// Undo steps of one note: moved or sized, put into storage or taken out, caption changed.
#pragma once

#include "board/BoardCommands.h"

class CNoteRectCommand : public CBoardCommand {
public:
    // nDrag: the mouse move or size the change belongs to (0 for none); one drag makes one step.
    CNoteRectCommand(CZentDoc *pDoc, int nId, const CRect &before, const CRect &after, int nDrag, bool bFollowUp);
    int id() const override { return 1; }
    bool mergeWith(const QUndoCommand *pOther) override;

protected:
    void Apply(bool bForward) override;

private:
    void UpdateText();
    int m_nId;
    CRect m_before;
    CRect m_after;
    int m_nDrag;
    bool m_bFollowUp;
};

class CNoteStorageCommand : public CBoardCommand {
public:
    CNoteStorageCommand(CZentDoc *pDoc, int nId, bool bHidden);

protected:
    void Apply(bool bForward) override;

private:
    int m_nId;
    bool m_bHidden;
};

class CNoteCaptionCommand : public CBoardCommand {
public:
    CNoteCaptionCommand(CZentDoc *pDoc, int nId, const CString &strBefore, COLORREF clrBefore, const CString &strAfter,
                        COLORREF clrAfter);

protected:
    void Apply(bool bForward) override;

private:
    int m_nId;
    CString m_strBefore;
    COLORREF m_clrBefore;
    CString m_strAfter;
    COLORREF m_clrAfter;
};
