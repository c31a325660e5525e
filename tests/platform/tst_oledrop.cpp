// The drop target layer: what a registered target is told, how its answers are matched with what the source
// allows, that refused drags stay refused, and how dragged data reads as CF_TEXT.
#include "support/TestMain.h"

#include "platform/CodePage.h"
#include "platform/Controls.h"
#include "platform/OleDrop.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>

#include <memory>

namespace {

const DWORD kEditStyle = WS_CHILD | WS_VISIBLE | ES_WANTRETURN | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_MULTILINE;

// A target that records its notifications and answers as told.
class RecordingTarget : public COleDropTarget {
public:
    QStringList calls;
    DWORD lastKeyState = 0;
    CPoint lastPoint;
    DROPEFFECT lastDropEffect = DROPEFFECT_NONE;
    DROPEFFECT lastDropList = DROPEFFECT_NONE;
    DROPEFFECT answer = DROPEFFECT_MOVE;
    BOOL dropResult = TRUE;
    DROPEFFECT dropExAnswer = DROPEFFECT(-1);
    DROPEFFECT scrollAnswer = DROPEFFECT_NONE;

    DROPEFFECT OnDragEnter(CWnd *, COleDataObject *pData, DWORD dwKeyState, CPoint point) override
    {
        return record(QStringLiteral("enter"), pData, dwKeyState, point);
    }
    DROPEFFECT OnDragOver(CWnd *, COleDataObject *pData, DWORD dwKeyState, CPoint point) override
    {
        return record(QStringLiteral("over"), pData, dwKeyState, point);
    }
    BOOL OnDrop(CWnd *, COleDataObject *, DROPEFFECT dropEffect, CPoint point) override
    {
        calls << QStringLiteral("drop");
        lastDropEffect = dropEffect;
        lastPoint = point;
        return dropResult;
    }
    DROPEFFECT OnDropEx(CWnd *, COleDataObject *, DROPEFFECT, DROPEFFECT dropList, CPoint) override
    {
        calls << QStringLiteral("dropex");
        lastDropList = dropList;
        return dropExAnswer;
    }
    void OnDragLeave(CWnd *) override { calls << QStringLiteral("leave"); }
    DROPEFFECT OnDragScroll(CWnd *, DWORD, CPoint) override
    {
        calls << QStringLiteral("scroll");
        return scrollAnswer;
    }

private:
    DROPEFFECT record(const QString &what, COleDataObject *pData, DWORD dwKeyState, CPoint point)
    {
        calls << what;
        lastKeyState = dwKeyState;
        lastPoint = point;
        return pData && pData->GetMimeData() ? answer : DROPEFFECT_NONE;
    }
};

// Counts the drags that reach a widget and takes every one.
class DragCatcher final : public QObject {
public:
    int nEnters = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::DragEnter) {
            ++nEnters;
            static_cast<QDragEnterEvent *>(e)->acceptProposedAction();
            return true;
        }
        return false;
    }
};

QByteArray cfText(const QMimeData &data)
{
    COleDataObject object(&data);
    HGLOBAL h = object.GetGlobalData(CF_TEXT);
    if (!h)
        return QByteArray("<none>");
    const auto *p = static_cast<const char *>(GlobalLock(h));
    // The whole block, its NUL included: nothing may follow the text.
    const QByteArray bytes(p, qsizetype(GlobalSize(h)));
    GlobalUnlock(h);
    GlobalFree(h);
    return bytes;
}

} // namespace

class TestOleDrop : public zbtest::TestCase {
    Q_OBJECT

    std::unique_ptr<CWnd> m_parent;
    std::unique_ptr<CEdit> m_edit;
    std::unique_ptr<RecordingTarget> m_target;
    QMimeData m_text;

protected:
    void initTest() override
    {
        m_parent = std::make_unique<CWnd>();
        QVERIFY(m_parent->CreateEx(0, QString::fromLatin1(AfxWndClassName), QStringLiteral("parent"),
                                   WS_POPUP | WS_VISIBLE, CRect(10, 10, 410, 310), nullptr, 0));
        m_edit = std::make_unique<CEdit>();
        QVERIFY(m_edit->Create(kEditStyle, CRect(0, 0, 200, 100), m_parent.get(), 0));
        m_target = std::make_unique<RecordingTarget>();
        QVERIFY(m_target->Register(m_edit.get()));
        m_text.setText(QStringLiteral("text"));
    }

