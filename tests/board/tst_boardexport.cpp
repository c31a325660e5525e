// Boards leaving the program and coming back: JSON Canvas both ways, Markdown and text, the painted picture read
// back pixel by pixel, and Export Board... through its file dialog.
#include "support/AppFixture.h"
#include "support/BoardFiles.h"
#include "support/NoteHelpers.h"
#include "support/PictureFiles.h"
#include "support/TestMain.h"

#include "board/BoardExport.h"
#include "notes/PaperFrame.h"
#include "platform/CommonDialogs.h"
#include "platform/SysParams.h"
#include "res/resource.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace zbtest;

namespace {

// One line per note, every field the file keeps, in list order.
QStringList describe(const QList<CBoardNote> &notes)
{
    QStringList lines;
    for (const CBoardNote &n : notes)
        lines << QStringLiteral("(%1,%2,%3,%4) %5 [%6] %7 [%8]")
                     .arg(n.m_rect.left)
                     .arg(n.m_rect.top)
                     .arg(n.m_rect.right)
                     .arg(n.m_rect.bottom)
                     .arg(n.m_bHidden ? QStringLiteral("stored") : QStringLiteral("shown"))
                     .arg(n.m_strCaption)
                     .arg(n.m_clrCaption, 6, 16, QLatin1Char('0'))
                     .arg(QString(n.m_strText).replace(QStringLiteral("\r\n"), QStringLiteral("\\r\\n")));
    return lines;
}

// Two notes on the board and two in storage, one of them far to the left, with line breaks in the text.
Board hiddenAndVisibleBoard()
{
    Board b;
    BoardNote first;
    first.rect = RECT{150, 100, 330, 220};
    first.caption = ansiField("first");
    first.colour = 0x0000FF00;
    first.text = ansiField("one\r\ntwo");
    BoardNote second;
    second.rect = RECT{200, 150, 300, 260};
    second.stored = 1;
    second.caption = ansiField("second");
    second.colour = 0x00FF0000;
    second.text = ansiField("kept");
    BoardNote third;
    third.rect = RECT{-400, 20, -250, 90};
    third.stored = 1;
    third.caption = ansiField(QByteArray());
    third.colour = 0x00123456;
    third.text = ansiField("# not a caption\r\n\r\nlast");
    BoardNote fourth;
    fourth.rect = RECT{420, 30, 560, 180};
    fourth.caption = ansiField("fourth");
    fourth.colour = 0x000080FF;
    fourth.text = ansiField(QByteArray());
    b.notes = {first, second, third, fourth};
    return b;
}

Board nonLatinBoard()
{
    Board b;
    BoardNote ru;
    ru.rect = RECT{30, 60, 230, 200};
    ru.caption = utf16Field(QStringLiteral("\u0417\u0430\u043C\u0435\u0442\u043A\u0430"));
    ru.text = utf16Field(QStringLiteral("\u041F\u0440\u0438\u0432\u0435\u0442\r\n\u65E5\u672C\u8A9E \U0001F600"));
    BoardNote el;
    el.rect = RECT{260, 60, 460, 200};
    el.stored = 1;
    el.caption = utf16Field(QStringLiteral("\u03A9\u03BC\u03AD\u03B3\u03B1"));
    el.colour = 0x00FF8000;
    el.text = utf16Field(QStringLiteral("\u05E9\u05DC\u05D5\u05DD \u0639\u0631\u0628\u064A"));
    b.notes = {ru, el};
    return b;
}

QJsonObject textNode(const QString &id, int x, int y, const QString &text, const QString &colour = QString())
{
    QJsonObject n{{QStringLiteral("id"), id},     {QStringLiteral("type"), QStringLiteral("text")},
                  {QStringLiteral("x"), x},       {QStringLiteral("y"), y},
                  {QStringLiteral("width"), 200}, {QStringLiteral("height"), 100},
                  {QStringLiteral("text"), text}};
    if (!colour.isEmpty())
        n.insert(QStringLiteral("color"), colour);
    return n;
}

QByteArray canvasOf(const QJsonArray &nodes, const QJsonArray &edges = {})
{
    return QJsonDocument(QJsonObject{{QStringLiteral("nodes"), nodes}, {QStringLiteral("edges"), edges}}).toJson();
}

bool near(COLORREF a, COLORREF b, int tolerance = 24)
{
    return std::abs(int(GetRValue(a)) - int(GetRValue(b))) <= tolerance &&
           std::abs(int(GetGValue(a)) - int(GetGValue(b))) <= tolerance &&
           std::abs(int(GetBValue(a)) - int(GetBValue(b))) <= tolerance;
}

} // namespace

