#include "support/TestMain.h"

#include "platform/Controls.h"
#include "platform/Gdi.h"
#include "platform/WndImpl.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>

#include <memory>
#include <vector>

namespace {

// A top-level window that records what its children tell it.
class RecordingParent : public CWnd {
public:
    struct Notification {
        int id;
        int code;
        HWND hCtl;
    };
    std::vector<Notification> notes;
    int mouseActivations = 0;

    int count(int id, int code) const
    {
        return int(std::count_if(notes.begin(), notes.end(),
                                 [=](const Notification &n) { return n.id == id && n.code == code; }));
    }

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        notes.push_back({LOWORD(wParam), short(HIWORD(wParam)), reinterpret_cast<HWND>(lParam)});
        return TRUE;
    }

protected:
    LRESULT OnMouseActivate(WPARAM, LPARAM)
    {
        ++mouseActivations;
        return 1;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(RecordingParent, CWnd)
ON_MESSAGE(WM_MOUSEACTIVATE, OnMouseActivate)
END_MESSAGE_MAP()

// An edit whose button-down handler decides whether the control's own processing runs.
class HookedEdit : public CEdit {
public:
    bool callDefault = false;
    int downs = 0;
    UINT lastFlags = 0;
    CPoint lastPoint;

protected:
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point)
    {
        ++downs;
        lastFlags = nFlags;
        lastPoint = point;
        if (callDefault)
            Default();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(HookedEdit, CEdit)
ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

const DWORD kNoteEditStyle = WS_CHILD | WS_VISIBLE | ES_WANTRETURN | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_MULTILINE;

QString editText(CWnd &w)
{
    CString s;
    w.GetWindowText(s);
    return s;
}

// A window of one of the control classes, made with the window's own Create as a dialog template makes it.
BOOL createControl(CWnd &wnd, const char *className, const QString &text, DWORD dwStyle, const RECT &rect,
                   CWnd *pParent, UINT nID = 0xFFFF)
{
    AfxRegisterControlClasses();
    return wnd.Create(QString::fromLatin1(className), text, dwStyle, rect, pParent, nID);
}

int findRow(CListBox &list, int nStartAfter, const QString &text, bool bExact = false)
{
    return int(list.SendMessage(bExact ? LB_FINDSTRINGEXACT : LB_FINDSTRING, WPARAM(nStartAfter),
                                reinterpret_cast<LPARAM>(text.utf16())));
}

int insertRow(CListBox &list, int nIndex, const QString &text)
{
    return int(list.SendMessage(LB_INSERTSTRING, WPARAM(nIndex), reinterpret_cast<LPARAM>(text.utf16())));
}

} // namespace

class TestControls : public zbtest::TestCase {
    Q_OBJECT

protected:
    void initTest() override;
    void cleanupTest() override;

private Q_SLOTS:
    void editKeepsCrLfForTheProgram();
    void editPositionsCountBreaksAsTwo();
    void editCharFromPosAcrossLines();
    void editLongTextNeedsTheFullWidthIndex();
    void editReplaceSelUndo();
    void editCaretHoldsStillInALongLine();
    void editChangeNotifiesOnlyUserEdits();
    void editSingleLine();
    void editMouseGoesThroughTheWindowProcedure();
    void templateStyleControlRunsOnItsClassProcedure();
    void listBoxSortsAndKeepsItemData();
    void listBoxUnsortedInsertAndErrors();
    void listBoxNotifiesOnlyUserSelection();
    void buttonsNotifyAndCheck();
    void staticsShowTextIconsAndStayHidden();

private:
    std::unique_ptr<RecordingParent> m_parent;
};

void TestControls::initTest()
{
    m_parent = std::make_unique<RecordingParent>();
    QVERIFY(m_parent->CreateEx(0, QString::fromLatin1(AfxWndClassName), QStringLiteral("parent"), WS_POPUP | WS_VISIBLE,
                               CRect(10, 10, 410, 310), nullptr, 0));
}

void TestControls::cleanupTest()
{
    m_parent.reset();
    AfxPumpPostedMessages();
}

void TestControls::editKeepsCrLfForTheProgram()
{
    CEdit edit;
    QVERIFY(edit.Create(kNoteEditStyle, CRect(0, 0, 200, 100), m_parent.get(), 0));
    QPlainTextEdit *w = edit.GetPlainTextEdit();
    QVERIFY(w);
    QVERIFY(!qobject_cast<QLineEdit *>(edit.GetWidget()));

    // CR LF, a lone CR and a lone LF all show as line breaks and come back as CR LF.
    edit.SetWindowText(QStringLiteral("ab\r\ncd\ref\ng"));
    QCOMPARE(w->toPlainText(), QStringLiteral("ab\ncd\nef\ng"));
    QCOMPARE(editText(edit), QStringLiteral("ab\r\ncd\r\nef\r\ng"));
    QCOMPARE(edit.GetWindowTextLength(), 13);
    QCOMPARE(edit.GetLineCount(), 4);

    // A short buffer gets what fits and the terminating NUL.
    QChar buf[6];
    QCOMPARE(edit.GetWindowText(buf, 6), 5);
    QCOMPARE(QString(buf, 5), QStringLiteral("ab\r\nc"));
    QVERIFY(buf[5].isNull());

    // A line break typed by the user is CR LF for the program too.
    edit.SetWindowText(QString());
    QTest::keyClicks(w, QStringLiteral("x"));
    QTest::keyClick(w, Qt::Key_Return);
    QTest::keyClicks(w, QStringLiteral("y"));
    QCOMPARE(editText(edit), QStringLiteral("x\r\ny"));

    // Without a border and scroll bars the control is bare text.
    QCOMPARE(w->frameShape(), QFrame::NoFrame);
    QCOMPARE(w->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(w->lineWrapMode(), QPlainTextEdit::NoWrap);
}

void TestControls::editPositionsCountBreaksAsTwo()
{
    CEdit edit;
    QVERIFY(edit.Create(kNoteEditStyle, CRect(0, 0, 200, 100), m_parent.get(), 0));
    QPlainTextEdit *w = edit.GetPlainTextEdit();
    edit.SetWindowText(QStringLiteral("ab\r\ncd\r\nef"));

    int start = -1, end = -1;
    edit.SetSel(4, 5);
    QCOMPARE(w->textCursor().selectedText(), QStringLiteral("c"));
    edit.GetSel(start, end);
    QCOMPARE(start, 4);
    QCOMPARE(end, 5);
    QCOMPARE(edit.GetSel(), MAKELONG(4, 5));

    // A selection across a break includes both of its characters.
    edit.SetSel(1, 5);
    QCOMPARE(w->textCursor().selectedText(),
             QString(QStringLiteral("b") + QChar(QChar::ParagraphSeparator) + QStringLiteral("c")));

    // A position between CR and LF falls before the break.
    edit.SetSel(3, 3);
    edit.GetSel(start, end);
    QCOMPARE(start, 2);
    QCOMPARE(end, 2);

    // The index right after the last character, and beyond it.
    edit.SetSel(10, 10);
    QCOMPARE(edit.GetSel(), MAKELONG(10, 10));
    edit.SetSel(50, 60);
    QCOMPARE(edit.GetSel(), MAKELONG(10, 10));

    // 0, -1 selects everything; start -1 removes the selection and leaves the caret.
    edit.SetSel(0, -1);
    QCOMPARE(edit.GetSel(), MAKELONG(0, 10));
    // Start after end: the caret goes to the end index.
    edit.SetSel(8, 4);
    QCOMPARE(w->textCursor().anchor(), 6);
    QCOMPARE(w->textCursor().position(), 3);
    edit.GetSel(start, end);
    QCOMPARE(start, 4);
    QCOMPARE(end, 8);
    edit.SetSel(-1, 0);
    edit.GetSel(start, end);
    QCOMPARE(start, end);
    QCOMPARE(start, 4);

    // The 32-bit form is the pair of 16-bit halves.
    edit.SetSel(DWORD(MAKELONG(6, 9)));
    QCOMPARE(w->textCursor().selectedText(), QString(QChar(QChar::ParagraphSeparator)) + QStringLiteral("e"));
    edit.GetSel(start, end);
    QCOMPARE(start, 6);
    QCOMPARE(end, 9);

    // ReplaceSel inserts the program's CR LF as one break and leaves the caret after the insertion.
    edit.SetSel(2, 4);
    edit.ReplaceSel(QStringLiteral("X\r\nY"));
    QCOMPARE(editText(edit), QStringLiteral("abX\r\nYcd\r\nef"));
    QCOMPARE(edit.GetSel(), MAKELONG(6, 6));
}

void TestControls::editCharFromPosAcrossLines()
{
    CEdit edit;
    QVERIFY(edit.Create(kNoteEditStyle, CRect(0, 0, 300, 200), m_parent.get(), 0));
    edit.SetWindowText(QStringLiteral("abc\r\ndefg\r\nhi"));

    // The point of a character gives that character and its line.
    const CPoint e = edit.PosFromChar(6);
    QVERIFY(e.x >= 0 && e.y > 0);
    const int r = edit.CharFromPos(CPoint(e.x + 1, e.y + 2));
    QCOMPARE(int(LOWORD(r)), 6);
    QCOMPARE(int(HIWORD(r)), 1);
    QCOMPARE(edit.CharIndexFromPos(CPoint(e.x + 1, e.y + 2)), 6);

    // Far right of the first line: the position before its break.
    const CPoint a = edit.PosFromChar(0);
    QCOMPARE(int(LOWORD(edit.CharFromPos(CPoint(290, a.y + 2)))), 3);
    // The last line, right of its last character: the index right after it.
    const CPoint h = edit.PosFromChar(11);
    QCOMPARE(edit.CharFromPos(CPoint(290, h.y + 2)), int(MAKELONG(13, 2)));
    // Below the last line: the end of the text.
    QCOMPARE(edit.CharIndexFromPos(CPoint(5, 190)), 13);
    QCOMPARE(int(LOWORD(edit.CharFromPos(CPoint(5, 190)))), 13);
    QCOMPARE(int(HIWORD(edit.CharFromPos(CPoint(5, 190)))), 2);

    // Characters further right lie further right; lines further down lie lower.
    QVERIFY(edit.PosFromChar(1).x > a.x);
    QVERIFY(h.y > e.y);
    QCOMPARE(edit.PosFromChar(14), CPoint(-1, -1));
}

void TestControls::editLongTextNeedsTheFullWidthIndex()
{
    CEdit edit;
    QVERIFY(edit.Create(kNoteEditStyle, CRect(0, 0, 300, 200), m_parent.get(), 0));
    QStringList lines;
    for (int i = 0; i < 1000; ++i)
        lines << QString(70, QChar(u'a' + i % 26));
    const QString text = lines.join(QStringLiteral("\r\n"));
    QCOMPARE(text.size(), 71998);
    edit.SetWindowText(text);
    QCOMPARE(edit.GetWindowTextLength(), 71998);

    edit.SetSel(70000, 71000);
    int start = 0, end = 0;
    edit.GetSel(start, end);
    QCOMPARE(start, 70000);
    QCOMPARE(end, 71000);
    // The 32-bit answer cannot hold it: -1, as the window system answers.
    QCOMPARE(edit.GetSel(), DWORD(0xFFFFFFFF));

    // Character 70000 is on line 70000 / 72 = 972, column 16.
    edit.SetSel(70000, 70000, FALSE);
    const CPoint p = edit.PosFromChar(70000);
    QVERIFY(p.x >= 0 && p.y >= 0 && p.y < 200);
    QCOMPARE(edit.CharIndexFromPos(CPoint(p.x + 1, p.y + 2)), 70000);
    const int packed = edit.CharFromPos(CPoint(p.x + 1, p.y + 2));
    QCOMPARE(int(LOWORD(packed)), 70000 & 0xFFFF);
    QCOMPARE(int(HIWORD(packed)), 972);
}

void TestControls::editCaretHoldsStillInALongLine()
{
    // Counts the events of one type an object receives, before any other filter sees them.
    class EventCounter final : public QObject {
    public:
        EventCounter(QObject *target, QEvent::Type type) : m_type(type) { target->installEventFilter(this); }
        int count = 0;

    protected:
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == m_type)
                ++count;
            return false;
        }

    private:
        QEvent::Type m_type;
    };

    CEdit edit;
    QVERIFY(edit.Create(kNoteEditStyle, CRect(0, 0, 200, 100), m_parent.get(), 0));
    QPlainTextEdit *w = edit.GetPlainTextEdit();
    QObject *control = nullptr;
    for (QObject *child : w->children())
        if (child->inherits("QWidgetTextControl"))
            control = child;
    QVERIFY(control);
    QVERIFY(QApplication::cursorFlashTime() > 0);
    m_parent->GetWidget()->activateWindow();
    edit.SetFocus();
    QTRY_VERIFY(w->hasFocus());

    // While nothing happens, a short text's caret blinks (the line repainted), a long line's holds still: each
    // repaint of it would draw the whole line.
    for (const bool bLong : {false, true}) {
        edit.SetWindowText(bLong ? QString(200000, QChar(u'x')) : QStringLiteral("short\r\nlines"));
        edit.SetSel(3, 3, FALSE);
        QCoreApplication::processEvents();
        EventCounter ticks(control, QEvent::Timer);
        EventCounter paints(w->viewport(), QEvent::Paint);
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count >= 3, 10000);
        if (bLong)
            QCOMPARE(paints.count, 0);
        else
            QVERIFY2(paints.count >= 2, qPrintable(QString::number(paints.count)));
        // Still the program's text and caret.
        QCOMPARE(edit.GetWindowTextLength(), bLong ? 200000 : 12);
        int start = -1, end = -1;
        edit.GetSel(start, end);
        QCOMPARE(start, 3);
        QCOMPARE(end, 3);
    }
}

