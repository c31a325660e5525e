#include "CommandLine.h"

#include "MainFrm.h"
#include "zent.h"

#include "board/BoardExport.h"
#include "board/zentDoc.h"
#include "platform/AppResources.h"
#include "platform/CommonDialogs.h"
#include "res/resource.h"
#include "view/zentView.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include <algorithm>
#include <cstdio>

namespace {

const char kUsage[] =
    "Usage: zentbase [BOARD.zbd]\n"
    "       zentbase --export OUT [--scale N] BOARD.zbd\n"
    "       zentbase --import IN.canvas OUT.zbd\n"
    "\n"
    "Zentbase keeps one board of sticky notes over a background. Without options it opens BOARD.zbd, or a new\n"
    "board.\n"
    "\n"
    "Options:\n"
    "  -h, --help           Show this help and exit.\n"
    "  -v, --version        Show the version and exit.\n"
    "  --export OUT         Write BOARD.zbd to OUT without opening a window. OUT's extension names the\n"
    "                       format: .png (the board as painted), .canvas (JSON Canvas), .md (Markdown) or\n"
    "                       .txt (plain text).\n"
    "  --scale N            Pixels per board pixel of a .png export, 1 to 4 (default 1).\n"
    "  --import IN.canvas   Make the board OUT.zbd from the JSON Canvas file IN.canvas.\n"
    "\n"
    "Exit status: 0 on success, 1 when an export or import fails, 2 for a wrong command line.\n";

void printError(const QString &file, const QString &text)
{
    const QString line = file.isEmpty() ? QStringLiteral("zentbase: %1\n").arg(text)
                                        : QStringLiteral("zentbase: %1: %2\n").arg(file, text);
    std::fputs(line.toLocal8Bit().constData(), stderr);
}

// Message boxes do not show without a window: what they said goes to standard error.
void reportMessages(const QString &file)
{
    for (const AfxDialogScript::Shown &s : AfxDialogScript::History())
        if (s.kind == AfxDialogScript::Shown::MessageBox)
            printError(file, s.text);
    AfxDialogScript::ClearHistory();
}

// Without a display the window system's notices (size hints, runtime folder) mean nothing to the user.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", msg.toLocal8Bit().constData());
}

void settle()
{
    for (int i = 0; i < 5; ++i) {
        AfxPumpPostedMessages();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// The board's frame, view and an empty document, as the program makes them, but neither shown nor registered
// with the desktop, and without touching the recent-file list.
CZentDoc *makeHiddenBoard()
{
    CZentApp &theApp = ZentApp();
    if (theApp.m_pszAppName.isEmpty())
        theApp.m_pszAppName = AfxLoadString(AFX_IDS_APP_TITLE);
    QCoreApplication::setApplicationName(theApp.m_pszAppName);
    AfxDialogScript::SetScripted(true);
    AfxDialogScript::ClearHistory();
    auto *pTemplate = new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CZentDoc), RUNTIME_CLASS(CMainFrame),
                                             RUNTIME_CLASS(CZentView));
    theApp.AddDocTemplate(pTemplate);
    CDocument *pDoc = pTemplate->OpenDocumentFile(QString(), FALSE);
    settle();
    return dynamic_cast<CZentDoc *>(pDoc);
}

// Notes paint their frames only where the board shows them, so the board is made as large as the picture.
void showWholeBoard(CZentDoc &doc)
{
    CWnd *pMain = AfxGetMainWnd();
    CZentView *pView = GetBoardView();
    if (!pMain || !pView || !pMain->GetWidget() || !pView->GetClientWidget())
        return;
    const CRect rc = BoardPictureRect(CollectBoardNotes(doc));
    const QSize want(std::clamp<int>(rc.right, 1, 32767), std::clamp<int>(rc.bottom, 1, 32767));
    pMain->ShowWindow(SW_SHOW);
    QWidget *pTop = pMain->GetWidget();
    QWidget *pBoard = pView->GetClientWidget();
    for (int i = 0; i < 3 && (pBoard->width() < want.width() || pBoard->height() < want.height()); ++i) {
        pTop->resize(pTop->size() + (want - pBoard->size()).expandedTo(QSize(0, 0)));
        settle();
    }
}

int runExport(CZentDoc &doc, const CZentCommandLine &cmd)
{
    if (!doc.OnOpenDocument(cmd.m_strBoard)) {
        reportMessages(cmd.m_strBoard);
        return 1;
    }
    reportMessages(cmd.m_strBoard); // a missing picture is reported, and the board goes out without it
    settle();
    if (BoardExportFormatFor(cmd.m_strOutput) == BoardExportFormat::Png)
        showWholeBoard(doc);
    QString strError;
    if (!ExportBoard(doc, cmd.m_strOutput, cmd.m_nScale, strError)) {
        printError(cmd.m_strOutput, strError);
        return 1;
    }
    return 0;
}

