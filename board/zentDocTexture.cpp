#include "zentDoc.h"

#include "notes/SelectTextureDialog.h"
#include "view/Texture.h"

void CZentDoc::OpenTextureDialog()
{
    auto *pDialog = new CSelectTextureDialog(this);
    // A dialog whose window was made deletes itself when the window ends; one that never had a window does not.
    if (!pDialog->Create() && CSelectTextureDialog::IsAlive(pDialog) && !pDialog->GetSafeHwnd())
        delete pDialog;
}

BOOL CZentDoc::LoadTexture(UINT nResourceID)
{
    // The pair held before may still show in a texture dialog's preview: let it go rather than delete it.
    RetireTexture();
    return LoadTextureResource(nResourceID, m_hTexture, m_hTexturePalette, m_nTextureWidth, m_nTextureHeight, false);
}

void CZentDoc::RetireTexture()
{
    CSelectTextureDialog::ReleaseTexture(m_hTexture, m_hTexturePalette);
    m_hTexture = nullptr;
    m_hTexturePalette = nullptr;
}