void TestControls::editReplaceSelUndo()
{
    CEdit edit;
    QVERIFY(edit.Create(kNoteEditStyle, CRect(0, 0, 200, 100), m_parent.get(), 0));
    QPlainTextEdit *w = edit.GetPlainTextEdit();
    edit.SetWindowText(QStringLiteral("one"));
    QVERIFY(!edit.CanUndo());

    // Typing can be undone.
    edit.SetSel(3, 3);
    QTest::keyClicks(w, QStringLiteral("!"));
    QCOMPARE(editText(edit), QStringLiteral("one!"));
    QVERIFY(edit.CanUndo());

    // An insertion that cannot be undone is not taken back by Undo.
    edit.SetSel(0, 0);
    edit.ReplaceSel(QStringLiteral(">\r\n"), FALSE);
    QCOMPARE(editText(edit), QStringLiteral(">\r\none!"));
    QVERIFY(!edit.CanUndo());
    QVERIFY(!edit.Undo());
    QCOMPARE(editText(edit), QStringLiteral(">\r\none!"));

    // One that can be undone is.
    edit.SetSel(3, 6);
    edit.ReplaceSel(QStringLiteral("ONE"), TRUE);
    QCOMPARE(editText(edit), QStringLiteral(">\r\nONE!"));
    QVERIFY(edit.CanUndo());
    QVERIFY(edit.Undo());
    QCOMPARE(editText(edit), QStringLiteral(">\r\none!"));

    // Clear deletes the selection only; Cut and Paste go through the clipboard.
    edit.SetSel(3, 5);
    edit.Clear();
    QCOMPARE(editText(edit), QStringLiteral(">\r\ne!"));
    edit.SetSel(0, 1);
    edit.SendMessage(WM_CUT);
    QCOMPARE(editText(edit), QStringLiteral("\r\ne!"));
    edit.SetSel(4, 4);
    edit.SendMessage(WM_PASTE);
    QCOMPARE(editText(edit), QStringLiteral("\r\ne!>"));

    // A read-only control refuses edits but still copies.
    QVERIFY(edit.SendMessage(EM_SETREADONLY, TRUE));
    QVERIFY(edit.GetStyle() & ES_READONLY);
    edit.SetSel(0, -1);
    edit.Clear();
    edit.SendMessage(WM_CUT);
    QCOMPARE(editText(edit), QStringLiteral("\r\ne!>"));
    QVERIFY(w->isReadOnly());
}

