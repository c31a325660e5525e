// System metrics, colours and parameters of a classic desktop.
#include "SysParams.h"

#include <QGuiApplication>
#include <QHash>
#include <QScreen>

#include <array>
#include <cstring>

namespace {

const QHash<int, int> &classicMetrics()
{
    // Never destroyed: metrics may be read during static destruction.
    static const auto *table = new QHash<int, int>{
        {SM_CXVSCROLL, 16},     {SM_CYHSCROLL, 16},    {SM_CYCAPTION, 19},   {SM_CXBORDER, 1},
        {SM_CYBORDER, 1},       {SM_CXDLGFRAME, 3},    {SM_CYDLGFRAME, 3},   {SM_CYVTHUMB, 16},
        {SM_CXHTHUMB, 16},      {SM_CXICON, 32},       {SM_CYICON, 32},      {SM_CXCURSOR, 32},
        {SM_CYCURSOR, 32},      {SM_CYMENU, 19},       {SM_CYVSCROLL, 16},   {SM_CXHSCROLL, 16},
        {SM_SWAPBUTTON, 0},     {SM_CXMIN, 112},       {SM_CYMIN, 27},       {SM_CXSIZE, 18},
        {SM_CYSIZE, 18},        {SM_CXFRAME, 4},       {SM_CYFRAME, 4},      {SM_CXMINTRACK, 112},
        {SM_CYMINTRACK, 27},    {SM_CXDOUBLECLK, 4},   {SM_CYDOUBLECLK, 4},  {SM_CXICONSPACING, 75},
        {SM_CYICONSPACING, 75}, {SM_CMOUSEBUTTONS, 3}, {SM_CXEDGE, 2},       {SM_CYEDGE, 2},
        {SM_CXSMICON, 16},      {SM_CYSMICON, 16},     {SM_CYSMCAPTION, 15}, {SM_CXSMSIZE, 15},
        {SM_CYSMSIZE, 15},      {SM_CXMENUSIZE, 18},   {SM_CYMENUSIZE, 18},  {SM_CXMINIMIZED, 160},
        {SM_CYMINIMIZED, 24},   {SM_CXDRAG, 4},        {SM_CYDRAG, 4},       {SM_CXMENUCHECK, 13},
        {SM_CYMENUCHECK, 13},
    };
    return *table;
}

QHash<int, int> &metricOverrides()
{
    // Never destroyed: objects ending during static destruction still reach it.
    static auto *overrides = new QHash<int, int>;
    return *overrides;
}

using ColorTable = std::array<COLORREF, AFX_MAX_SYSCOLOR + 1>;

ColorTable classicColors()
{
    ColorTable c{};
    c[COLOR_SCROLLBAR] = RGB(212, 208, 200);
    c[COLOR_BACKGROUND] = RGB(58, 110, 165);
    c[COLOR_ACTIVECAPTION] = RGB(10, 36, 106);
    c[COLOR_INACTIVECAPTION] = RGB(128, 128, 128);
    c[COLOR_MENU] = RGB(212, 208, 200);
    c[COLOR_WINDOW] = RGB(255, 255, 255);
    c[COLOR_WINDOWFRAME] = RGB(0, 0, 0);
    c[COLOR_MENUTEXT] = RGB(0, 0, 0);
    c[COLOR_WINDOWTEXT] = RGB(0, 0, 0);
    c[COLOR_CAPTIONTEXT] = RGB(255, 255, 255);
    c[COLOR_ACTIVEBORDER] = RGB(212, 208, 200);
    c[COLOR_INACTIVEBORDER] = RGB(212, 208, 200);
    c[COLOR_APPWORKSPACE] = RGB(128, 128, 128);
    c[COLOR_HIGHLIGHT] = RGB(10, 36, 106);
    c[COLOR_HIGHLIGHTTEXT] = RGB(255, 255, 255);
    c[COLOR_BTNFACE] = RGB(212, 208, 200);
    c[COLOR_BTNSHADOW] = RGB(128, 128, 128);
    c[COLOR_GRAYTEXT] = RGB(128, 128, 128);
    c[COLOR_BTNTEXT] = RGB(0, 0, 0);
    c[COLOR_INACTIVECAPTIONTEXT] = RGB(212, 208, 200);
    c[COLOR_BTNHIGHLIGHT] = RGB(255, 255, 255);
    c[COLOR_3DDKSHADOW] = RGB(64, 64, 64);
    c[COLOR_3DLIGHT] = RGB(212, 208, 200);
    c[COLOR_INFOTEXT] = RGB(0, 0, 0);
    c[COLOR_INFOBK] = RGB(255, 255, 225);
    c[COLOR_HOTLIGHT] = RGB(0, 0, 128);
    c[COLOR_GRADIENTACTIVECAPTION] = RGB(166, 202, 240);
    c[COLOR_GRADIENTINACTIVECAPTION] = RGB(192, 192, 192);
    c[COLOR_MENUHILIGHT] = RGB(10, 36, 106);
    c[COLOR_MENUBAR] = RGB(212, 208, 200);
    return c;
}

ColorTable &currentColors()
{
    static ColorTable colors = classicColors();
    return colors;
}

QRect primaryScreenGeometry(bool available)
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        if (const QScreen *s = QGuiApplication::primaryScreen())
            return available ? s->availableGeometry() : s->geometry();
    }
    return QRect(0, 0, 1024, 768);
}

