// A board leaves the program as a picture, a JSON Canvas, Markdown or plain text, and comes back from a canvas.
#pragma once

#include "platform/Gdi.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

class CZentDoc;

// What a note is made of, as the file keeps it.
struct CBoardNote {
    CRect m_rect;
    bool m_bHidden = false;
    CString m_strCaption;
    COLORREF m_clrCaption = RGB(255, 0, 0);
    CString m_strText; // line breaks as the text control holds them (CR LF)
};

enum class BoardExportFormat { Unknown, Png, Canvas, Markdown, Text };

// The format named by a file's extension (case does not matter).
BoardExportFormat BoardExportFormatFor(const QString &path);

// Every note of the board in list order (the head first).
QList<CBoardNote> CollectBoardNotes(CZentDoc &doc);

QByteArray BoardToCanvas(const QList<CBoardNote> &notes);
QByteArray BoardToMarkdown(const QList<CBoardNote> &notes);
QByteArray BoardToText(const QList<CBoardNote> &notes);

struct CCanvasImport {
    QList<CBoardNote> notes; // in the canvas's order, which becomes the list order
    int nSkippedNodes = 0;   // nodes of other types
    int nSkippedEdges = 0;
};
// Reads a JSON Canvas; FALSE when it is not one.
BOOL CanvasToBoard(const QByteArray &json, CCanvasImport &result);

// Adds these notes to the board, the first at the head of the list; notes on the board are shown.
void PutNotesOnBoard(CZentDoc &doc, const QList<CBoardNote> &notes);
// Adds a canvas's notes (in list order) so that the board, saved and opened again, lists them in that order: every
// load turns the order of the file's records around, so they go on the board the other way round.
void PutCanvasOnBoard(CZentDoc &doc, const QList<CBoardNote> &notes);

// The part of the board a picture shows: the view rectangle (0, 0, 600, 400) and every note on the board.
CRect BoardPictureRect(const QList<CBoardNote> &notes);
// The board painted as the program paints it, cropped to BoardPictureRect, nScale pixels per board pixel (1 to
// 4). A null image when the picture would be too large.
QImage PaintBoardPicture(CZentDoc &doc, int nScale);

// Writes the board to path in the format its extension names, replacing the file only when all of it was
// written. FALSE with a message for the user when it cannot be done.
BOOL ExportBoard(CZentDoc &doc, const QString &path, int nScale, QString &strError);
