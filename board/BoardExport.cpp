#include "BoardExport.h"

#include "zentDoc.h"

#include "notes/PaperEdit.h"
#include "notes/PaperFrame.h"
#include "view/Texture.h"
#include "view/zentView.h"

#include <QApplication>
#include <QBuffer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QSaveFile>
#include <QSet>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace {

// Room around the stored notes inside their group, and between the board and the group.
constexpr qint64 kGroupPadding = 40;
constexpr qint64 kGroupGap = 100;
// A picture larger than this would take more memory than a desktop program should ask for.
constexpr qint64 kMaxPictureSide = 32767;
constexpr qint64 kMaxPicturePixels = qint64(64) * 1024 * 1024;

const QString kStorageLabel = QStringLiteral("Storage");
// How far the stored notes were moved to lie inside their group, so that a canvas we wrote comes back exactly.
const QString kShiftX = QStringLiteral("zentbaseShiftX");
const QString kShiftY = QStringLiteral("zentbaseShiftY");

QString plainLineBreaks(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

QString controlLineBreaks(const QString &text)
{
    return plainLineBreaks(text).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

QString hexColour(COLORREF clr)
{
    return QStringLiteral("#%1%2%3")
        .arg(GetRValue(clr), 2, 16, QLatin1Char('0'))
        .arg(GetGValue(clr), 2, 16, QLatin1Char('0'))
        .arg(GetBValue(clr), 2, 16, QLatin1Char('0'))
        .toUpper();
}

// JSON Canvas colours: the six presets, "#RRGGBB" and "#RGB". Anything else keeps the note's default.
COLORREF canvasColour(const QJsonValue &value, COLORREF clrDefault)
{
    const QString s = value.toString().trimmed();
    static const COLORREF presets[] = {RGB(255, 0, 0), RGB(255, 165, 0), RGB(255, 255, 0),
                                       RGB(0, 160, 0), RGB(0, 255, 255), RGB(128, 0, 128)};
    if (s.size() == 1 && s[0] >= QLatin1Char('1') && s[0] <= QLatin1Char('6'))
        return presets[s[0].unicode() - '1'];
    if (!s.startsWith(QLatin1Char('#')))
        return clrDefault;
    QString hex = s.mid(1);
    if (hex.size() == 3)
        hex = QString(hex[0]) + hex[0] + hex[1] + hex[1] + hex[2] + hex[2];
    bool ok = false;
    const uint rgb = hex.toUInt(&ok, 16);
    if (hex.size() != 6 || !ok)
        return clrDefault;
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// A coordinate from a canvas, which may hold any number.
bool canvasNumber(const QJsonObject &node, const QString &key, qint64 &value)
{
    const QJsonValue v = node.value(key);
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    if (!std::isfinite(d))
        return false;
    value = std::llround(std::clamp(d, -4.0e15, 4.0e15));
    return true;
}

LONG boardCoordinate(qint64 v)
{
    return LONG(std::clamp<qint64>(v, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

QString markdownOrText(const QList<CBoardNote> &notes, bool bMarkdown)
{
    QString out;
    auto section = [&](const CBoardNote &n) {
        out += (bMarkdown ? QStringLiteral("## ") : QString()) + n.m_strCaption + QLatin1Char('\n');
        const QString text = plainLineBreaks(n.m_strText);
        out += QLatin1Char('\n');
        if (!text.isEmpty()) {
            out += text;
            if (!text.endsWith(QLatin1Char('\n')))
                out += QLatin1Char('\n');
            out += QLatin1Char('\n');
        }
    };
    for (const CBoardNote &n : notes)
        if (!n.m_bHidden)
            section(n);
    const bool bStored = std::any_of(notes.begin(), notes.end(), [](const CBoardNote &n) { return n.m_bHidden; });
    if (bStored) {
        out += (bMarkdown ? QStringLiteral("# ") : QString()) + kStorageLabel + QStringLiteral("\n\n");
        for (const CBoardNote &n : notes)
            if (n.m_bHidden)
                section(n);
    }
    return out;
}

} // namespace

BoardExportFormat BoardExportFormatFor(const QString &path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("png"))
        return BoardExportFormat::Png;
    if (ext == QLatin1String("canvas"))
        return BoardExportFormat::Canvas;
    if (ext == QLatin1String("md"))
        return BoardExportFormat::Markdown;
    if (ext == QLatin1String("txt"))
        return BoardExportFormat::Text;
    return BoardExportFormat::Unknown;
}

QList<CBoardNote> CollectBoardNotes(CZentDoc &doc)
{
    QList<CBoardNote> notes;
    notes.reserve(doc.m_nPapers);
    POSITION pos = doc.m_papers.GetHeadPosition();
    while (pos) {
        CPaperFrame *pPaper = doc.m_papers.GetNext(pos);
        CBoardNote n;
        n.m_rect = pPaper->m_rect;
        n.m_bHidden = pPaper->m_bHidden;
        n.m_strCaption = pPaper->m_strCaption;
        n.m_clrCaption = pPaper->m_clrCaption;
        if (pPaper->m_pEdit)
            pPaper->m_pEdit->GetWindowText(n.m_strText);
        notes.append(n);
    }
    return notes;
}

QByteArray BoardToCanvas(const QList<CBoardNote> &notes)
{
    // The stored notes keep their layout, moved as one to the right of everything on the board.
    qint64 nRight = 600;
    qint64 sLeft = std::numeric_limits<qint64>::max(), sTop = sLeft;
    qint64 sRight = std::numeric_limits<qint64>::min(), sBottom = sRight;
    bool bStored = false;
    for (const CBoardNote &n : notes) {
        if (!n.m_bHidden) {
            nRight = std::max({nRight, qint64(n.m_rect.left), qint64(n.m_rect.right)});
            continue;
        }
        bStored = true;
        sLeft = std::min({sLeft, qint64(n.m_rect.left), qint64(n.m_rect.right)});
        sRight = std::max({sRight, qint64(n.m_rect.left), qint64(n.m_rect.right)});
        sTop = std::min({sTop, qint64(n.m_rect.top), qint64(n.m_rect.bottom)});
        sBottom = std::max({sBottom, qint64(n.m_rect.top), qint64(n.m_rect.bottom)});
    }

    QJsonArray nodes;
    qint64 nShiftX = 0;
    if (bStored) {
        const qint64 gx = nRight + kGroupGap;
        nShiftX = gx + kGroupPadding - sLeft;
        QJsonObject group;
        group.insert(QStringLiteral("id"), QStringLiteral("storage"));
        group.insert(QStringLiteral("type"), QStringLiteral("group"));
        group.insert(QStringLiteral("label"), kStorageLabel);
        group.insert(QStringLiteral("x"), gx);
        group.insert(QStringLiteral("y"), sTop - kGroupPadding);
        group.insert(QStringLiteral("width"), sRight - sLeft + 2 * kGroupPadding);
        group.insert(QStringLiteral("height"), sBottom - sTop + 2 * kGroupPadding);
        group.insert(kShiftX, nShiftX);
        group.insert(kShiftY, 0);
        nodes.append(group); // first, so that it lies under its notes
    }
    int nIndex = 0;
    for (const CBoardNote &n : notes) {
        const qint64 dx = n.m_bHidden ? nShiftX : 0;
        QJsonObject node;
        node.insert(QStringLiteral("id"), QStringLiteral("note%1").arg(++nIndex));
        node.insert(QStringLiteral("type"), QStringLiteral("text"));
        node.insert(QStringLiteral("x"), qint64(n.m_rect.left) + dx);
        node.insert(QStringLiteral("y"), qint64(n.m_rect.top));
        node.insert(QStringLiteral("width"), qint64(n.m_rect.right) - n.m_rect.left);
        node.insert(QStringLiteral("height"), qint64(n.m_rect.bottom) - n.m_rect.top);
        node.insert(QStringLiteral("color"), hexColour(n.m_clrCaption));
        node.insert(QStringLiteral("text"),
                    QStringLiteral("# ") + n.m_strCaption + QStringLiteral("\n\n") + plainLineBreaks(n.m_strText));
        nodes.append(node);
    }
    QJsonObject canvas;
    canvas.insert(QStringLiteral("nodes"), nodes);
    canvas.insert(QStringLiteral("edges"), QJsonArray());
    return QJsonDocument(canvas).toJson(QJsonDocument::Indented);
}

QByteArray BoardToMarkdown(const QList<CBoardNote> &notes)
{
    return markdownOrText(notes, true).toUtf8();
}

QByteArray BoardToText(const QList<CBoardNote> &notes)
{
    return markdownOrText(notes, false).toUtf8();
}

BOOL CanvasToBoard(const QByteArray &json, CCanvasImport &result)
{
    result = CCanvasImport();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return FALSE;
    const QJsonObject canvas = doc.object();
    const QJsonValue nodesValue = canvas.value(QStringLiteral("nodes"));
    const QJsonValue edgesValue = canvas.value(QStringLiteral("edges"));
    if ((!nodesValue.isUndefined() && !nodesValue.isArray()) || (!edgesValue.isUndefined() && !edgesValue.isArray()))
        return FALSE;
    const QJsonArray nodes = nodesValue.toArray();

    struct Box {
        qint64 x, y, w, h;
        bool Contains(qint64 cx2, qint64 cy2) const // doubled centre, so halves stay exact
        {
            return cx2 >= 2 * x && cx2 <= 2 * (x + w) && cy2 >= 2 * y && cy2 <= 2 * (y + h);
        }
    };
    auto readBox = [](const QJsonObject &node, Box &box) {
        return canvasNumber(node, QStringLiteral("x"), box.x) && canvasNumber(node, QStringLiteral("y"), box.y) &&
               canvasNumber(node, QStringLiteral("width"), box.w) &&
               canvasNumber(node, QStringLiteral("height"), box.h);
    };
    struct StorageGroup {
        Box box;
        qint64 dx, dy;
    };
    QList<StorageGroup> storage;
    for (const QJsonValue &v : nodes) {
        if (!v.isObject())
            return FALSE;
        const QJsonObject node = v.toObject();
        if (node.value(QStringLiteral("type")).toString() != QLatin1String("group") ||
            node.value(QStringLiteral("label")).toString().trimmed() != kStorageLabel)
            continue;
        StorageGroup g;
        if (!readBox(node, g.box))
            return FALSE;
        g.dx = g.dy = 0;
        canvasNumber(node, kShiftX, g.dx);
        canvasNumber(node, kShiftY, g.dy);
        storage.append(g);
    }

    for (const QJsonValue &v : nodes) {
        const QJsonObject node = v.toObject();
        const QString type = node.value(QStringLiteral("type")).toString();
        if (type == QLatin1String("group") && node.value(QStringLiteral("label")).toString().trimmed() == kStorageLabel)
            continue;
        if (type != QLatin1String("text")) {
            ++result.nSkippedNodes;
            continue;
        }
        Box box;
        if (!readBox(node, box))
            return FALSE;
        CBoardNote n;
        qint64 dx = 0, dy = 0;
        for (const StorageGroup &g : storage) {
            if (g.box.Contains(2 * box.x + box.w, 2 * box.y + box.h)) {
                n.m_bHidden = true;
                dx = g.dx;
                dy = g.dy;
                break;
            }
        }
        n.m_rect.SetRect(boardCoordinate(box.x - dx), boardCoordinate(box.y - dy), boardCoordinate(box.x - dx + box.w),
                         boardCoordinate(box.y - dy + box.h));
        n.m_clrCaption = canvasColour(node.value(QStringLiteral("color")), n.m_clrCaption);
        QString text = plainLineBreaks(node.value(QStringLiteral("text")).toString());
        const qsizetype nEnd = text.indexOf(QLatin1Char('\n'));
        const QString first = nEnd < 0 ? text : text.left(nEnd);
        if (first.startsWith(QStringLiteral("# ")) || first == QLatin1String("#")) {
            n.m_strCaption = first.mid(2);
            text = nEnd < 0 ? QString() : text.mid(nEnd + 1);
            if (text.startsWith(QLatin1Char('\n')))
                text.remove(0, 1);
        }
        n.m_strText = controlLineBreaks(text);
        result.notes.append(n);
    }
    result.nSkippedEdges = int(edgesValue.toArray().size());
    return TRUE;
}

void PutNotesOnBoard(CZentDoc &doc, const QList<CBoardNote> &notes)
{
    // Each note goes to the head of the list, so the last one is made first.
    for (auto it = notes.crbegin(); it != notes.crend(); ++it) {
        CRect rect = it->m_rect;
        const int nBefore = doc.m_nPapers;
        doc.AddPaper(rect, false);
        if (doc.m_nPapers == nBefore)
            return; // no board view to put notes on
        CPaperFrame *pPaper = doc.m_papers.GetHead();
        pPaper->m_bHidden = true;
        pPaper->m_pEdit->SetWindowText(it->m_strText);
        pPaper->m_strCaption = it->m_strCaption;
        pPaper->SetWindowText(it->m_strCaption);
        pPaper->m_clrCaption = it->m_clrCaption;
        pPaper->RefreshCaptionBackground();
        if (!it->m_bHidden)
            if (CZentView *pView = GetBoardView())
                pView->SendMessage(WM_PAPER_SHOW, reinterpret_cast<WPARAM>(pPaper), 0);
    }
    doc.UpdateAllViews(nullptr, 0, nullptr);
}

void PutCanvasOnBoard(CZentDoc &doc, const QList<CBoardNote> &notes)
{
    QList<CBoardNote> reversed(notes.crbegin(), notes.crend());
    PutNotesOnBoard(doc, reversed);
}

CRect BoardPictureRect(const QList<CBoardNote> &notes)
{
    CRect rc(0, 0, 600, 400);
    for (const CBoardNote &n : notes) {
        if (n.m_bHidden)
            continue;
        CRect r = n.m_rect;
        r.NormalizeRect();
        rc.left = std::min(rc.left, r.left);
        rc.top = std::min(rc.top, r.top);
        rc.right = std::max(rc.right, r.right);
        rc.bottom = std::max(rc.bottom, r.bottom);
    }
    return rc;
}

QImage PaintBoardPicture(CZentDoc &doc, int nScale)
{
    nScale = std::clamp(nScale, 1, 4);
    const CRect rc = BoardPictureRect(CollectBoardNotes(doc));
    const qint64 w = qint64(rc.right) - rc.left, h = qint64(rc.bottom) - rc.top;
    if (w * nScale > kMaxPictureSide || h * nScale > kMaxPictureSide || w * h * nScale * nScale > kMaxPicturePixels)
        return QImage();

    // What lies under the notes, painted as the view paints it, with the picture's part of the board as the view.
    QImage board(int(w), int(h), QImage::Format_RGB32);
    board.fill(Qt::white);
    {
        CDC dc;
        dc.Attach(AfxCreateDeviceDC(&board, QRegion(), QPoint(-rc.left, -rc.top)));
        if (doc.m_bPureColour && !doc.m_bTexture) {
            CBrush brush(doc.m_crBackground);
            dc.FillRect(&rc, &brush);
        }
        if (doc.m_bTexture && doc.m_hTexture)
            PaintTexture(&dc, rc, doc.m_hTexture, doc.m_hTexturePalette, doc.m_nTextureWidth, doc.m_nTextureHeight);
        if (doc.m_bPicture)
            doc.m_picture.Draw(&dc, doc.m_nPictureLeft, doc.m_nPictureTop, doc.m_nPictureWidth, doc.m_nPictureHeight);
        doc.m_icons.Draw(&dc, 0, doc.m_ptTrash, ILD_NORMAL);
        doc.m_icons.Draw(&dc, 1, doc.m_ptStorage, ILD_NORMAL);
        AfxDeleteDeviceDC(dc.Detach());
    }

    QImage picture(int(w) * nScale, int(h) * nScale, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.drawImage(QRect(0, 0, picture.width(), picture.height()), board);
    painter.scale(nScale, nScale);

    // The notes paint themselves, bottom to top as they lie on the board.
    CZentView *pView = GetBoardView();
    QWidget *pBoard = pView ? pView->GetClientWidget() : nullptr;
    if (pBoard) {
        // A picture has no caret: the note being typed in gives up the focus while it is painted.
        QWidget *pFocus = QApplication::focusWidget();
        const bool bFocusOnBoard = pFocus && pBoard->isAncestorOf(pFocus);
        if (bFocusOnBoard)
            pFocus->clearFocus();
        // The board's client area in one pass, its children stacked as they show.
        CRect rcClient;
        pView->GetClientRect(&rcClient);
        const QRect client(rcClient.left, rcClient.top, rcClient.Width(), rcClient.Height());
        const QPoint origin(rc.left, rc.top);
        AfxRenderChildWindows(pView->GetSafeHwnd(), &painter, -origin, QRegion(client));
        // Then what notes show beyond it, bottom to top; only notes that reach out there can cover it.
        POSITION pos = doc.m_papers.GetHeadPosition();
        QSet<QWidget *> shown;
        while (pos) {
            CPaperFrame *pPaper = doc.m_papers.GetNext(pos);
            // Only notes that reach beyond the board need their widgets here; the rest painted with the board.
            const CRect &rcNote = pPaper->m_rect;
            if (pPaper->m_bHidden || client.contains(QRect(rcNote.left, rcNote.top, rcNote.Width(), rcNote.Height())))
                continue;
            if (QWidget *pWidget = pPaper->GetWidget())
                shown.insert(pWidget);
        }
        // Many notes lie in container widgets of the board: what is not a note is looked into, in stacking order.
        const std::function<void(QWidget *)> paintOutside = [&](QWidget *pParent) {
            for (QObject *child : pParent->children()) {
                auto *pWidget = qobject_cast<QWidget *>(child);
                if (!pWidget || pWidget->isHidden() || pWidget->isWindow())
                    continue;
                if (!shown.contains(pWidget)) {
                    paintOutside(pWidget);
                    continue;
                }
                const QPoint ptAt = pWidget->mapTo(pBoard, QPoint(0, 0));
                if (client.contains(QRect(ptAt, pWidget->size())))
                    continue;
                const QRegion outside = QRegion(pWidget->rect()) - QRegion(client.translated(-ptAt));
                // Qt places the region's top left at the offset given.
                pWidget->render(&painter, ptAt - origin + outside.boundingRect().topLeft(), outside,
                                QWidget::DrawWindowBackground | QWidget::DrawChildren);
            }
        };
        paintOutside(pBoard);
        if (bFocusOnBoard)
            pFocus->setFocus();
    }
    painter.end();
    return picture;
}

BOOL ExportBoard(CZentDoc &doc, const QString &path, int nScale, QString &strError)
{
    QByteArray content;
    switch (BoardExportFormatFor(path)) {
    case BoardExportFormat::Png: {
        const QImage picture = PaintBoardPicture(doc, nScale);
        if (picture.isNull()) {
            strError = QStringLiteral("The board is too large for a picture.");
            return FALSE;
        }
        QBuffer buffer(&content);
        buffer.open(QIODevice::WriteOnly);
        if (!picture.save(&buffer, "PNG")) {
            strError = QStringLiteral("Failed to export board.");
            return FALSE;
        }
        break;
    }
    case BoardExportFormat::Canvas:
        content = BoardToCanvas(CollectBoardNotes(doc));
        break;
    case BoardExportFormat::Markdown:
        content = BoardToMarkdown(CollectBoardNotes(doc));
        break;
    case BoardExportFormat::Text:
        content = BoardToText(CollectBoardNotes(doc));
        break;
    case BoardExportFormat::Unknown:
        strError = QStringLiteral("Unknown export format: use .png, .canvas, .md or .txt.");
        return FALSE;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        file.cancelWriting();
        strError = QStringLiteral("Failed to export board.");
        return FALSE;
    }
    return TRUE;
}