void TestControls::editChangeNotifiesOnlyUserEdits()
{
    CEdit edit;
    QVERIFY(edit.Create(kNoteEditStyle, CRect(0, 0, 200, 100), m_parent.get(), 7));
    QPlainTextEdit *w = edit.GetPlainTextEdit();

    edit.SetWindowText(QStringLiteral("set by the program"));
    QCOMPARE(m_parent->count(7, EN_CHANGE), 0);

    edit.SetSel(0, 0);
    QTest::keyClicks(w, QStringLiteral("ab"));
    QCOMPARE(m_parent->count(7, EN_CHANGE), 2);
    QCOMPARE(m_parent->notes.back().hCtl, edit.m_hWnd);
    QCOMPARE(editText(edit), QStringLiteral("abset by the program"));

    // Edits through the control's messages are changes too; only WM_SETTEXT is silent.
    edit.ReplaceSel(QStringLiteral("x"));
    QCOMPARE(m_parent->count(7, EN_CHANGE), 3);
    edit.SetSel(0, 1);
    edit.Clear();
    QCOMPARE(m_parent->count(7, EN_CHANGE), 4);
    edit.SetWindowText(QString());
    QCOMPARE(m_parent->count(7, EN_CHANGE), 4);

    // A limit stops typing beyond it.
    edit.SendMessage(EM_LIMITTEXT, 3);
    QTest::keyClicks(w, QStringLiteral("12345"));
    QCOMPARE(editText(edit), QStringLiteral("123"));
}