    void cleanupTest() override
    {
        m_target.reset();
        m_edit.reset();
        m_parent.reset();
        AfxPumpPostedMessages();
    }

private Q_SLOTS:
    void answerIsMatchedWithTheAllowedEffects_data()
    {
        QTest::addColumn<uint>("answer");
        QTest::addColumn<uint>("allowed");
        QTest::addColumn<uint>("expected");
        const uint copy = DROPEFFECT_COPY, move = DROPEFFECT_MOVE, link = DROPEFFECT_LINK, none = DROPEFFECT_NONE;
        QTest::newRow("an allowed move goes through") << move << (copy | move) << move;
        QTest::newRow("an allowed copy goes through") << copy << (copy | move) << copy;
        QTest::newRow("copy becomes move when only move is allowed") << copy << move << move;
        QTest::newRow("move becomes copy when only copy is allowed") << move << copy << copy;
        QTest::newRow("copy becomes link when only link is allowed") << copy << link << link;
        QTest::newRow("move becomes link when only link is allowed") << move << link << link;
        QTest::newRow("a refused link gives nothing") << link << (copy | move) << none;
        QTest::newRow("no answer stays no effect") << none << (copy | move | link) << none;
        QTest::newRow("a source allowing nothing gets nothing") << move << none << none;
    }
    void answerIsMatchedWithTheAllowedEffects()
    {
        QFETCH(uint, answer);
        QFETCH(uint, allowed);
        QFETCH(uint, expected);
        QCOMPARE(uint(COleDropTarget::FilterDropEffect(answer, allowed)), expected);

        m_target->answer = answer;
        COleDropSimulation drag(m_edit.get(), &m_text, allowed);
        QCOMPARE(uint(drag.DragEnter(MK_LBUTTON, CPoint(5, 5))), expected);
        QCOMPARE(uint(drag.DragOver(MK_LBUTTON, CPoint(6, 5))), expected);
        QCOMPARE(uint(drag.Drop(0, CPoint(7, 5))), expected);
        if (expected != DROPEFFECT_NONE) {
            QCOMPARE(m_target->calls.last(), QStringLiteral("drop"));
            QCOMPARE(uint(m_target->lastDropEffect), expected);
        } else {
            // A release with no effect is a leave: the target never sees a drop.
            QVERIFY(!m_target->calls.contains(QStringLiteral("drop")));
            QCOMPARE(m_target->calls.last(), QStringLiteral("leave"));
        }
    }

    void notificationsCarryKeyStateAndClientPoint()
    {
        COleDropSimulation drag(m_edit.get(), &m_text, DROPEFFECT_COPY | DROPEFFECT_MOVE);
        const DWORD keys = MK_LBUTTON | MK_SHIFT | MK_CONTROL | MK_ALT;
        QCOMPARE(drag.DragEnter(keys, CPoint(12, 34)), DROPEFFECT(DROPEFFECT_MOVE));
        QCOMPARE(m_target->calls, QStringList({"enter", "scroll", "over"}));
        QCOMPARE(m_target->lastKeyState, keys);
        QCOMPARE(m_target->lastPoint, CPoint(12, 34));
        drag.DragOver(MK_RBUTTON, CPoint(40, 20));
        QCOMPARE(m_target->lastKeyState, DWORD(MK_RBUTTON));
        QCOMPARE(m_target->lastPoint, CPoint(40, 20));
        drag.DragLeave();
        QCOMPARE(m_target->calls.last(), QStringLiteral("leave"));
        QCOMPARE(m_target->calls.count(QStringLiteral("leave")), 1);

        // The release asks once more with the keys of that moment, then drops with the matched answer.
        m_target->calls.clear();
        m_target->answer = DROPEFFECT_COPY;
        drag.DragEnter(MK_LBUTTON, CPoint(1, 1));
        m_target->calls.clear();
        QCOMPARE(drag.Drop(MK_CONTROL, CPoint(50, 60)), DROPEFFECT(DROPEFFECT_COPY));
        QCOMPARE(m_target->calls, QStringList({"over", "dropex", "drop"}));
        QCOMPARE(m_target->lastKeyState, DWORD(MK_CONTROL));
        QCOMPARE(m_target->lastPoint, CPoint(50, 60));
        QCOMPARE(m_target->lastDropList, DROPEFFECT(DROPEFFECT_COPY | DROPEFFECT_MOVE));

        // A drop the target turns down reports no effect.
        m_target->dropResult = FALSE;
        QCOMPARE(AfxSimulateDrop(m_edit.get(), &m_text, MK_LBUTTON, CPoint(3, 3), DROPEFFECT_MOVE),
                 DROPEFFECT(DROPEFFECT_NONE));

        // A target handling the drop itself in OnDropEx decides the result; OnDrop is not called.
        m_target->calls.clear();
        m_target->dropExAnswer = DROPEFFECT_LINK;
        QCOMPARE(AfxSimulateDrop(m_edit.get(), &m_text, MK_LBUTTON, CPoint(3, 3), DROPEFFECT_MOVE | DROPEFFECT_LINK),
                 DROPEFFECT(DROPEFFECT_LINK));
        QVERIFY(!m_target->calls.contains(QStringLiteral("drop")));

        // Scrolling replaces the drag-over answer.
        m_target->calls.clear();
        m_target->scrollAnswer = DROPEFFECT_SCROLL | DROPEFFECT_COPY;
        COleDropSimulation scrolling(m_edit.get(), &m_text, DROPEFFECT_COPY | DROPEFFECT_MOVE);
        QCOMPARE(scrolling.DragEnter(MK_LBUTTON, CPoint(1, 1)), DROPEFFECT(DROPEFFECT_COPY));
        QCOMPARE(m_target->calls, QStringList({"enter", "scroll"}));
    }

