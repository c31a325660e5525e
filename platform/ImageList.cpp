// Image lists on premultiplied ARGB images, so that drawing an image is one drawImage through its mask.
#include "ImageList.h"
#include "GdiImpl.h"

#include <unordered_set>

struct HIMAGELIST__ {
    HIMAGELIST__()
    {
        live().insert(this);
        afx::countObject(AFX_OBJ_IMAGELIST, +1);
    }
    ~HIMAGELIST__()
    {
        live().erase(this);
        afx::countObject(AFX_OBJ_IMAGELIST, -1);
    }
    HIMAGELIST__(const HIMAGELIST__ &) = delete;
    HIMAGELIST__ &operator=(const HIMAGELIST__ &) = delete;

    static std::unordered_set<const void *> &live()
    {
        // Never destroyed: objects ending during static destruction still reach it.
        static auto *set = new std::unordered_set<const void *>;
        return *set;
    }
    static HIMAGELIST__ *from(HIMAGELIST h) { return h && live().count(h) ? h : nullptr; }

    QSize size;
    UINT flags = 0;
    std::vector<QImage> images; // premultiplied ARGB, transparent outside the masks
    std::vector<QImage> hires;  // the same at twice the size, or null: drawn on surfaces of higher density
};

namespace {
// Without a mask an image is opaque: the transparent parts are black.
QImage flattened(const QImage &img)
{
    QImage flat(img.size(), QImage::Format_ARGB32_Premultiplied);
    flat.fill(Qt::black);
    QPainter p(&flat);
    p.drawImage(0, 0, img);
    p.end();
    return flat;
}
} // namespace

IMPLEMENT_DYNAMIC(CImageList, CObject)

CImageList::~CImageList()
{
    DeleteImageList();
}

BOOL CImageList::Create(int cx, int cy, UINT nFlags, int nInitial, int)
{
    if (m_hImageList || cx <= 0 || cy <= 0)
        return FALSE;
    m_hImageList = new HIMAGELIST__;
    m_hImageList->size = QSize(cx, cy);
    m_hImageList->flags = nFlags;
    m_hImageList->images.reserve(size_t(std::max(0, nInitial)));
    return TRUE;
}

int CImageList::Add(HICON hIcon)
{
    HIMAGELIST__ *list = HIMAGELIST__::from(m_hImageList);
    const QImage icon = AfxIconImage(hIcon);
    if (!list || icon.isNull())
        return -1;
    QImage img = afx::scaleNearest(icon, list->size.width(), list->size.height())
                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const HICON__ *source = afx::iconFromHandle(hIcon);
    QImage big;
    if (source && !source->hires.isNull()) {
        const QSize twice = list->size * 2;
        big = (source->hires.size() == twice
                   ? source->hires
                   : source->hires.scaled(twice, Qt::IgnoreAspectRatio, Qt::SmoothTransformation))
                  .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    if (!(list->flags & ILC_MASK)) {
        img = flattened(img);
        if (!big.isNull())
            big = flattened(big);
    }
    list->images.push_back(img);
    list->hires.push_back(big);
    return int(list->images.size()) - 1;
}

int CImageList::GetImageCount() const
{
    const HIMAGELIST__ *list = HIMAGELIST__::from(m_hImageList);
    return list ? int(list->images.size()) : 0;
}

BOOL CImageList::Draw(CDC *pDC, int nImage, POINT pt, UINT nStyle)
{
    const HIMAGELIST__ *list = HIMAGELIST__::from(m_hImageList);
    if (!list || !pDC || nImage < 0 || nImage >= int(list->images.size()))
        return FALSE;
    QPainter *p = AfxGetPainter(pDC->m_hDC);
    if (!p)
        return afx::dcFromHandle(pDC->m_hDC) != nullptr;
    // No surface reaches this far; the image's far corner could not even be computed.
    constexpr int kFar = 1 << 30;
    if (pt.x < -kFar || pt.x > kFar || pt.y < -kFar || pt.y > kFar)
        return TRUE;
    const QRect box(QPoint(pt.x, pt.y), list->size);
    if (nStyle & ILD_MASK) {
        // The mask alone: black where the image is, white around it.
        QImage mask(list->size, QImage::Format_RGB32);
        const QImage &img = list->images[size_t(nImage)];
        for (int y = 0; y < mask.height(); ++y) {
            const auto *s = reinterpret_cast<const QRgb *>(img.constScanLine(y));
            auto *d = reinterpret_cast<QRgb *>(mask.scanLine(y));
            for (int x = 0; x < mask.width(); ++x)
                d[x] = qAlpha(s[x]) ? 0xFF000000u : 0xFFFFFFFFu;
        }
        p->setCompositionMode(QPainter::CompositionMode_Source);
        p->drawImage(box.topLeft(), mask);
        return TRUE;
    }
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    const qreal ratio = afx::painterRatio(p);
    if (ratio == 1.0)
        p->drawImage(box.topLeft(), list->images[size_t(nImage)]);
    else
        p->drawImage(box.topLeft(), afx::imageForDensity(list->images[size_t(nImage)], list->hires[size_t(nImage)],
                                                         box.width(), box.height(), ratio));
    return TRUE;
}

BOOL CImageList::DeleteImageList()
{
    HIMAGELIST__ *list = HIMAGELIST__::from(m_hImageList);
    m_hImageList = nullptr;
    if (!list)
        return FALSE;
    delete list;
    return TRUE;
}
