#include "SelectTextureDialog.h"

#include "board/BoardCommands.h"
#include "board/zentDoc.h"
#include "platform/WndDC.h"
#include "res/resource.h"
#include "view/Texture.h"

namespace {

struct TextureRow {
    const char *pszName;
    UINT nResourceID;
};

// The list is not sorted: this is also the order on screen.
const TextureRow kTextures[] = {
    {"<none>", 0},
    {"Rock White", IDB_ROCK_WHITE},
    {"Rock Yellow", IDB_ROCK_YELLOW},
    {"Pattern Green", IDB_PATTERN_GREEN},
    {"Brick Cranite", IDB_BRICK_CRANITE},
    {"Money", IDB_MONEY},
};

} // namespace

BEGIN_MESSAGE_MAP(CSelectTextureDialog, CDialog)
ON_LBN_SELCHANGE(IDC_TEXTURE_LIST, OnSelchangeTextureList)
ON_WM_PAINT()
ON_BN_CLICKED(IDC_TEXTURE_APPLY, ApplyTexture)
END_MESSAGE_MAP()

CSelectTextureDialog::CSelectTextureDialog(CZentDoc *pDoc)
    : m_nTextureID(0), m_pDoc(pDoc), m_nTextureHeight(0), m_nTextureWidth(0), m_hTexture(nullptr),
      m_hTexturePalette(nullptr), m_bCreating(false), m_bWindowEnded(false)
{
}

// The preview's pair goes with m_texture, unless the document shows it too.
CSelectTextureDialog::~CSelectTextureDialog() = default;

BOOL CSelectTextureDialog::Create()
{
    m_bCreating = true;
    const BOOL bCreated = CDialog::Create(IDD_SELECT_TEXTURE, nullptr) && !m_bWindowEnded && GetSafeHwnd();
    // A failure leaves no window behind, so the caller's delete is the only one.
    if (!bCreated && GetSafeHwnd())
        DestroyWindow();
    m_bCreating = false;
    return bCreated;
}

void CSelectTextureDialog::DoDataExchange(CDataExchange *pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_TEXTURE_LIST, m_list);
    DDX_Control(pDX, IDC_TEXTURE_PREVIEW, m_preview);
}

BOOL CSelectTextureDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    for (const TextureRow &row : kTextures) {
        const int nIndex = m_list.AddString(QString::fromLatin1(row.pszName));
        m_list.SetItemData(nIndex, row.nResourceID);
    }
    CenterWindow();
    // The focus goes to OK, the first tab stop: the list has none.
    return TRUE;
}

void CSelectTextureDialog::OnSelchangeTextureList()
{
    const int nIndex = m_list.GetCurSel();
    if (nIndex < 0)
        return;
    m_nTextureID = UINT(m_list.GetItemData(nIndex));
    LoadTexture(m_nTextureID);
    Invalidate(TRUE);
}

BOOL CSelectTextureDialog::LoadTexture(UINT nResourceID)
{
    LockWindowUpdate();
    // The pair shown before stays while the document shows it too.
    const BOOL bLoaded = LoadTextureResource(nResourceID, m_texture, m_nTextureWidth, m_nTextureHeight);
    m_hTexture = m_texture.GetBitmap();
    m_hTexturePalette = m_texture.GetPalette();
    UnlockWindowUpdate();
    return bLoaded;
}

void CSelectTextureDialog::OnPaint()
{
    CPaintDC dc(this);
    CRect rcClient;
    m_preview.GetClientRect(&rcClient);
    // The static only marks the place; its top-left in the dialog's client coordinates is the preview origin.
    CPoint ptOrigin(0, 0);
    m_preview.ClientToScreen(&ptOrigin);
    ScreenToClient(&ptOrigin);
    const CRect rcPreview(ptOrigin.x, ptOrigin.y, ptOrigin.x + rcClient.Width(), ptOrigin.y + rcClient.Height());
    if (!m_hTexture)
        return;
    PaintTexture(&dc, rcPreview, m_hTexture, m_hTexturePalette, m_nTextureWidth, m_nTextureHeight);
}

void CSelectTextureDialog::ApplyTexture()
{
    CZentDoc *pDoc = m_pDoc;
    const CBoardLook before = pDoc->CaptureLook();
    // Board and preview now share the pair; the board's previous one goes unless another dialog shows it.
    pDoc->SetTexture(m_texture);
    pDoc->m_nTextureWidth = m_nTextureWidth;
    pDoc->m_nTextureHeight = m_nTextureHeight;
    pDoc->m_bTexture = true;
    pDoc->m_nTextureID = int(m_nTextureID);
    pDoc->SetModifiedFlag(TRUE);
    pDoc->RecordLookChange(QStringLiteral("Apply Texture"), before);
    pDoc->UpdateAllViews(nullptr, 0, nullptr);
}

void CSelectTextureDialog::OnOK()
{
    ApplyTexture();
    DestroyWindow();
}

void CSelectTextureDialog::OnCancel()
{
    DestroyWindow();
}

void CSelectTextureDialog::PostNcDestroy()
{
    if (m_bCreating) {
        m_bWindowEnded = true;
        return;
    }
    delete this;
}
