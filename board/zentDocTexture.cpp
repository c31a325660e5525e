#include "zentDoc.h"

#include "notes/SelectTextureDialog.h"
#include "view/Texture.h"

void CZentDoc::OpenTextureDialog()
{
    auto *pDialog = new CSelectTextureDialog(this);
    // A dialog that failed to be made has no window, whatever happened on the way: it is still ours to delete.
    if (!pDialog->Create())
        delete pDialog;
}

BOOL CZentDoc::LoadTexture(UINT nResourceID)
{
    // Only let go of the pair held before: it may still show in a texture dialog's preview.
    const BOOL bLoaded = LoadTextureResource(nResourceID, m_texture, m_nTextureWidth, m_nTextureHeight);
    m_hTexture = m_texture.GetBitmap();
    m_hTexturePalette = m_texture.GetPalette();
    return bLoaded;
}

void CZentDoc::SetTexture(const CTexturePair &texture)
{
    m_texture = texture;
    m_hTexture = m_texture.GetBitmap();
    m_hTexturePalette = m_texture.GetPalette();
}

void CZentDoc::RetireTexture()
{
    SetTexture(CTexturePair());
}
