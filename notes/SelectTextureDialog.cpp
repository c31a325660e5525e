#include "SelectTextureDialog.h"

#include "board/BoardCommands.h"
#include "board/zentDoc.h"
#include "platform/WndDC.h"
#include "res/resource.h"
#include "view/Texture.h"

#include <algorithm>
#include <utility>
#include <vector>

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

// Texture dialogs that have not deleted themselves yet.
std::vector<const CSelectTextureDialog *> &liveDialogs()
{
    static std::vector<const CSelectTextureDialog *> dialogs;
    return dialogs;
}

// Pairs the document let go of while a dialog still previewed them.
std::vector<std::pair<HBITMAP, HPALETTE>> &waitingTextures()
{
    static std::vector<std::pair<HBITMAP, HPALETTE>> pairs;
    return pairs;
}

bool isShown(HBITMAP hTexture, HPALETTE hPalette)
{
    for (const CSelectTextureDialog *pDialog : liveDialogs())
        if ((hTexture && pDialog->m_hTexture == hTexture) || (hPalette && pDialog->m_hTexturePalette == hPalette))
            return true;
    return false;
}

void deletePair(HBITMAP hTexture, HPALETTE hPalette)
{
    if (hTexture)
        DeleteObject(hTexture);
    if (hPalette)
        DeleteObject(hPalette);
}

// Releases the waiting pairs that no dialog shows any more.
void releaseUnshownTextures()
{
    auto &pairs = waitingTextures();
    for (auto it = pairs.begin(); it != pairs.end();) {
        if (isShown(it->first, it->second)) {
            ++it;
            continue;
        }
        deletePair(it->first, it->second);
        it = pairs.erase(it);
    }
}

// The document holds the pair again: it no longer waits to be released.
void stopWaiting(HBITMAP hTexture, HPALETTE hPalette)
{
    auto &pairs = waitingTextures();
    pairs.erase(std::remove_if(pairs.begin(), pairs.end(),
                               [=](const std::pair<HBITMAP, HPALETTE> &pair) {
                                   return (hTexture && pair.first == hTexture) || (hPalette && pair.second == hPalette);
                               }),
                pairs.end());
}

} // namespace

BEGIN_MESSAGE_MAP(CSelectTextureDialog, CDialog)
ON_LBN_SELCHANGE(IDC_TEXTURE_LIST, OnSelchangeTextureList)
ON_WM_PAINT()
ON_BN_CLICKED(IDC_TEXTURE_APPLY, ApplyTexture)
END_MESSAGE_MAP()

CSelectTextureDialog::CSelectTextureDialog(CZentDoc *pDoc)
    : m_nTextureID(0), m_pDoc(pDoc), m_nTextureHeight(0), m_nTextureWidth(0), m_hTexture(nullptr),
      m_hTexturePalette(nullptr), m_bOwnsTexture(false)
{
    liveDialogs().push_back(this);
}

CSelectTextureDialog::~CSelectTextureDialog()
{
    if (m_bOwnsTexture)
        deletePair(m_hTexture, m_hTexturePalette);
    m_hTexture = nullptr;
    m_hTexturePalette = nullptr;
    auto &dialogs = liveDialogs();
    dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), this), dialogs.end());
    releaseUnshownTextures();
}

BOOL CSelectTextureDialog::Create()
{
    return CDialog::Create(IDD_SELECT_TEXTURE, nullptr);
}

void CSelectTextureDialog::ReleaseTexture(HBITMAP hTexture, HPALETTE hPalette)
{
    if (!hTexture && !hPalette)
        return;
    if (!isShown(hTexture, hPalette)) {
        deletePair(hTexture, hPalette);
        return;
    }
    for (const auto &pair : waitingTextures())
        if (pair.first == hTexture && pair.second == hPalette)
            return;
    waitingTextures().emplace_back(hTexture, hPalette);
}

BOOL CSelectTextureDialog::IsAlive(const CSelectTextureDialog *pDialog)
{
    const auto &dialogs = liveDialogs();
    return std::find(dialogs.begin(), dialogs.end(), pDialog) != dialogs.end();
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
    // A pair handed over to the document is the document's: forget it, do not delete it.
    const bool bDeletePrevious = m_bOwnsTexture;
    const BOOL bLoaded = LoadTextureResource(nResourceID, m_hTexture, m_hTexturePalette, m_nTextureWidth,
                                             m_nTextureHeight, bDeletePrevious);
    m_bOwnsTexture = m_hTexture || m_hTexturePalette;
    // The pair this preview showed before may have been waiting for it alone.
    releaseUnshownTextures();
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
    // The document lets its previous pair go, unless this is the same pair handed over again.
    if (pDoc->m_hTexture != m_hTexture || pDoc->m_hTexturePalette != m_hTexturePalette) {
        HBITMAP hPrevious = pDoc->m_hTexture;
        HPALETTE hPreviousPalette = pDoc->m_hTexturePalette;
        pDoc->m_hTexture = nullptr;
        pDoc->m_hTexturePalette = nullptr;
        ReleaseTexture(hPrevious, hPreviousPalette);
    }
    stopWaiting(m_hTexture, m_hTexturePalette);
    pDoc->m_hTexture = m_hTexture;
    pDoc->m_hTexturePalette = m_hTexturePalette;
    pDoc->m_nTextureWidth = m_nTextureWidth;
    pDoc->m_nTextureHeight = m_nTextureHeight;
    pDoc->m_bTexture = true;
    pDoc->m_nTextureID = int(m_nTextureID);
    // From here the pair is the document's; the preview keeps showing it.
    m_bOwnsTexture = false;
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
    delete this;
}
