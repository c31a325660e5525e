#include "Picture.h"

CPicture::CPicture() = default;
CPicture::~CPicture() { Free(); }
BOOL CPicture::LoadFromFile(CString) { Free(); return FALSE; }
BOOL CPicture::LoadFromMemory(const BYTE *, int) { return FALSE; }
void CPicture::Free() { m_pPicture = nullptr; }
BOOL CPicture::Draw(CDC *pDC, int x, int y, int cx, int cy) { return m_pPicture ? Render(pDC, x, y, cx, cy) : FALSE; }
BOOL CPicture::Render(CDC *, int, int, int, int) { return FALSE; }
CSize CPicture::GetPixelSize(CDC *) const { return CSize(0, 0); }