class TestBoardExport : public zbtest::TestCase {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString &name) const { return m_dir->filePath(name); }
    bool openBytes(const QString &name, const QByteArray &bytes)
    {
        const QString p = path(name);
        return writeFile(p, bytes) && AfxGetApp()->OpenDocumentFile(p) != nullptr;
    }
    void newBoard()
    {
        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
        settle();
    }
    QByteArray saveAs(const QString &name)
    {
        AfxDialogScript::PushFileAnswer(IDOK, path(name));
        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_SAVE_AS);
        return readWholeFile(path(name));
    }
    // The board's notes through a canvas and back onto a new board, then saved: what a .zbd -> .canvas -> .zbd
    // trip makes of them.
    void roundTrip(const Board &board, const QString &name)
    {
        QVERIFY(openBytes(name + QStringLiteral(".zbd"), board.bytes()));
        settle();
        const QList<CBoardNote> before = CollectBoardNotes(*document());
        QCOMPARE(before.size(), board.notes.size());
        const QByteArray canvas = BoardToCanvas(before);
        QCOMPARE(BoardToCanvas(before), canvas); // the same board, the same ids and bytes

        newBoard();
        CCanvasImport imported;
        QVERIFY(CanvasToBoard(canvas, imported));
        QCOMPARE(imported.nSkippedNodes, 0);
        QCOMPARE(describe(imported.notes), describe(before));
        PutCanvasOnBoard(*document(), imported.notes);
        settle();
        QList<CBoardNote> reversed(before.crbegin(), before.crend());
        QCOMPARE(describe(CollectBoardNotes(*document())), describe(reversed));
        for (POSITION pos = document()->m_papers.GetHeadPosition(); pos;) {
            CPaperFrame *pPaper = document()->m_papers.GetNext(pos);
            QCOMPARE(bool(pPaper->IsWindowVisible()), !pPaper->m_bHidden);
        }
        // Saved, the records are the original file's; opened, the list is the one the canvas came from.
        Board saved;
        saved.notes = board.notes;
        QCOMPARE(saveAs(name + QStringLiteral("-back.zbd")).mid(57), saved.bytes().mid(57));
        QVERIFY(AfxGetApp()->OpenDocumentFile(path(name + QStringLiteral("-back.zbd"))) != nullptr);
        settle();
        QCOMPARE(describe(CollectBoardNotes(*document())), describe(before));
    }

protected:
    void initTest() override
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(startApp());
    }

    void cleanupTest() override
    {
        endApp();
        m_dir.reset();
    }