    void refusedDragsDoNotFallThroughAndRevokeEndsTheRegistration()
    {
        // The window beneath takes every drag that reaches it.
        DragCatcher catcher;
        QWidget *below = m_parent->GetClientWidget();
        below->setAcceptDrops(true);
        below->installEventFilter(&catcher);

        m_target->answer = DROPEFFECT_NONE;
        QCOMPARE(AfxSimulateDrop(m_edit.get(), &m_text, MK_LBUTTON, CPoint(5, 5), DROPEFFECT_MOVE),
                 DROPEFFECT(DROPEFFECT_NONE));
        QCOMPARE(catcher.nEnters, 0);
        QVERIFY(m_target->calls.contains(QStringLiteral("enter")));

        // After Revoke the target hears nothing, and the drag goes to the window beneath as for any window.
        m_target->Revoke();
        m_target->calls.clear();
        COleDropSimulation drag(m_edit.get(), &m_text, DROPEFFECT_MOVE);
        drag.DragEnter(MK_LBUTTON, CPoint(5, 5));
        QVERIFY(m_target->calls.isEmpty());
        QCOMPARE(catcher.nEnters, 1);
        drag.DragLeave();

        // One target per window; registering again is allowed.
        RecordingTarget other;
        QVERIFY(m_target->Register(m_edit.get()));
        QVERIFY(m_target->Register(m_edit.get()));
        QVERIFY(!other.Register(m_edit.get()));
        QVERIFY(!other.Register(nullptr));
    }

    void windowEndEndsTheRegistration()
    {
        auto pData = std::make_unique<QMimeData>();
        pData->setText(QStringLiteral("x"));
        COleDropSimulation drag(m_edit.get(), pData.get(), DROPEFFECT_MOVE);
        QCOMPARE(drag.DragEnter(MK_LBUTTON, CPoint(5, 5)), DROPEFFECT(DROPEFFECT_MOVE));
        m_edit->DestroyWindow();
        m_target->calls.clear();
        QCOMPARE(drag.Drop(0, CPoint(5, 5)), DROPEFFECT(DROPEFFECT_NONE));
        QVERIFY(m_target->calls.isEmpty());
        // The target outlives its window and can be registered for another.
        CEdit second;
        QVERIFY(second.Create(kEditStyle, CRect(0, 0, 100, 50), m_parent.get(), 0));
        QVERIFY(m_target->Register(&second));
        QCOMPARE(AfxSimulateDrop(&second, pData.get(), MK_LBUTTON, CPoint(5, 5), DROPEFFECT_MOVE),
                 DROPEFFECT(DROPEFFECT_MOVE));
        m_target.reset();
    }

    void dragDataReadsAsWindows1252Text()
    {
        const int nBlocks = AfxLiveMemoryBlocks();
        QMimeData plain;
        plain.setText(QStringLiteral("Gr\u00fc\u00dfe \u20ac5"));
        // G r 0xFC 0xDF e blank 0x80 5, in octal escapes.
        QCOMPARE(cfText(plain), QByteArray("Gr\374\337e \2005") + '\0');

        // Another program's UTF-8 text, with its LF line breaks and a character the code page lacks.
        QMimeData utf8;
        utf8.setData(QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("caf\u00e9\nline\r\n\u4e2d!").toUtf8());
        QCOMPARE(cfText(utf8), QByteArray("caf\xe9\r\nline\r\n?!") + '\0');

        // The text ends at a NUL; empty text is a lone NUL.
        QMimeData withNul;
        withNul.setText(QString::fromLatin1("ab\0cd", 5));
        QCOMPARE(cfText(withNul), QByteArray("ab") + '\0');
        QMimeData empty;
        empty.setText(QString());
        QCOMPARE(cfText(empty), QByteArray(1, '\0'));

        // Files are not text, even when the file manager adds their names; a web address is.
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/board.zbd"))});
        files.setText(QStringLiteral("/tmp/board.zbd"));
        QCOMPARE(cfText(files), QByteArray("<none>"));
        QMimeData link;
        link.setUrls({QUrl(QStringLiteral("https://example.org/"))});
        link.setText(QStringLiteral("https://example.org/"));
        QCOMPARE(cfText(link), QByteArray("https://example.org/") + '\0');
        QMimeData urlsOnly;
        urlsOnly.setUrls({QUrl(QStringLiteral("https://example.org/"))});
        QCOMPARE(cfText(urlsOnly), QByteArray("<none>"));
        QMimeData image;
        image.setData(QStringLiteral("image/png"), QByteArray("\x89PNG", 4));
        QCOMPARE(cfText(image), QByteArray("<none>"));

        COleDataObject object(&plain);
        QVERIFY(object.IsDataAvailable(CF_TEXT));
        QVERIFY(!object.IsDataAvailable(2));
        QVERIFY(!object.GetGlobalData(2));
        QVERIFY(!object.GetGlobalData(CF_TEXT, &object));
        object.Release();
        QVERIFY(!object.IsDataAvailable(CF_TEXT));
        QCOMPARE(AfxLiveMemoryBlocks(), nBlocks);
    }
};

ZB_TEST_MAIN(TestOleDrop)
#include "tst_oledrop.moc"
