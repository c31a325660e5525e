// Global and local memory blocks.
#include "support/TestMain.h"

#include "platform/Memory.h"

#include <cstring>

class TestMemory : public zbtest::TestCase {
    Q_OBJECT

protected:
    void cleanupTest() override { QCOMPARE(AfxLiveMemoryBlocks(), 0); }

private Q_SLOTS:
    void movableBlocksLockAndKeepTheirHandle()
    {
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 100);
        QVERIFY(h);
        QCOMPARE(GlobalSize(h), SIZE_T(100));
        auto *p = static_cast<unsigned char *>(GlobalLock(h));
        QVERIFY(p);
        QCOMPARE(int(p[0]) + int(p[99]), 0);
        std::memcpy(p, "zentbase", 8);
        QVERIFY(!GlobalUnlock(h)); // unlocked now
        QVERIFY(!GlobalUnlock(h)); // was not locked

        QCOMPARE(GlobalReAlloc(h, 1000, GMEM_ZEROINIT), h);
        QCOMPARE(GlobalSize(h), SIZE_T(1000));
        p = static_cast<unsigned char *>(GlobalLock(h));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(p), 8), QByteArray("zentbase"));
        QCOMPARE(int(p[999]), 0);
        QVERIFY(GlobalLock(h) == p);
        QVERIFY(GlobalUnlock(h)); // still locked once
        QVERIFY(!GlobalUnlock(h));
        QCOMPARE(GlobalFree(h), HGLOBAL(nullptr));
        QCOMPARE(GlobalFree(h), h); // unknown now
        QCOMPARE(GlobalLock(h), static_cast<void *>(nullptr));
        QCOMPARE(GlobalSize(h), SIZE_T(0));
    }

    void fixedBlocksAreTheirAddress()
    {
        HLOCAL h = LocalAlloc(LMEM_FIXED, 8 + 4 * 256);
        QVERIFY(h);
        std::memset(h, 0xAB, 8 + 4 * 256);
        QCOMPARE(LocalFree(h), HLOCAL(nullptr));
        HGLOBAL g = GlobalAlloc(GPTR, 0);
        QVERIFY(g);
        QCOMPARE(GlobalLock(g), g);
        GlobalUnlock(g);
        GlobalFree(g);
    }

    void hugeRequestsFailWithoutAborting()
    {
        QCOMPARE(GlobalAlloc(GMEM_MOVEABLE, SIZE_T(-1)), HGLOBAL(nullptr));
        QCOMPARE(GlobalAlloc(GMEM_FIXED, SIZE_T(1) << 40), HGLOBAL(nullptr));
        QCOMPARE(LocalAlloc(LMEM_FIXED, SIZE_T(-1) / 2), HLOCAL(nullptr));
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 16);
        QCOMPARE(GlobalReAlloc(h, SIZE_T(-1), 0), HGLOBAL(nullptr));
        QCOMPARE(GlobalSize(h), SIZE_T(16)); // unchanged after the failure
        GlobalFree(h);
        QCOMPARE(GlobalFree(nullptr), HGLOBAL(nullptr));
    }
};

ZB_TEST_MAIN(TestMemory)
#include "tst_memory.moc"
