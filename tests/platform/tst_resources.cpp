// Built-in bitmaps and icons through the resource functions.
#include "support/TestMain.h"

#include "platform/Gdi.h"
#include "platform/Memory.h"
#include "platform/Resources.h"
#include "platform/SysParams.h"

class TestResources : public zbtest::TestCase {
    Q_OBJECT

protected:
    void cleanupTest() override { QCOMPARE(AfxGdiLiveObjects(0), 0); }

private Q_SLOTS:
    void missingResourcesAreNull()
    {
        QVERIFY(AfxGetInstanceHandle() != nullptr);
        QCOMPARE(FindResource(AfxGetInstanceHandle(), MAKEINTRESOURCE(0), RT_BITMAP), HRSRC(nullptr));
        QCOMPARE(FindResource(AfxGetInstanceHandle(), 4242, RT_BITMAP), HRSRC(nullptr));
        QCOMPARE(FindResource(AfxGetInstanceHandle(), 131, MAKEINTRESOURCE(6)), HRSRC(nullptr));
        QCOMPARE(AfxLoadIconResource(4242), HICON(nullptr));
        QCOMPARE(LockResource(nullptr), static_cast<void *>(nullptr));
    }

    // The texture loader's way: packed bitmap, palette from its colour table, bitmap made on the screen context.
    void textureBitmapThroughTheResourceFunctions()
    {
        HRSRC res = FindResource(AfxGetInstanceHandle(), MAKEINTRESOURCE(131), RT_BITMAP);
        if (!res)
            QSKIP("texture art 131 is not built in");
        QCOMPARE(FindResource(AfxGetInstanceHandle(), 131, RT_BITMAP), res);
        HGLOBAL data = LoadResource(AfxGetInstanceHandle(), res);
        auto *header = static_cast<BITMAPINFOHEADER *>(LockResource(data));
        QVERIFY(header);
        QCOMPARE(reinterpret_cast<std::uintptr_t>(header) % 4, std::uintptr_t(0));
        QCOMPARE(header->biSize, DWORD(40));
        QCOMPARE(header->biBitCount, WORD(8));
        QCOMPARE(header->biWidth, LONG(96));
        QCOMPARE(header->biHeight, LONG(96));
        const int n = (header->biClrUsed & 0xFFFF) ? int(header->biClrUsed & 0xFFFF) : 256;
        QCOMPARE(SizeofResource(AfxGetInstanceHandle(), res), DWORD(40 + 4 * n + 96 * 96));

        auto *logPal = static_cast<LOGPALETTE *>(LocalAlloc(LMEM_FIXED, 8 + 4 * SIZE_T(n)));
        logPal->palVersion = 0x300;
        logPal->palNumEntries = WORD(n);
        const auto *table = reinterpret_cast<const RGBQUAD *>(reinterpret_cast<const BYTE *>(header) + header->biSize);
        auto *entries = reinterpret_cast<PALETTEENTRY *>(reinterpret_cast<BYTE *>(logPal) + 4);
        for (int i = 0; i < n; ++i)
            entries[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
        HPALETTE hPal = CreatePalette(logPal);
        LocalFree(logPal);
        QVERIFY(hPal);

        HDC screen = GetDC(nullptr);
        HPALETTE old = SelectPalette(screen, hPal, FALSE);
        QCOMPARE(RealizePalette(screen), UINT(n));
        const auto *bits = reinterpret_cast<const BYTE *>(header) + 40 + 4 * n;
        HBITMAP hBitmap =
            CreateDIBitmap(screen, header, CBM_INIT, bits, reinterpret_cast<BITMAPINFO *>(header), DIB_RGB_COLORS);
        SelectPalette(screen, old, FALSE);
        ReleaseDC(nullptr, screen);
        QVERIFY(hBitmap);
        const QImage *img = AfxGetBitmapImage(hBitmap);
        QCOMPARE(img->size(), QSize(96, 96));
        // Rows are stored bottom-up: the first byte of the bits is the bottom-left pixel, the last row's first byte
        // (rows of 96 bytes need no padding) the top-left one.
        const RGBQUAD &first = table[bits[0]];
        QCOMPARE(QColor(img->pixel(0, 95)), QColor(first.rgbRed, first.rgbGreen, first.rgbBlue));
        const RGBQUAD &top = table[bits[95 * 96]];
        QCOMPARE(QColor(img->pixel(0, 0)), QColor(top.rgbRed, top.rgbGreen, top.rgbBlue));
        DeleteObject(hBitmap);
        DeleteObject(hPal);
    }

    void boardIconsHaveTransparentParts()
    {
        for (UINT id : {141u, 142u}) {
            HICON hIcon = AfxLoadIconResource(id, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
            if (!hIcon)
                QSKIP("board icon art is not built in");
            QCOMPARE(AfxIconSize(hIcon), QSize(32, 32));
            const QImage img = AfxIconImage(hIcon);
            int transparent = 0, opaque = 0;
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x)
                    (img.pixelColor(x, y).alpha() == 0 ? transparent : opaque)++;
            QVERIFY(transparent > 0);
            QVERIFY(opaque > 0);
            HICON hSmall = AfxLoadIconResource(id, 16, 16);
            QCOMPARE(AfxIconSize(hSmall), QSize(16, 16));
            DestroyIcon(hSmall);
            DestroyIcon(hIcon);
        }
    }
};

ZB_TEST_MAIN(TestResources)
#include "tst_resources.moc"
