// The framework's image list: same-sized images with transparency masks, drawn in one step each.
#pragma once

#include "Gdi.h"

#include <vector>

struct HIMAGELIST__;
typedef HIMAGELIST__ *HIMAGELIST;

enum : UINT {
    ILC_MASK = 0x0001,
    ILC_COLOR = 0x0000,
    ILC_COLORDDB = 0x00FE,
    ILC_COLOR4 = 0x0004,
    ILC_COLOR8 = 0x0008,
    ILC_COLOR16 = 0x0010,
    ILC_COLOR24 = 0x0018,
    ILC_COLOR32 = 0x0020,
};
enum : UINT { ILD_NORMAL = 0x0000, ILD_TRANSPARENT = 0x0001, ILD_MASK = 0x0010 };
enum : COLORREF { CLR_NONE = 0xFFFFFFFF, CLR_DEFAULT = 0xFF000000 };

class CImageList final : public CObject {
    DECLARE_DYNAMIC(CImageList)
public:
    CImageList() = default;
    ~CImageList() override;
    CImageList(const CImageList &) = delete;
    CImageList &operator=(const CImageList &) = delete;

    // An empty list of cx x cy images; FALSE for a bad size or when the list exists already.
    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
    // Adds an icon (scaled to the list's size when it differs); its index, or -1 on failure.
    int Add(HICON hIcon);
    int GetImageCount() const;
    // Draws the image with its top-left corner at pt, through its mask unless the list has no mask.
    BOOL Draw(CDC *pDC, int nImage, POINT pt, UINT nStyle);
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    operator HIMAGELIST() const { return m_hImageList; }
    BOOL DeleteImageList();

    HIMAGELIST m_hImageList = nullptr;
};