int runImport(CZentDoc &doc, const CZentCommandLine &cmd)
{
    QFile in(cmd.m_strInput);
    if (!QFileInfo(cmd.m_strInput).isFile() || !in.open(QIODevice::ReadOnly)) {
        printError(cmd.m_strInput, QStringLiteral("Failed to open document."));
        return 1;
    }
    CCanvasImport canvas;
    if (!CanvasToBoard(in.readAll(), canvas)) {
        printError(cmd.m_strInput, QStringLiteral("Unexpected file format."));
        return 1;
    }
    if (canvas.nSkippedNodes || canvas.nSkippedEdges)
        printError(cmd.m_strInput, QStringLiteral("skipped %1 node(s) that are not text and %2 edge(s)")
                                       .arg(canvas.nSkippedNodes)
                                       .arg(canvas.nSkippedEdges));
    PutCanvasOnBoard(doc, canvas.notes);
    settle();
    if (!doc.OnSaveDocument(cmd.m_strOutput)) {
        reportMessages(cmd.m_strOutput);
        return 1;
    }
    return 0;
}

} // namespace

CZentCommandLine ZentParseCommandLine(const QStringList &args)
{
    CZentCommandLine cmd;
    cmd.m_strUsage = QString::fromLatin1(kUsage);
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    const QCommandLineOption exportTo(QStringLiteral("export"), QString(), QStringLiteral("OUT"));
    const QCommandLineOption scale(QStringLiteral("scale"), QString(), QStringLiteral("N"));
    const QCommandLineOption importFrom(QStringLiteral("import"), QString(), QStringLiteral("IN"));
    parser.addOptions({help, version, exportTo, scale, importFrom});
    parser.addPositionalArgument(QStringLiteral("board"), QString());

    auto usageError = [&cmd](const QString &text) {
        cmd.m_action = CZentCommandLine::UsageError;
        cmd.m_strError = text;
        return cmd;
    };
    if (!parser.parse(args))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        cmd.m_action = CZentCommandLine::Help;
        return cmd;
    }
    if (parser.isSet(version)) {
        cmd.m_action = CZentCommandLine::Version;
        return cmd;
    }
    const QStringList files = parser.positionalArguments();
    for (const QCommandLineOption *o : {&exportTo, &scale, &importFrom})
        if (parser.values(*o).size() > 1)
            return usageError(QStringLiteral("--%1 given more than once.").arg(o->names().constFirst()));
    if (parser.isSet(exportTo) && parser.isSet(importFrom))
        return usageError(QStringLiteral("--export and --import cannot be used together."));
    if (parser.isSet(scale)) {
        if (!parser.isSet(exportTo))
            return usageError(QStringLiteral("--scale needs --export."));
        bool ok = false;
        cmd.m_nScale = parser.value(scale).toInt(&ok);
        if (!ok || cmd.m_nScale < 1 || cmd.m_nScale > 4)
            return usageError(QStringLiteral("--scale takes a whole number from 1 to 4."));
    }
    if (parser.isSet(exportTo)) {
        if (files.size() != 1)
            return usageError(QStringLiteral("--export needs exactly one board file."));
        cmd.m_strOutput = parser.value(exportTo);
        if (BoardExportFormatFor(cmd.m_strOutput) == BoardExportFormat::Unknown)
            return usageError(
                QStringLiteral("Unknown export format of '%1': use .png, .canvas, .md or .txt.").arg(cmd.m_strOutput));
        cmd.m_strBoard = files.constFirst();
        cmd.m_action = CZentCommandLine::Export;
        return cmd;
    }
    if (parser.isSet(importFrom)) {
        if (files.size() != 1)
            return usageError(QStringLiteral("--import needs exactly one board file to write."));
        cmd.m_strInput = parser.value(importFrom);
        cmd.m_strOutput = files.constFirst();
        cmd.m_action = CZentCommandLine::Import;
        return cmd;
    }
    // As always: the first file named is opened.
    if (!files.isEmpty())
        cmd.m_strBoard = files.constFirst();
    return cmd;
}

int ZentRunBoardTool(int argc, char *argv[], const CZentCommandLine &cmd)
{
    // Never a display: the board is made and painted off screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QtMessageHandler previous = qInstallMessageHandler(quietMessages);
    int rc = 1;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        if (CZentDoc *pDoc = makeHiddenBoard()) {
            rc = cmd.m_action == CZentCommandLine::Import ? runImport(*pDoc, cmd) : runExport(*pDoc, cmd);
        } else {
            reportMessages(QString());
            printError(QString(), QStringLiteral("Failed to create the board."));
        }
        AfxEndApp();
        AfxDialogScript::SetScripted(false);
    }
    qInstallMessageHandler(previous);
    return rc;
}

int ZentMain(int argc, char *argv[])
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const CZentCommandLine cmd = ZentParseCommandLine(args);
    switch (cmd.m_action) {
    case CZentCommandLine::Help:
        std::fputs(kUsage, stdout);
        return 0;
    case CZentCommandLine::Version:
        std::fputs("zentbase 1.0\n", stdout);
        return 0;
    case CZentCommandLine::UsageError:
        printError(QString(), cmd.m_strError);
        std::fputs(kUsage, stderr);
        return 2;
    case CZentCommandLine::Export:
    case CZentCommandLine::Import:
        return ZentRunBoardTool(argc, argv, cmd);
    case CZentCommandLine::Run:
        break;
    }
    ZentApp();
    return AfxWinMain(argc, argv);
}
