// The "Select a texture for background" dialog: lists the built-in textures, previews the chosen one and hands it to
// the board. Modeless; each use of the command opens one more, and each deletes itself when it is closed.
#pragma once

#include "platform/Controls.h"
#include "platform/Dialog.h"
#include "platform/Gdi.h"

class CZentDoc;

class CSelectTextureDialog final : public CDialog {
public:
    explicit CSelectTextureDialog(CZentDoc *pDoc);
    ~CSelectTextureDialog() override;

    using CDialog::Create;
    // Creates the dialog (visible at once) owned by the main window; FALSE when it could not be made.
    BOOL Create();

    // Loads bitmap resource nResourceID for the preview; FALSE, with no texture held, when there is no such bitmap.
    // A pair already handed to the document is only forgotten, never deleted.
    BOOL LoadTexture(UINT nResourceID);
    // Hands the loaded texture (or none) to the document, which repaints the board with it.
    void ApplyTexture();

    // Releases a texture pair that the document lets go of: at once, or, while an open dialog still previews it, as
    // soon as the last such dialog stops showing it.
    static void ReleaseTexture(HBITMAP hTexture, HPALETTE hPalette);
    // pDialog still exists (it deletes itself when its window is gone).
    static BOOL IsAlive(const CSelectTextureDialog *pDialog);

    UINT m_nTextureID;
    CZentDoc *m_pDoc;
    CListBox m_list;
    CStatic m_preview;
    int m_nTextureHeight;
    int m_nTextureWidth;
    HBITMAP m_hTexture;
    HPALETTE m_hTexturePalette;

protected:
    void DoDataExchange(CDataExchange *pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override;
    afx_msg void OnSelchangeTextureList();
    afx_msg void OnPaint();
    DECLARE_MESSAGE_MAP()

private:
    // The dialog loaded m_hTexture and m_hTexturePalette and has not handed them over yet.
    bool m_bOwnsTexture;
};