void TestControls::editSingleLine()
{
    CEdit edit;
    QVERIFY(edit.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, CRect(0, 0, 200, 24), m_parent.get(), 9));
    auto *w = qobject_cast<QLineEdit *>(edit.GetWidget());
    QVERIFY(w);
    QVERIFY(w->hasFrame());
    // Longer than the single-line control's old default limit: the whole text is kept.
    const QString longText(40000, QChar(u'q'));
    edit.SetWindowText(longText);
    QCOMPARE(edit.GetWindowTextLength(), 40000);
    edit.SetWindowText(QStringLiteral("hello"));
    QCOMPARE(m_parent->count(9, EN_CHANGE), 0);

    edit.SetSel(1, 4);
    QCOMPARE(w->selectedText(), QStringLiteral("ell"));
    QCOMPARE(edit.GetSel(), MAKELONG(1, 4));
    edit.ReplaceSel(QStringLiteral("ipp"));
    QCOMPARE(editText(edit), QStringLiteral("hippo"));
    QCOMPARE(edit.GetSel(), MAKELONG(4, 4));
    QVERIFY(!edit.CanUndo());
    QCOMPARE(m_parent->count(9, EN_CHANGE), 1);

    QTest::keyClicks(w, QStringLiteral("s"));
    QCOMPARE(editText(edit), QStringLiteral("hippso"));
    QCOMPARE(m_parent->count(9, EN_CHANGE), 2);
    QVERIFY(edit.CanUndo());

    // A point right of the text gives the index after its last character.
    QCOMPARE(edit.CharFromPos(CPoint(195, 10)), 6);
}

