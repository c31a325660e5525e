// The "Select a texture for background" dialog: lists the built-in textures, previews the chosen one and hands it to
// the board. Modeless; each use of the command opens one more, and each deletes itself when it is closed.
#pragma once

#include "platform/Controls.h"
#include "platform/Dialog.h"
#include "platform/Gdi.h"
#include "view/Texture.h"

class CZentDoc;

class CSelectTextureDialog final : public CDialog {
public:
    explicit CSelectTextureDialog(CZentDoc *pDoc);
    ~CSelectTextureDialog() override;

    // Creates the dialog (visible at once) owned by the main window. TRUE: the dialog deletes itself when its window
    // ends. FALSE: it has no window (none was made, or it ended on the way) and the caller deletes it.
    BOOL Create();

    // Loads bitmap resource nResourceID for the preview; FALSE, with no texture held, when there is no such bitmap.
    // The pair shown before goes only if the document does not show it too.
    BOOL LoadTexture(UINT nResourceID);
    // Hands the loaded texture (or none) to the document, which repaints the board with it.
    void ApplyTexture();

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
    // Only the Create above makes the window: it alone knows what a failure leaves.
    using CDialog::Create;
    // Holds m_hTexture and m_hTexturePalette alive while the preview shows them; shared with the document once
    // applied.
    CTexturePair m_texture;
    // Inside Create: a window that ends now leaves the object to Create's caller.
    bool m_bCreating;
    bool m_bWindowEnded;
};
