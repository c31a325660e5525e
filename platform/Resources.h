// The executable's built-in bitmaps and icons, looked up as the window system looks up resources. They live in
// the Qt resources as ":/resources/bitmap/<id>" (a .bmp file) and ":/resources/icon/<id>" (a .ico file).
#pragma once

#include "Gdi.h"

struct HRSRC__;
typedef HRSRC__ *HRSRC;

// Integer resource names and types.
// Integer resource names are 16 bits wide, as on the desktop.
inline LPTSTR MAKEINTRESOURCE(std::uintptr_t id)
{
    return reinterpret_cast<LPTSTR>(id & 0xFFFF);
}
inline bool IS_INTRESOURCE(LPCTSTR name)
{
    return (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0;
}
#define RT_BITMAP MAKEINTRESOURCE(2)
#define RT_ICON MAKEINTRESOURCE(3)

// The module handle of the program (a dummy, never NULL).
HINSTANCE AfxGetInstanceHandle();

// NULL when the program has no such resource. Names and types are integers (MAKEINTRESOURCE) or strings.
HRSRC FindResource(HINSTANCE hModule, LPCTSTR lpName, LPCTSTR lpType);
HRSRC FindResource(HINSTANCE hModule, int nID, LPCTSTR lpType);
HGLOBAL LoadResource(HINSTANCE hModule, HRSRC hResInfo);
// The resource's bytes, valid for the life of the process. For RT_BITMAP: the packed bitmap (BITMAPINFOHEADER,
// colour table, bits: the file without its 14-byte file header), 4-byte aligned. For RT_ICON: the .ico file.
void *LockResource(HGLOBAL hResData);
DWORD SizeofResource(HINSTANCE hModule, HRSRC hResInfo);
// Resources stay loaded; nothing to free.
inline BOOL FreeResource(HGLOBAL)
{
    return FALSE;
}

// An icon resource: the entry of the requested size (the nearest one scaled when there is none). NULL when missing.
HICON AfxLoadIconResource(UINT nID, int cx = 32, int cy = 32);
// An icon from the bytes of a .ico file; NULL when they are not one.
HICON AfxIconFromIcoData(const QByteArray &ico, int cx = 32, int cy = 32);