void TestControls::editMouseGoesThroughTheWindowProcedure()
{
    HookedEdit edit;
    QVERIFY(edit.Create(kNoteEditStyle, CRect(0, 0, 300, 100), m_parent.get(), 0));
    edit.SetWindowText(QStringLiteral("hello world"));
    edit.SetSel(0, 0);
    QPlainTextEdit *w = edit.GetPlainTextEdit();
    QVERIFY(QTest::qWaitForWindowExposed(m_parent->GetWidget()));
    const CPoint p = edit.PosFromChar(6);
    const QPoint click(p.x + 1, p.y + w->fontMetrics().height() / 2);

    // The handler does not pass the press on: the Qt control never sees it.
    QTest::mousePress(w->viewport(), Qt::LeftButton, Qt::ShiftModifier, click);
    QCOMPARE(edit.downs, 1);
    QCOMPARE(edit.lastFlags, UINT(MK_LBUTTON | MK_SHIFT));
    QCOMPARE(edit.lastPoint, CPoint(click));
    QCOMPARE(m_parent->mouseActivations, 1);
    QCOMPARE(edit.GetSel(), MAKELONG(0, 0));
    QTest::mouseRelease(w->viewport(), Qt::LeftButton, Qt::ShiftModifier, click);

    // Default() hands it on: the caret lands at the click.
    edit.callDefault = true;
    QTest::mouseClick(w->viewport(), Qt::LeftButton, Qt::NoModifier, click);
    QCOMPARE(edit.downs, 2);
    QCOMPARE(edit.lastFlags, UINT(MK_LBUTTON));
    QCOMPARE(m_parent->mouseActivations, 2);
    QCOMPARE(edit.GetSel(), MAKELONG(6, 6));
}

void TestControls::templateStyleControlRunsOnItsClassProcedure()
{
    // A control made without an object answers through its class procedure, and can be subclassed later.
    HWND h =
        AfxCreateControlWindow(QString::fromLatin1(AfxEditClassName), QStringLiteral("a\nb"),
                               WS_CHILD | WS_VISIBLE | ES_MULTILINE, 0, CRect(0, 0, 100, 50), m_parent->m_hWnd, 1004);
    QVERIFY(h);
    QVERIFY(!CWnd::FromHandlePermanent(h));
    QCOMPARE(editText(*CWnd::FromHandle(h)), QStringLiteral("a\r\nb"));
    QCOMPARE(m_parent->GetDlgItem(1004)->m_hWnd, h);

    HookedEdit bound;
    QVERIFY(AfxSubclassWindow(bound, h));
    QCOMPARE(CWnd::FromHandlePermanent(h), static_cast<CWnd *>(&bound));
    QVERIFY(!AfxSubclassWindow(bound, h));
    QCOMPARE(editText(bound), QStringLiteral("a\r\nb"));
    QVERIFY(QTest::qWaitForWindowExposed(m_parent->GetWidget()));
    QPlainTextEdit *w = bound.GetPlainTextEdit();
    bound.SetSel(0, 0);
    QTest::mouseClick(w->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 5));
    QCOMPARE(bound.downs, 1);
    QCOMPARE(bound.GetSel(), MAKELONG(0, 0));
    QVERIFY(bound.DestroyWindow());
    QVERIFY(!IsWindow(h));
}

