#include "WndDC.h"

#include "GdiImpl.h"
#include "WndImpl.h"

#include <QPaintEvent>
#include <QWidget>

namespace {

// Outside a paint event a window context draws into a scratch image, which is dropped: Qt paints widgets only
// from their paint events. The non-client surface of a frame is an image of its own and can be drawn at any time.
struct ScratchSurface {
    QImage image{1, 1, QImage::Format_RGB32};
};

HDC makeWindowDC(HWND hWnd, bool bWholeWindow)
{
    if (!IsWindow(hWnd))
        return nullptr;
    static ScratchSurface scratch;
    if (bWholeWindow && hWnd->hasNonClient) {
        if (hWnd->widget) {
            afx::followPixelRatio(hWnd);
            if (!IsWindow(hWnd))
                return nullptr;
            if (afx::ncSurfaceStale(hWnd))
                ::SendMessage(hWnd, WM_NCPAINT, 1, 0);
            if (!hWnd->ncSurface.isNull())
                return AfxCreateDeviceDC(&hWnd->ncSurface, QRegion(), -hWnd->ncRect.topLeft());
        }
        // No surface: nothing of the frame shows (no widgets yet, or no part in view), and it is painted again when
        // it shows. Its context clips everything, so painters can skip the work.
        HDC hDC = AfxCreateDeviceDC(&scratch.image, QRegion(), QPoint(0, 0));
        if (HDC__ *dc = afx::dcFromHandle(hDC)) {
            dc->hasSystemClip = true;
            dc->systemClip = QRegion();
        }
        return hDC;
    }
    // What is drawn here is dropped, so a window of any size gets a bounded one.
    const QSize size = (hWnd->client ? hWnd->client->size() : QSize(1, 1)).boundedTo(QSize(1024, 1024));
    if (scratch.image.size() != size && !size.isEmpty())
        scratch.image = QImage(size, QImage::Format_RGB32);
    return AfxCreateDeviceDC(&scratch.image, QRegion(), QPoint(0, 0));
}

int releaseWindowDC(HWND hWnd, HDC hDC)
{
    if (!hDC)
        return 0;
    AfxDeleteDeviceDC(hDC);
    // What was drawn on a frame's surface shows at the widget's next paint.
    if (IsWindow(hWnd) && hWnd->widget)
        hWnd->widget->update();
    return 1;
}

struct ProviderInstaller {
    ProviderInstaller() { AfxSetWindowDCProvider(&makeWindowDC, &releaseWindowDC); }
};

void ensureProvider()
{
    static ProviderInstaller installer;
}

} // namespace

HDC BeginPaint(HWND hWnd, PAINTSTRUCT *lpPaint)
{
    *lpPaint = PAINTSTRUCT{nullptr, FALSE, RECT{0, 0, 0, 0}};
    if (!IsWindow(hWnd) || !hWnd->client)
        return nullptr;
    QRegion region;
    HDC hDC = nullptr;
    if (hWnd->paintEvent) {
        region = hWnd->paintEvent->region();
        hDC = AfxCreateDeviceDC(hWnd->client, region, QPoint(0, 0));
    } else {
        // WM_PAINT sent outside the paint cycle: have the widget repaint instead.
        hWnd->client->update();
        static QImage scratch(1, 1, QImage::Format_RGB32);
        hDC = AfxCreateDeviceDC(&scratch, QRegion(0, 0, 1, 1), QPoint(0, 0));
    }
    lpPaint->hdc = hDC;
    lpPaint->rcPaint = CRect(region.boundingRect());
    lpPaint->fErase = hWnd->eraseNeeded;
    hWnd->eraseNeeded = false;
    hWnd->invalid = QRegion();
    if (hDC)
        ::SendMessage(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(CDC::FromHandle(hDC)), 0);
    return hDC;
}

BOOL EndPaint(HWND, const PAINTSTRUCT *lpPaint)
{
    if (lpPaint && lpPaint->hdc)
        AfxDeleteDeviceDC(lpPaint->hdc);
    return TRUE;
}

void AfxInstallWindowDCProvider()
{
    ensureProvider();
}

CPaintDC::CPaintDC(CWnd *pWnd) : m_hWnd(pWnd->m_hWnd)
{
    ensureProvider();
    Attach(BeginPaint(m_hWnd, &m_ps));
}

CPaintDC::~CPaintDC()
{
    Detach();
    EndPaint(m_hWnd, &m_ps);
}

CClientDC::CClientDC(CWnd *pWnd) : m_hWnd(pWnd->m_hWnd)
{
    Attach(::GetDC(m_hWnd));
}

CClientDC::~CClientDC()
{
    ::ReleaseDC(m_hWnd, Detach());
}

CWindowDC::CWindowDC(CWnd *pWnd) : m_hWnd(pWnd->m_hWnd)
{
    Attach(::GetWindowDC(m_hWnd));
}

CWindowDC::~CWindowDC()
{
    ::ReleaseDC(m_hWnd, Detach());
}