private Q_SLOTS:
    void canvasRoundTripKeepsEveryNoteInOrder()
    {
        roundTrip(hiddenAndVisibleBoard(), QStringLiteral("mixed"));
        roundTrip(nonLatinBoard(), QStringLiteral("wide"));

        // The stored notes lie inside one "Storage" group to the right of everything else.
        QVERIFY(openBytes(QStringLiteral("again.zbd"), hiddenAndVisibleBoard().bytes()));
        const QJsonArray nodes = QJsonDocument::fromJson(BoardToCanvas(CollectBoardNotes(*document())))
                                     .object()[QStringLiteral("nodes")]
                                     .toArray();
        QCOMPARE(nodes.size(), 5);
        const QJsonObject group = nodes[0].toObject();
        QCOMPARE(group[QStringLiteral("type")].toString(), QStringLiteral("group"));
        QCOMPARE(group[QStringLiteral("label")].toString(), QStringLiteral("Storage"));
        const QRect groupRect(group[QStringLiteral("x")].toInt(), group[QStringLiteral("y")].toInt(),
                              group[QStringLiteral("width")].toInt(), group[QStringLiteral("height")].toInt());
        QVERIFY(groupRect.left() > 600);
        QSet<QString> ids;
        for (int i = 1; i < nodes.size(); ++i) {
            const QJsonObject n = nodes[i].toObject();
            ids.insert(n[QStringLiteral("id")].toString());
            const QRect r(n[QStringLiteral("x")].toInt(), n[QStringLiteral("y")].toInt(),
                          n[QStringLiteral("width")].toInt(), n[QStringLiteral("height")].toInt());
            const bool bStored = n[QStringLiteral("text")].toString().startsWith(QStringLiteral("# second")) ||
                                 n[QStringLiteral("color")].toString() == QStringLiteral("#563412");
            QCOMPARE(groupRect.contains(r), bStored);
            QVERIFY(r.right() < groupRect.left() || bStored);
        }
        QCOMPARE(ids.size(), 4);
        QCOMPARE(nodes[4].toObject()[QStringLiteral("text")].toString(), QStringLiteral("# first\n\none\ntwo"));
        QCOMPARE(nodes[4].toObject()[QStringLiteral("color")].toString(), QStringLiteral("#00FF00"));
    }

    void canvasImportOfPresetsHexGroupsAndStrangers()
    {
        QJsonArray nodes;
        nodes << QJsonObject{{QStringLiteral("id"), QStringLiteral("g")},
                             {QStringLiteral("type"), QStringLiteral("group")},
                             {QStringLiteral("label"), QStringLiteral("Storage")},
                             {QStringLiteral("x"), 1000},
                             {QStringLiteral("y"), 0},
                             {QStringLiteral("width"), 500},
                             {QStringLiteral("height"), 500}};
        nodes << QJsonObject{{QStringLiteral("id"), QStringLiteral("o")},
                             {QStringLiteral("type"), QStringLiteral("group")},
                             {QStringLiteral("label"), QStringLiteral("Ideas")},
                             {QStringLiteral("x"), 0},
                             {QStringLiteral("y"), 0},
                             {QStringLiteral("width"), 900},
                             {QStringLiteral("height"), 900}};
        const QStringList presets{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                  QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6")};
        for (int i = 0; i < presets.size(); ++i)
            nodes << textNode(QStringLiteral("p%1").arg(i), 10 + 10 * i, 20, QStringLiteral("# P%1\n\nx").arg(i),
                              presets[i]);
        nodes << textNode(QStringLiteral("h"), 5, 6, QStringLiteral("no caption here"), QStringLiteral("#12ab9F"));
        nodes << textNode(QStringLiteral("s"), 7, 8, QStringLiteral("#\nshort"), QStringLiteral("#0f8"));
        nodes << textNode(QStringLiteral("bad"), 9, 9, QStringLiteral("# Bad colour"), QStringLiteral("teal"));
        nodes << textNode(QStringLiteral("in"), 1100, 100, QStringLiteral("# Stored\n\na\nb"));
        nodes << QJsonObject{{QStringLiteral("id"), QStringLiteral("f")},
                             {QStringLiteral("type"), QStringLiteral("file")},
                             {QStringLiteral("file"), QStringLiteral("a.png")},
                             {QStringLiteral("x"), 0},
                             {QStringLiteral("y"), 0},
                             {QStringLiteral("width"), 10},
                             {QStringLiteral("height"), 10}};
        nodes << QJsonObject{{QStringLiteral("id"), QStringLiteral("l")},
                             {QStringLiteral("type"), QStringLiteral("link")},
                             {QStringLiteral("url"), QStringLiteral("https://example.org")},
                             {QStringLiteral("x"), 0},
                             {QStringLiteral("y"), 0},
                             {QStringLiteral("width"), 10},
                             {QStringLiteral("height"), 10}};
        QJsonArray edges;
        edges << QJsonObject{{QStringLiteral("id"), QStringLiteral("e")},
                             {QStringLiteral("fromNode"), QStringLiteral("h")},
                             {QStringLiteral("toNode"), QStringLiteral("s")}};

        CCanvasImport imported;
        QVERIFY(CanvasToBoard(canvasOf(nodes, edges), imported));
        QCOMPARE(imported.nSkippedNodes, 3); // the other group, the file and the link
        QCOMPARE(imported.nSkippedEdges, 1);
        QCOMPARE(imported.notes.size(), 10);
        const COLORREF expected[] = {RGB(255, 0, 0), RGB(255, 165, 0), RGB(255, 255, 0),
                                     RGB(0, 160, 0), RGB(0, 255, 255), RGB(128, 0, 128)};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(imported.notes[i].m_clrCaption, expected[i]);
            QCOMPARE(imported.notes[i].m_strCaption, CString(QStringLiteral("P%1").arg(i)));
            QCOMPARE(imported.notes[i].m_strText, CString("x"));
            QCOMPARE(imported.notes[i].m_rect, CRect(10 + 10 * i, 20, 210 + 10 * i, 120));
            QVERIFY(!imported.notes[i].m_bHidden);
        }
        QCOMPARE(imported.notes[6].m_clrCaption, RGB(0x12, 0xAB, 0x9F));
        QCOMPARE(imported.notes[6].m_strCaption, CString());
        QCOMPARE(imported.notes[6].m_strText, CString("no caption here"));
        QCOMPARE(imported.notes[7].m_clrCaption, RGB(0x00, 0xFF, 0x88));
        QCOMPARE(imported.notes[7].m_strText, CString("short"));
        QCOMPARE(imported.notes[8].m_clrCaption, RGB(255, 0, 0)); // a new note's red
        QCOMPARE(imported.notes[8].m_strText, CString());
        QVERIFY(imported.notes[9].m_bHidden);
        QCOMPARE(imported.notes[9].m_rect, CRect(1100, 100, 1300, 200)); // a foreign group moved nothing
        QCOMPARE(imported.notes[9].m_strText, CString("a\r\nb"));

        // On the board: list order is canvas order, the stored note hidden. The seven notes that land on the
        // waste bin at the top left are kept.
        for (int i = 0; i < 7; ++i)
            AfxDialogScript::PushMessageBoxAnswer(IDNO);
        PutNotesOnBoard(*document(), imported.notes);
        settle();
        QCOMPARE(document()->m_nPapers, 10);
        QCOMPARE(document()->m_papers.GetHead()->m_strCaption, CString("P0"));
        QVERIFY(document()->m_papers.GetTail()->m_bHidden);
        QVERIFY(!document()->m_papers.GetTail()->IsWindowVisible());

        // Not a canvas: nothing comes of it.
        for (const QByteArray &bad :
             {QByteArray("{\"nodes\": [}"), QByteArray("[]"), QByteArray("{\"nodes\": {}}"),
              QByteArray("{\"nodes\": [1]}"), QByteArray("{\"nodes\": [], \"edges\": 3}"),
              QByteArray("{\"nodes\": [{\"type\": \"text\", \"x\": \"1\", \"y\": 0, \"width\": 1, \"height\": 1}]}"),
              QByteArray("\xEF\xBB\xBF garbage")}) {
            CCanvasImport none;
            QVERIFY2(!CanvasToBoard(bad, none), bad.constData());
        }
        CCanvasImport empty;
        QVERIFY(CanvasToBoard("{}", empty));
        QVERIFY(empty.notes.isEmpty());
    }

    void markdownAndTextListNotesWithStorageLast()
    {
        QVERIFY(openBytes(QStringLiteral("mixed.zbd"), hiddenAndVisibleBoard().bytes()));
        const QList<CBoardNote> notes = CollectBoardNotes(*document());
        QCOMPARE(QString::fromUtf8(BoardToMarkdown(notes)), QStringLiteral("## fourth\n\n"
                                                                           "## first\n\none\ntwo\n\n"
                                                                           "# Storage\n\n"
                                                                           "## \n\n# not a caption\n\nlast\n\n"
                                                                           "## second\n\nkept\n\n"));
        QCOMPARE(QString::fromUtf8(BoardToText(notes)), QStringLiteral("fourth\n\n"
                                                                       "first\n\none\ntwo\n\n"
                                                                       "Storage\n\n"
                                                                       "\n\n# not a caption\n\nlast\n\n"
                                                                       "second\n\nkept\n\n"));
        QVERIFY(openBytes(QStringLiteral("wide.zbd"), nonLatinBoard().bytes()));
        QVERIFY(QString::fromUtf8(BoardToMarkdown(CollectBoardNotes(*document())))
                    .startsWith(QStringLiteral("## \u0417\u0430\u043C\u0435\u0442\u043A\u0430\n\n\u041F")));
    }

    void pictureShowsBackgroundAndNotesAsPainted()
    {
        // A pure background, a green note inside the view and one beyond it that widens the picture.
        Board b;
        b.pureColour = 1;
        b.colour = 0x00804020;
        BoardNote inside;
        inside.rect = RECT{300, 150, 500, 300};
        inside.caption = ansiField("in");
        inside.colour = 0x0000C800;
        inside.text = ansiField("text");
        BoardNote far;
        far.rect = RECT{650, 420, 850, 560};
        far.caption = ansiField("far");
        far.colour = 0x00FF0000;
        BoardNote stored = inside;
        stored.rect = RECT{900, 900, 1100, 1100};
        stored.stored = 1;
        b.notes = {inside, far, stored};
        QVERIFY(openBytes(QStringLiteral("paint.zbd"), b.bytes()));
        QVERIFY(setBoardSize(860, 570));
        settle();

        for (int nScale : {1, 3}) {
            const QImage picture = PaintBoardPicture(*document(), nScale);
            QCOMPARE(picture.size(), QSize(850, 560) * nScale); // the stored note does not count
            auto at = [&](int x, int y) { return pixelAt(picture, x * nScale + nScale / 2, y * nScale + nScale / 2); };
            QCOMPARE(at(200, 350), COLORREF(0x00804020));
            QCOMPARE(at(845, 100), COLORREF(0x00804020));
            QCOMPARE(at(620, 555), COLORREF(0x00804020));
            // No note holds the focus, so every caption is drawn inactive: one solid caption colour.
            const int yBand = 150 + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYSMCAPTION) / 2;
            QVERIFY(near(at(500 - GetSystemMetrics(SM_CXFRAME) - 2, yBand), COLORREF(0x0000C800)));
            QVERIFY(near(at(300 + GetSystemMetrics(SM_CXFRAME) + 2, yBand), COLORREF(0x0000C800)));
            QVERIFY(near(at(850 - GetSystemMetrics(SM_CXFRAME) - 2, 420 + (yBand - 150)), COLORREF(0x00FF0000)));
            // The note's text field is white, with the text's dark pixels in its first line.
            QCOMPARE(at(400, 280), COLORREF(0x00FFFFFF));
            int nDark = 0;
            for (int y = 150 + 20; y < 150 + 40; ++y)
                for (int x = 305; x < 340; ++x)
                    nDark += near(at(x, y), 0, 100) ? 1 : 0;
            QVERIFY(nDark > 5);
            // The icons lie where the document says.
            QVERIFY(!near(at(10 + 16, 10 + 16), COLORREF(0x00804020), 8) ||
                    !near(at(10 + 8, 10 + 8), COLORREF(0x00804020), 8));
        }
    }

    void pictureShowsEveryNoteOfAVeryFullBoardInItsOrder()
    {
        // More notes than one widget holds directly, reaching past the board's right edge: the last one of the file
        // lies on top of the others, inside the board and beyond it.
        Board b;
        b.pureColour = 1;
        b.colour = 0x00804020;
        BoardNote note;
        note.rect = RECT{300, 150, 500, 300};
        note.colour = 0x0000C800;
        for (int i = 0; i < 1200; ++i)
            b.notes << note;
        b.notes.last().colour = 0x00FF0000;
        QVERIFY(openBytes(QStringLiteral("full.zbd"), b.bytes()));
        QVERIFY(setBoardSize(400, 300));
        settle();
        const QImage picture = PaintBoardPicture(*document(), 1);
        const int yBand = 150 + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYSMCAPTION) / 2;
        QVERIFY(near(pixelAt(picture, 350, yBand), COLORREF(0x00FF0000)));
        QVERIFY(near(pixelAt(picture, 450, yBand), COLORREF(0x00FF0000)));
        QCOMPARE(pixelAt(picture, 450, 280), COLORREF(0x00FFFFFF));
        QCOMPARE(pixelAt(picture, 200, 250), COLORREF(0x00804020));
    }

    void pictureMatchesTheBoardAndShowsWhatNotesReachBeyondIt()
    {
        // Overlapping notes, one reaching past the board's right edge, on a board smaller than the picture.
        Board b;
        b.pureColour = 1;
        b.colour = 0x00406080;
        for (int i = 0; i < 12; ++i) {
            BoardNote n;
            const int x = 40 + i * 30, y = 60 + (i % 3) * 40;
            n.rect = RECT{x, y, x + 120, y + 90};
            n.caption = ansiField(QByteArray("n") + QByteArray::number(i));
            n.colour = quint32(0x00200000 * (i % 8) + 0x0000FF - i * 10);
            n.text = ansiField("overlap");
            b.notes << n;
        }
        QVERIFY(openBytes(QStringLiteral("overlap.zbd"), b.bytes()));
        QVERIFY(setBoardSize(400, 300));
        settle();
        QWidget *pBoard = boardView()->GetClientWidget();
        QVERIFY(pBoard && pBoard->width() == 400);
        const QImage screen = pBoard->grab().toImage();
        const QImage picture = PaintBoardPicture(*document(), 1);
        QCOMPARE(picture.size(), QSize(600, 400));
        // Inside the board the picture is the board as it shows, pixel for pixel.
        int nDiffer = 0;
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x)
                nDiffer += pixelAt(picture, x, y) != pixelAt(screen, x, y) ? 1 : 0;
        QCOMPARE(nDiffer, 0);
        // Beyond it, the caption band of the topmost note that reaches there, and the background below the notes.
        const int yBand = 60 + 2 * 40 + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYSMCAPTION) / 2;
        QVERIFY(near(pixelAt(picture, 440, yBand), COLORREF(0x00200000 * 3 + 0x0000FF - 11 * 10)));
        QCOMPARE(pixelAt(picture, 500, 350), COLORREF(0x00406080));
    }

    void exportBoardCommandWritesTheChosenFormat()
    {
        QVERIFY(openBytes(QStringLiteral("mixed.zbd"), hiddenAndVisibleBoard().bytes()));
        struct State : CCmdUI {
            int nEnabled = -1;
            void Enable(BOOL bOn) override { nEnabled = bOn ? 1 : 0; }
            void SetCheck(int) override {}
        } state;
        state.m_nID = ID_EXPORT_BOARD;
        QVERIFY(state.DoUpdate(mainFrame(), TRUE));
        QCOMPARE(state.nEnabled, 1);

        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushFileAnswer(IDOK, path(QStringLiteral("out.md")));
        mainFrame()->SendMessage(WM_COMMAND, ID_EXPORT_BOARD);
        QCOMPARE(AfxDialogScript::History().size(), 1);
        QCOMPARE(AfxDialogScript::History()[0].kind, AfxDialogScript::Shown::FileDialog);
        QVERIFY(!AfxDialogScript::History()[0].bOpenFileDialog);
        for (const char *ext : {"*.png", "*.canvas", "*.md", "*.txt"})
            QVERIFY(AfxDialogScript::History()[0].text.contains(QLatin1String(ext)));
        QCOMPARE(readWholeFile(path(QStringLiteral("out.md"))), BoardToMarkdown(CollectBoardNotes(*document())));
        QVERIFY(!document()->IsModified());

        AfxDialogScript::PushFileAnswer(IDOK, path(QStringLiteral("out.png")));
        mainFrame()->SendMessage(WM_COMMAND, ID_EXPORT_BOARD);
        QImage png(path(QStringLiteral("out.png")));
        QVERIFY(!png.isNull());
        QVERIFY(png.width() >= 600 && png.height() >= 400);

        // Cancel writes nothing; a name without a known format, or a folder that cannot be written, says so.
        AfxDialogScript::PushFileAnswer(IDCANCEL, path(QStringLiteral("never.txt")));
        mainFrame()->SendMessage(WM_COMMAND, ID_EXPORT_BOARD);
        QVERIFY(!QFile::exists(path(QStringLiteral("never.txt"))));
        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushFileAnswer(IDOK, path(QStringLiteral("board.doc")));
        AfxDialogScript::PushMessageBoxAnswer(IDOK);
        mainFrame()->SendMessage(WM_COMMAND, ID_EXPORT_BOARD);
        QVERIFY(!QFile::exists(path(QStringLiteral("board.doc"))));
        AfxDialogScript::PushFileAnswer(IDOK, path(QStringLiteral("missing/out.txt")));
        AfxDialogScript::PushMessageBoxAnswer(IDOK);
        mainFrame()->SendMessage(WM_COMMAND, ID_EXPORT_BOARD);
        QCOMPARE(messages().size(), 2);
        QVERIFY(messages()[0].startsWith(QStringLiteral("Unknown export format")));
        QCOMPARE(messages()[1], QStringLiteral("Failed to export board."));
        QCOMPARE(AfxDialogScript::History().last().nType, UINT(MB_OK | MB_ICONEXCLAMATION));
    }
};

ZB_TEST_MAIN(TestBoardExport)
#include "tst_boardexport.moc"