void TestControls::listBoxSortsAndKeepsItemData()
{
    CListBox list;
    QVERIFY(createControl(list, AfxListBoxClassName, QString(),
                          WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_SORT, CRect(0, 0, 150, 120),
                          m_parent.get(), 1002));
    int tags[3] = {1, 2, 3};
    // Each row keeps its data while later rows are sorted in before it.
    QCOMPARE(list.AddString(QStringLiteral("b")), 0);
    QCOMPARE(list.SetItemDataPtr(0, &tags[0]), LB_OKAY);
    QCOMPARE(list.AddString(QStringLiteral("A")), 0);
    QCOMPARE(list.SetItemDataPtr(0, &tags[1]), LB_OKAY);
    QCOMPARE(list.AddString(QString()), 0);
    QCOMPARE(list.SetItemDataPtr(0, &tags[2]), LB_OKAY);
    QCOMPARE(list.GetCount(), 3);

    CString s;
    list.GetText(0, s);
    QCOMPARE(QString(s), QString());
    list.GetText(1, s);
    QCOMPARE(QString(s), QStringLiteral("A"));
    list.GetText(2, s);
    QCOMPARE(QString(s), QStringLiteral("b"));
    QCOMPARE(list.GetItemDataPtr(0), static_cast<void *>(&tags[2]));
    QCOMPARE(list.GetItemDataPtr(1), static_cast<void *>(&tags[1]));
    QCOMPARE(list.GetItemDataPtr(2), static_cast<void *>(&tags[0]));

    // Case does not decide the order: "a2" goes after "A", "B" after "b".
    QCOMPARE(list.AddString(QStringLiteral("a2")), 2);
    QCOMPARE(list.AddString(QStringLiteral("B")), 4);
    QCOMPARE(list.GetItemDataPtr(3), static_cast<void *>(&tags[0]));
    QCOMPARE(list.GetItemData(2), DWORD_PTR(0));

    QCOMPARE(findRow(list, -1, QStringLiteral("a")), 1);
    QCOMPARE(findRow(list, 1, QStringLiteral("a")), 2);
    QCOMPARE(findRow(list, 2, QStringLiteral("a")), 1);
    QCOMPARE(findRow(list, -1, QStringLiteral("b"), true), 3);
    QCOMPARE(findRow(list, -1, QStringLiteral("z")), LB_ERR);

    // Deleting returns the rows left; the data stays with its row.
    QCOMPARE(list.DeleteString(1), 4);
    QCOMPARE(list.GetItemDataPtr(2), static_cast<void *>(&tags[0]));
    QCOMPARE(list.GetTextLen(1), 2);
    QChar buf[8];
    QCOMPARE(list.GetText(1, buf), 2);
    QCOMPARE(QString(buf), QStringLiteral("a2"));
    list.SendMessage(LB_RESETCONTENT);
    QCOMPARE(list.GetCount(), 0);
    QCOMPARE(list.GetCurSel(), -1);
}

void TestControls::listBoxUnsortedInsertAndErrors()
{
    CListBox list;
    QVERIFY(createControl(list, AfxListBoxClassName, QString(), WS_CHILD | WS_VISIBLE | LBS_NOTIFY,
                          CRect(0, 0, 150, 120), m_parent.get(), 5));
    QCOMPARE(list.AddString(QStringLiteral("<none>")), 0);
    QCOMPARE(list.AddString(QStringLiteral("Rock White")), 1);
    QCOMPARE(list.AddString(QStringLiteral("Money")), 2);
    QCOMPARE(list.SetItemData(2, 140), LB_OKAY);
    QCOMPARE(insertRow(list, 1, QStringLiteral("first")), 1);
    QCOMPARE(insertRow(list, -1, QStringLiteral("last")), 4);
    QCOMPARE(list.GetItemData(3), DWORD_PTR(140));
    CString s;
    list.GetText(4, s);
    QCOMPARE(QString(s), QStringLiteral("last"));

    QCOMPARE(insertRow(list, 9, QStringLiteral("x")), LB_ERR);
    QCOMPARE(list.DeleteString(9), LB_ERR);
    QCOMPARE(list.SetItemData(5, 1), LB_ERR);
    QCOMPARE(list.GetTextLen(-2), LB_ERR);
    QCOMPARE(list.SetCurSel(7), LB_ERR);
    QCOMPARE(list.GetCurSel(), -1);
    QCOMPARE(list.SetCurSel(3), 3);
    QCOMPARE(list.GetCurSel(), 3);
    QCOMPARE(list.SetCurSel(-1), 0);
    QCOMPARE(list.GetCurSel(), -1);
}