LOGFONT systemFont(LONG weight)
{
    LOGFONT lf{};
    lf.lfHeight = -11; // 8 points at 96 pixels per inch
    lf.lfWeight = weight;
    lf.lfCharSet = ANSI_CHARSET;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    std::strncpy(lf.lfFaceName, "DejaVu Sans", LF_FACESIZE - 1);
    return lf;
}

} // namespace

int GetSystemMetrics(int nIndex)
{
    const auto over = metricOverrides().constFind(nIndex);
    if (over != metricOverrides().constEnd())
        return *over;
    switch (nIndex) {
    case SM_CXSCREEN:
        return primaryScreenGeometry(false).width();
    case SM_CYSCREEN:
        return primaryScreenGeometry(false).height();
    case SM_CXFULLSCREEN:
        return primaryScreenGeometry(true).width();
    case SM_CYFULLSCREEN:
        return primaryScreenGeometry(true).height() - GetSystemMetrics(SM_CYCAPTION);
    case SM_CXMAXIMIZED:
        return primaryScreenGeometry(true).width() + 2 * GetSystemMetrics(SM_CXFRAME);
    case SM_CYMAXIMIZED:
        return primaryScreenGeometry(true).height() + 2 * GetSystemMetrics(SM_CYFRAME);
    default:
        return classicMetrics().value(nIndex, 0);
    }
}

COLORREF GetSysColor(int nIndex)
{
    if (nIndex < 0 || nIndex > AFX_MAX_SYSCOLOR)
        return 0;
    return currentColors()[size_t(nIndex)];
}

void AfxSetSysColor(int nIndex, COLORREF color)
{
    if (nIndex >= 0 && nIndex <= AFX_MAX_SYSCOLOR)
        currentColors()[size_t(nIndex)] = color & 0x00FFFFFF;
}

void AfxResetSysColors()
{
    currentColors() = classicColors();
}

void AfxSetSystemMetric(int nIndex, int nValue)
{
    metricOverrides().insert(nIndex, nValue);
}
void AfxResetSystemMetrics()
{
    metricOverrides().clear();
}

BOOL SystemParametersInfo(UINT uiAction, UINT, void *pvParam, UINT)
{
    if (!pvParam)
        return FALSE;
    switch (uiAction) {
    case SPI_GETNONCLIENTMETRICS: {
        auto *ncm = static_cast<NONCLIENTMETRICS *>(pvParam);
        if (ncm->cbSize != sizeof(NONCLIENTMETRICS))
            return FALSE;
        ncm->iBorderWidth = GetSystemMetrics(SM_CXFRAME) - GetSystemMetrics(SM_CXDLGFRAME);
        ncm->iScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
        ncm->iScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
        ncm->iCaptionWidth = GetSystemMetrics(SM_CXSIZE);
        ncm->iCaptionHeight = GetSystemMetrics(SM_CYCAPTION) - 1;
        ncm->lfCaptionFont = systemFont(FW_BOLD);
        ncm->iSmCaptionWidth = GetSystemMetrics(SM_CXSMSIZE);
        ncm->iSmCaptionHeight = GetSystemMetrics(SM_CYSMCAPTION) - 1;
        ncm->lfSmCaptionFont = systemFont(FW_BOLD);
        ncm->iMenuWidth = GetSystemMetrics(SM_CXMENUSIZE);
        ncm->iMenuHeight = GetSystemMetrics(SM_CYMENUSIZE);
        ncm->lfMenuFont = systemFont(FW_NORMAL);
        ncm->lfStatusFont = systemFont(FW_NORMAL);
        ncm->lfMessageFont = systemFont(FW_NORMAL);
        return TRUE;
    }
    case SPI_GETWORKAREA:
        *static_cast<RECT *>(pvParam) = CRect(primaryScreenGeometry(true));
        return TRUE;
    case SPI_GETDRAGFULLWINDOWS:
        *static_cast<BOOL *>(pvParam) = TRUE;
        return TRUE;
    default:
        return FALSE;
    }
}