void TestControls::listBoxNotifiesOnlyUserSelection()
{
    CListBox list;
    QVERIFY(createControl(list, AfxListBoxClassName, QString(), WS_CHILD | WS_VISIBLE | LBS_NOTIFY,
                          CRect(0, 0, 150, 120), m_parent.get(), 1002));
    for (const char *row : {"zero", "one", "two"})
        list.AddString(QString::fromLatin1(row));
    QVERIFY(QTest::qWaitForWindowExposed(m_parent->GetWidget()));

    QCOMPARE(list.SetCurSel(1), 1);
    QCOMPARE(m_parent->count(1002, LBN_SELCHANGE), 0);

    QListWidget *w = list.GetListWidget();
    const QPoint row2 = w->visualItemRect(w->item(2)).center();
    QTest::mouseClick(w->viewport(), Qt::LeftButton, Qt::NoModifier, row2);
    QCOMPARE(list.GetCurSel(), 2);
    QCOMPARE(m_parent->count(1002, LBN_SELCHANGE), 1);
    QCOMPARE(m_parent->notes.back().hCtl, list.m_hWnd);
    QCOMPARE(m_parent->mouseActivations, 1);

    QTest::mouseDClick(w->viewport(), Qt::LeftButton, Qt::NoModifier, row2);
    QCOMPARE(m_parent->count(1002, LBN_DBLCLK), 1);

    // Deleting the selected row is the program's doing: no notification.
    QCOMPARE(list.DeleteString(2), 2);
    QCOMPARE(list.GetCurSel(), -1);
    QCOMPARE(m_parent->count(1002, LBN_SELCHANGE), 1);

    // Without LBS_NOTIFY the list box tells nothing.
    CListBox quiet;
    QVERIFY(createControl(quiet, AfxListBoxClassName, QString(), WS_CHILD | WS_VISIBLE, CRect(200, 0, 350, 120),
                          m_parent.get(), 77));
    quiet.AddString(QStringLiteral("row"));
    QListWidget *qw = quiet.GetListWidget();
    QTest::mouseClick(qw->viewport(), Qt::LeftButton, Qt::NoModifier, qw->visualItemRect(qw->item(0)).center());
    QCOMPARE(quiet.GetCurSel(), 0);
    QCOMPARE(m_parent->count(77, LBN_SELCHANGE), 0);
}

void TestControls::buttonsNotifyAndCheck()
{
    QVERIFY(QTest::qWaitForWindowExposed(m_parent->GetWidget()));
    CButton push;
    QVERIFY(createControl(push, AfxButtonClassName, QStringLiteral("&Apply"), WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON,
                          CRect(0, 0, 80, 24), m_parent.get(), 1000));
    auto *pb = qobject_cast<QPushButton *>(push.GetWidget());
    QVERIFY(pb);
    QVERIFY(pb->isDefault());
    QCOMPARE(pb->text(), QStringLiteral("&Apply"));
    QTest::mouseClick(pb, Qt::LeftButton);
    QCOMPARE(m_parent->count(1000, BN_CLICKED), 1);
    QCOMPARE(m_parent->notes.back().hCtl, push.m_hWnd);
    push.SendMessage(BM_CLICK);
    QCOMPARE(m_parent->count(1000, BN_CLICKED), 2);
    push.EnableWindow(FALSE);
    push.SendMessage(BM_CLICK);
    QCOMPARE(m_parent->count(1000, BN_CLICKED), 2);
    push.EnableWindow(TRUE);
    push.SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    QVERIFY(!pb->isDefault());
    push.SetWindowText(QStringLiteral("Restore"));
    QCOMPARE(pb->text(), QStringLiteral("Restore"));
    QCOMPARE(editText(push), QStringLiteral("Restore"));

    // A plain check box leaves its state to the program; an automatic one toggles.
    CButton manual, automatic;
    QVERIFY(createControl(manual, AfxButtonClassName, QStringLiteral("Manual"), WS_CHILD | WS_VISIBLE | BS_CHECKBOX,
                          CRect(0, 30, 120, 50), m_parent.get(), 11));
    QVERIFY(createControl(automatic, AfxButtonClassName, QStringLiteral("Auto"),
                          WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, CRect(0, 60, 120, 80), m_parent.get(), 12));
    QTest::mouseClick(manual.GetWidget(), Qt::LeftButton);
    QCOMPARE(m_parent->count(11, BN_CLICKED), 1);
    QCOMPARE(int(manual.SendMessage(BM_GETCHECK)), BST_UNCHECKED);
    manual.SendMessage(BM_SETCHECK, BST_CHECKED);
    QCOMPARE(int(manual.SendMessage(BM_GETCHECK)), BST_CHECKED);
    QTest::mouseClick(automatic.GetWidget(), Qt::LeftButton);
    QCOMPARE(m_parent->count(12, BN_CLICKED), 1);
    QCOMPARE(int(automatic.SendMessage(BM_GETCHECK)), BST_CHECKED);

    // A group box is a frame: centred caption, no clicks, below the controls it holds.
    CButton group;
    QVERIFY(createControl(group, AfxButtonClassName, QStringLiteral("Preview"),
                          WS_CHILD | WS_VISIBLE | BS_GROUPBOX | BS_CENTER, CRect(0, 0, 200, 100), m_parent.get(),
                          0xFFFF));
    auto *gb = qobject_cast<QGroupBox *>(group.GetWidget());
    QVERIFY(gb);
    QCOMPARE(gb->alignment(), Qt::Alignment(Qt::AlignHCenter));
    QCOMPARE(m_parent->GetClientWidget()->childAt(QPoint(40, 12)), static_cast<QWidget *>(pb));
}

void TestControls::staticsShowTextIconsAndStayHidden()
{
    CStatic literal, prefixed, hidden, icon;
    QVERIFY(createControl(literal, AfxStaticClassName, QStringLiteral("Multipurpose &Zentbase,  v. 1.0"),
                          WS_CHILD | WS_VISIBLE | SS_NOPREFIX, CRect(0, 0, 250, 16), m_parent.get()));
    QVERIFY(createControl(prefixed, AfxStaticClassName, QStringLiteral("&Caption && more"), WS_CHILD | WS_VISIBLE,
                          CRect(0, 20, 250, 36), m_parent.get()));
    QVERIFY(
        createControl(hidden, AfxStaticClassName, QString(), WS_CHILD, CRect(0, 40, 100, 90), m_parent.get(), 1003));
    QVERIFY(createControl(icon, AfxStaticClassName, QStringLiteral("#128"), WS_CHILD | WS_VISIBLE | SS_ICON,
                          CRect(0, 100, 5, 105), m_parent.get()));
    QCOMPARE(qobject_cast<QLabel *>(literal.GetWidget())->text(), QStringLiteral("Multipurpose &Zentbase,  v. 1.0"));
    QCOMPARE(qobject_cast<QLabel *>(prefixed.GetWidget())->text(), QStringLiteral("Caption & more"));
    QCOMPARE(editText(prefixed), QStringLiteral("&Caption && more"));

    // A static without WS_VISIBLE never shows, but still marks its area.
    m_parent->ShowWindow(SW_HIDE);
    m_parent->ShowWindow(SW_SHOW);
    QVERIFY(QTest::qWaitForWindowExposed(m_parent->GetWidget()));
    QVERIFY(!hidden.GetWidget()->isVisible());
    QVERIFY(!hidden.IsWindowVisible());
    CRect rc;
    hidden.GetClientRect(&rc);
    QCOMPARE(rc, CRect(0, 0, 100, 50));

    // The icon static shows resource 128 at the icon's size and releases it with its window.
    QVERIFY(icon.SendMessage(STM_GETICON) != 0);
    QCOMPARE(icon.GetWidget()->size(), QSize(32, 32));
    QVERIFY(!qobject_cast<QLabel *>(icon.GetWidget())->pixmap().isNull());
    const int icons = AfxGdiLiveObjects(AFX_OBJ_ICON);
    icon.DestroyWindow();
    QCOMPARE(AfxGdiLiveObjects(AFX_OBJ_ICON), icons - 1);
}

ZB_TEST_MAIN(TestControls)
#include "tst_controls.moc"
