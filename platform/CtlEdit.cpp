// The edit control: a QPlainTextEdit (ES_MULTILINE) or a QLineEdit behind the window system's edit messages.
//
// The program sees its text with CR LF line breaks and counts each break as two characters; the Qt document holds
// one separator per break. Every position crossing the boundary is converted here, in both directions.
#include "CtlImpl.h"

#include "Gdi.h"
#include "SysParams.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <optional>

const char *const AfxEditClassName = "EDIT";

namespace {

bool isBreak(QChar c)
{
    return c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

// Program text to the widget's: CR LF, a lone CR and a lone LF each become one "\n".
QString toWidgetText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            out += u'\n';
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

// The control's state and the Qt side of its messages; a child of the control's widget.
class EditCtl final : public QObject {
public:
    EditCtl(QWidget *outer, QPlainTextEdit *multi, QLineEdit *single)
        : QObject(outer), m_outer(outer), m_multi(multi), m_single(single)
    {
    }

    QWidget *m_outer;
    QPlainTextEdit *m_multi;
    QLineEdit *m_single;
    int m_quiet = 0; // programmatic WM_SETTEXT in progress: no EN_CHANGE
    int m_limit = 0;
    bool m_coloured = false;
    COLORREF m_text = 0;
    COLORREF m_base = 0;

    HWND hwnd() const { return afx::hwndFromWidget(m_outer); }

    // The widget's text with one separator character per break (multi-line) or the line's text.
    QString rawText() const { return m_multi ? m_multi->document()->toRawText() : m_single->text(); }

    QString programText() const
    {
        const QString raw = rawText();
        if (!m_multi)
            return raw;
        QString out;
        out.reserve(raw.size() + raw.size() / 16);
        for (const QChar c : raw) {
            if (isBreak(c))
                out += QLatin1String("\r\n");
            else
                out += c;
        }
        return out;
    }

    int programLength() const
    {
        const QString raw = rawText();
        if (!m_multi)
            return int(raw.size());
        return int(raw.size() + std::count_if(raw.begin(), raw.end(), isBreak));
    }

    // Widget position of a program position; a position between CR and LF goes before the break.
    int toWidgetPos(int p) const
    {
        const QString raw = rawText();
        if (!m_multi)
            return std::clamp(p, 0, int(raw.size()));
        int prog = 0;
        for (int i = 0; i < raw.size(); ++i) {
            const int width = isBreak(raw.at(i)) ? 2 : 1;
            if (prog + width > p)
                return i;
            prog += width;
        }
        return int(raw.size());
    }

    int toProgramPos(const QString &raw, int w) const
    {
        if (!m_multi)
            return w;
        w = std::clamp(w, 0, int(raw.size()));
        return w + int(std::count_if(raw.begin(), raw.begin() + w, isBreak));
    }

    void setProgramText(const QString &text)
    {
        ++m_quiet;
        if (m_multi)
            m_multi->setPlainText(toWidgetText(text));
        else
            m_single->setText(text);
        --m_quiet;
    }

    void getSel(int &start, int &end) const
    {
        int ws = 0, we = 0;
        if (m_multi) {
            const QTextCursor c = m_multi->textCursor();
            ws = c.selectionStart();
            we = c.selectionEnd();
        } else if (m_single->hasSelectedText()) {
            ws = m_single->selectionStart();
            we = ws + int(m_single->selectedText().size());
        } else {
            ws = we = m_single->cursorPosition();
        }
        const QString raw = rawText();
        start = toProgramPos(raw, ws);
        end = toProgramPos(raw, we);
    }

    void setSel(int start, int end)
    {
        if (start < 0) {
            // Start -1 only removes the selection; the caret stays.
            if (m_multi) {
                QTextCursor c = m_multi->textCursor();
                c.clearSelection();
                m_multi->setTextCursor(c);
            } else {
                m_single->deselect();
            }
            return;
        }
        const int len = programLength();
        if (end < 0)
            end = len;
        start = std::min(start, len);
        end = std::min(end, len);
        const int ws = toWidgetPos(start);
        const int we = toWidgetPos(end);
        if (m_multi) {
            // Selecting does not scroll; EM_SCROLLCARET does.
            const int h = m_multi->horizontalScrollBar()->value();
            const int v = m_multi->verticalScrollBar()->value();
            QTextCursor c = m_multi->textCursor();
            c.setPosition(ws);
            c.setPosition(we, QTextCursor::KeepAnchor);
            m_multi->setTextCursor(c);
            m_multi->horizontalScrollBar()->setValue(h);
            m_multi->verticalScrollBar()->setValue(v);
        } else if (ws == we) {
            m_single->setCursorPosition(we);
        } else {
            m_single->setSelection(ws, we - ws);
        }
    }

    void scrollCaret()
    {
        if (m_multi)
            m_multi->ensureCursorVisible();
    }

    void replaceSel(const QString &text, bool canUndo)
    {
        if (m_multi) {
            QTextDocument *doc = m_multi->document();
            QTextCursor c = m_multi->textCursor();
            // The undo history holds positions that an unrecorded edit would invalidate, so a replacement that
            // cannot be undone empties it (disabling undo clears the stack), as the window system's control does.
            if (!canUndo)
                doc->setUndoRedoEnabled(false);
            c.insertText(toWidgetText(text));
            if (!canUndo)
                doc->setUndoRedoEnabled(true);
            m_multi->setTextCursor(c);
            return;
        }
        if (canUndo) {
            m_single->insert(text);
            return;
        }
        const QString old = m_single->text();
        const int start = m_single->hasSelectedText() ? m_single->selectionStart() : m_single->cursorPosition();
        const int removed = int(m_single->selectedText().size());
        // setText empties the undo history.
        m_single->setText(old.left(start) + text + old.mid(start + removed));
        m_single->setCursorPosition(start + int(text.size()));
    }

    bool isReadOnly() const { return m_multi ? m_multi->isReadOnly() : m_single->isReadOnly(); }

    void setReadOnly(bool readOnly)
    {
        if (m_multi) {
            m_multi->setReadOnly(readOnly);
            // The read-only control still lets the keyboard move and select.
            if (readOnly)
                m_multi->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        } else {
            m_single->setReadOnly(readOnly);
        }
        m_outer->update();
    }

    void clearSelection()
    {
        if (isReadOnly())
            return;
        if (m_multi) {
            QTextCursor c = m_multi->textCursor();
            c.removeSelectedText();
            m_multi->setTextCursor(c);
        } else if (m_single->hasSelectedText()) {
            m_single->del();
        }
    }

    void paste()
    {
        if (isReadOnly())
            return;
        const QString text = QGuiApplication::clipboard()->text();
        if (m_multi)
            replaceSel(text, true);
        else
            m_single->paste();
    }

    bool canUndo() const { return m_multi ? m_multi->document()->isUndoAvailable() : m_single->isUndoAvailable(); }
    bool canRedo() const { return m_multi ? m_multi->document()->isRedoAvailable() : m_single->isRedoAvailable(); }

    bool undo()
    {
        if (!canUndo() || isReadOnly())
            return false;
        if (m_multi)
            m_multi->undo();
        else
            m_single->undo();
        return true;
    }

    void emptyUndoBuffer()
    {
        if (m_multi) {
            m_multi->document()->clearUndoRedoStacks();
            return;
        }
        // QLineEdit drops its history only when its text is set.
        const int start = m_single->selectionStart();
        const int length = int(m_single->selectedText().size());
        const int caret = m_single->cursorPosition();
        ++m_quiet;
        m_single->setText(m_single->text());
        --m_quiet;
        if (start >= 0 && length > 0)
            m_single->setSelection(caret == start ? start + length : start, caret == start ? -length : length);
        else
            m_single->setCursorPosition(caret);
    }

    void setLimit(int limit)
    {
        m_limit = std::max(0, limit);
        if (m_single)
            m_single->setMaxLength(m_limit > 0 ? m_limit : kNoLimit);
    }

    int lineCount() const { return m_multi ? std::max(1, m_multi->document()->lineCount()) : 1; }

    // Full-width character index nearest to a client point, and its line.
    int charIndexFromPos(QPoint pt, int *pLine) const
    {
        if (pLine)
            *pLine = 0;
        if (m_single)
            return m_single->cursorPositionAt(pt);
        QTextDocument *doc = m_multi->document();
        QTextCursor end(doc);
        end.movePosition(QTextCursor::End);
        QTextCursor c = (pt.y() > m_multi->cursorRect(end).bottom()) ? end : m_multi->cursorForPosition(pt);
        if (pLine) {
            const QTextBlock block = c.block();
            int inBlock = 0;
            if (const QTextLayout *layout = block.layout()) {
                const QTextLine line = layout->lineForTextPosition(c.positionInBlock());
                if (line.isValid())
                    inBlock = line.lineNumber();
            }
            *pLine = block.firstLineNumber() + inBlock;
        }
        return toProgramPos(rawText(), c.position());
    }

    // Client coordinates of a character's top-left corner; false beyond the text.
    bool posFromChar(int index, QPoint *pPoint) const
    {
        if (index < 0 || index > programLength())
            return false;
        const int w = toWidgetPos(index);
        if (m_multi) {
            QTextCursor c(m_multi->document());
            c.setPosition(w);
            *pPoint = m_multi->cursorRect(c).topLeft();
            return true;
        }
        // QLineEdit shows no positions of other characters: measure from the text's left edge (unscrolled).
        const QRect cr = m_single->contentsRect();
        *pPoint = QPoint(cr.left() + m_single->textMargins().left() + 2 +
                             m_single->fontMetrics().horizontalAdvance(m_single->text().left(w)),
                         cr.top());
        return true;
    }

    // EN_CHANGE for every change that was not a WM_SETTEXT.
    void textChanged()
    {
        if (m_quiet)
            return;
        if (m_multi && m_limit > 0) {
            const int excess = programLength() - m_limit;
            if (excess > 0) {
                // Typing beyond the limit is taken back at the caret, where it was typed.
                const QString raw = rawText();
                QTextCursor c = m_multi->textCursor();
                const int caret = c.position();
                int from = caret;
                for (int removed = 0; from > 0 && removed < excess; --from)
                    removed += isBreak(raw.at(from - 1)) ? 2 : 1;
                c.setPosition(from);
                c.setPosition(caret, QTextCursor::KeepAnchor);
                ++m_quiet;
                c.joinPreviousEditBlock();
                c.removeSelectedText();
                c.endEditBlock();
                --m_quiet;
            }
        }
        if (HWND h = hwnd())
            afx::notifyParent(h, EN_CHANGE);
    }

    // Asks the parent for the colours (WM_CTLCOLOREDIT, or WM_CTLCOLORSTATIC when read-only) and applies them.
    QColor applyParentColours()
    {
        HWND h = hwnd();
        const bool readOnly = isReadOnly();
        const COLORREF defText = GetSysColor(COLOR_WINDOWTEXT);
        const COLORREF defBack = GetSysColor(readOnly ? COLOR_3DFACE : COLOR_WINDOW);
        COLORREF text = defText;
        COLORREF back = defBack;
        if (h && IsWindow(h->parent)) {
            CDC dc;
            if (dc.CreateCompatibleDC(nullptr)) {
                dc.SetTextColor(defText);
                dc.SetBkColor(defBack);
                const LRESULT r = ::SendMessage(h->parent, readOnly ? UINT(WM_CTLCOLORSTATIC) : UINT(WM_CTLCOLOREDIT),
                                                reinterpret_cast<WPARAM>(&dc), reinterpret_cast<LPARAM>(h));
                text = dc.GetTextColor();
                back = dc.GetBkColor();
                LOGBRUSH lb{};
                if (r && ::GetObject(reinterpret_cast<HGDIOBJ>(r), int(sizeof lb), &lb) == int(sizeof lb) &&
                    lb.lbStyle == BS_SOLID)
                    back = lb.lbColor;
            }
        }
        // Only a real change touches the palette: setting it schedules another paint.
        if (!m_coloured || text != m_text || back != m_base) {
            m_coloured = true;
            m_text = text;
            m_base = back;
            QPalette pal = m_outer->palette();
            for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
                pal.setColor(g, QPalette::Text, AfxQColor(text));
                pal.setColor(g, QPalette::Base, AfxQColor(back));
            }
            m_outer->setPalette(pal);
        }
        return AfxQColor(back);
    }

    // A dialog's Enter reaches the dialog unless the multi-line control wants it.
    bool forwardsReturn(HWND h) const
    {
        return m_multi && !(h->style & ES_WANTRETURN) && IsWindow(h->parent) && afx::isDialogWindow(h->parent) &&
               h->parent->widget;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (e->type() == QEvent::Paint) {
            const QColor base = applyParentColours();
            if (m_multi && watched == m_multi->viewport()) {
                // The viewport's background was filled before this event; the new colour must show now.
                QPainter p(m_multi->viewport());
                p.fillRect(static_cast<QPaintEvent *>(e)->rect(), base);
            }
            return false;
        }
        if (e->type() == QEvent::ShortcutOverride && watched == m_outer) {
            // With nothing of its own to undo or redo, the control leaves those keys to the window's
            // accelerators, as the window system translates accelerators before the control sees the key.
            auto *ke = static_cast<QKeyEvent *>(e);
            if ((ke->matches(QKeySequence::Undo) && !canUndo()) || (ke->matches(QKeySequence::Redo) && !canRedo())) {
                ke->ignore();
                return true;
            }
            return false;
        }
        if (e->type() == QEvent::KeyPress && watched == m_outer) {
            auto *ke = static_cast<QKeyEvent *>(e);
            if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
                HWND h = hwnd();
                if (h && forwardsReturn(h)) {
                    QCoreApplication::sendEvent(h->parent->widget, e);
                    return true;
                }
            }
        }
        return false;
    }

private:
    static constexpr int kNoLimit = 0x7FFFFFFE;
};

EditCtl *editOf(HWND h)
{
    // Whoever needs the control's own state needs its widgets.
    if (IsWindow(h) && h->deferred)
        afx::ensureWidgets(h);
    return IsWindow(h) && h->widget ? static_cast<EditCtl *>(h->userData) : nullptr;
}

LRESULT copyText(const QString &text, WPARAM cchMax, LPARAM lParam)
{
    if (cchMax == 0 || !lParam)
        return 0;
    QChar *buf = reinterpret_cast<QChar *>(lParam);
    const int n = int(std::min<qsizetype>(text.size(), qsizetype(cchMax) - 1));
    std::copy(text.begin(), text.begin() + n, buf);
    buf[n] = QChar();
    return n;
}

using afx::textArg;

// The text a multi-line control made from `text` gives back: each break of any kind as CR LF. Empty when only the
// control itself can say (characters its document treats specially).
std::optional<QString> textAsControlKeeps(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    const QString widget = toWidgetText(text);
    for (const QChar c : widget) {
        if (c == u'\n' || isBreak(c)) {
            out += QLatin1String("\r\n");
            continue;
        }
        // Frame marks and the object character are structure to the document, not text.
        if (c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1 || c.unicode() == 0xFFFC)
            return std::nullopt;
        out += c;
    }
    return out;
}

// The messages a multi-line edit without widgets answers from its record; for any other of its own it gets them.
bool answeredWithoutWidgets(HWND h, UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT *pResult)
{
    switch (nMsg) {
    case WM_SETTEXT:
        h->text = textArg(lParam);
        *pResult = TRUE;
        return true;
    case WM_GETTEXTLENGTH:
    case WM_GETTEXT: {
        const std::optional<QString> text = textAsControlKeeps(h->text);
        if (!text)
            return false;
        *pResult = nMsg == WM_GETTEXT ? copyText(*text, wParam, lParam) : LRESULT(text->size());
        return true;
    }
    case EM_SETREADONLY:
        if (wParam)
            h->style |= ES_READONLY;
        else
            h->style &= ~DWORD(ES_READONLY);
        *pResult = TRUE;
        return true;
    case EM_GETSEL:
    case EM_SETSEL:
    case EM_SCROLLCARET:
    case EM_REPLACESEL:
    case EM_CHARFROMPOS:
    case EM_POSFROMCHAR:
    case EM_GETLINECOUNT:
    case WM_CLEAR:
    case WM_CUT:
    case WM_COPY:
    case WM_PASTE:
    case WM_UNDO:
    case EM_UNDO:
    case EM_CANUNDO:
    case EM_EMPTYUNDOBUFFER:
    case EM_LIMITTEXT:
        return false;
    default:
        *pResult = ::DefWindowProc(h, nMsg, wParam, lParam);
        return true;
    }
}

} // namespace

namespace afx {

LRESULT editWndProc(HWND h, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (isMouseMessage(nMsg)) {
        controlDefaultReached(h);
        return 0;
    }
    if (IsWindow(h) && h->deferred) {
        LRESULT lResult = 0;
        if (answeredWithoutWidgets(h, nMsg, wParam, lParam, &lResult))
            return lResult;
        ensureWidgets(h);
    }
    EditCtl *e = editOf(h);
    if (!e)
        return ::DefWindowProc(h, nMsg, wParam, lParam);
    switch (nMsg) {
    case WM_SETTEXT:
        e->setProgramText(textArg(lParam));
        return TRUE;
    case WM_GETTEXTLENGTH:
        return e->programLength();
    case WM_GETTEXT:
        return copyText(e->programText(), wParam, lParam);
    case EM_GETSEL: {
        int start = 0, end = 0;
        e->getSel(start, end);
        if (wParam)
            *reinterpret_cast<DWORD *>(wParam) = DWORD(start);
        if (lParam)
            *reinterpret_cast<DWORD *>(lParam) = DWORD(end);
        return (start > 0xFFFF || end > 0xFFFF) ? -1 : LRESULT(MAKELONG(start, end));
    }
    case EM_SETSEL:
        e->setSel(int(wParam), int(lParam));
        return 0;
    case EM_SCROLLCARET:
        e->scrollCaret();
        return TRUE;
    case EM_REPLACESEL:
        e->replaceSel(textArg(lParam), wParam != 0);
        return 0;
    case EM_CHARFROMPOS: {
        int line = 0;
        const int index = e->charIndexFromPos(QPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)), &line);
        return LRESULT(MAKELONG(index & 0xFFFF, line & 0xFFFF));
    }
    case EM_POSFROMCHAR: {
        QPoint pt;
        if (!e->posFromChar(int(wParam), &pt))
            return -1;
        return LRESULT(MAKELONG(pt.x(), pt.y()));
    }
    case EM_GETLINECOUNT:
        return e->lineCount();
    case WM_CLEAR:
        e->clearSelection();
        return 0;
    case WM_CUT:
        if (!e->isReadOnly()) {
            if (e->m_multi)
                e->m_multi->cut();
            else
                e->m_single->cut();
        }
        return 0;
    case WM_COPY:
        if (e->m_multi)
            e->m_multi->copy();
        else
            e->m_single->copy();
        return 0;
    case WM_PASTE:
        e->paste();
        return 0;
    case WM_UNDO:
    case EM_UNDO:
        return e->undo() ? TRUE : FALSE;
    case EM_CANUNDO:
        return e->canUndo() ? TRUE : FALSE;
    case EM_EMPTYUNDOBUFFER:
        e->emptyUndoBuffer();
        return 0;
    case EM_SETREADONLY:
        if (wParam)
            h->style |= ES_READONLY;
        else
            h->style &= ~DWORD(ES_READONLY);
        e->setReadOnly(wParam != 0);
        return TRUE;
    case EM_LIMITTEXT:
        e->setLimit(int(wParam));
        return 0;
    case WM_SYSCOLORCHANGE:
        e->m_outer->update();
        return ::DefWindowProc(h, nMsg, wParam, lParam);
    default:
        return ::DefWindowProc(h, nMsg, wParam, lParam);
    }
}

constexpr int kLongParagraph = 2048;

// Holds the caret steady while it stands in a long paragraph. Every blink repaints the caret's line, and Qt draws
// an unwrapped line whole, glyph by glyph, however little of it shows: with one long line the idle program would
// never rest. The blink timer keeps running, so blinking comes back with a short paragraph.
class SteadyCaretFilter final : public QObject {
public:
    SteadyCaretFilter(QPlainTextEdit *edit, QObject *control) : QObject(edit), m_edit(edit)
    {
        control->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        return e->type() == QEvent::Timer && m_edit->hasFocus() &&
               m_edit->textCursor().block().length() > kLongParagraph;
    }

private:
    QPlainTextEdit *m_edit;
};

// Qt's text layout throws a paragraph's shaped glyphs away after each use, so every cursor query and paint would
// shape the whole paragraph again. Long paragraphs keep theirs; short ones cost little to shape again.
void keepLongLinesShaped(QPlainTextEdit *edit)
{
    QTextDocument *doc = edit->document();
    QObject::connect(doc, &QTextDocument::contentsChange, edit, [doc](int pos, int, int added) {
        for (QTextBlock b = doc->findBlock(pos); b.isValid() && b.position() <= pos + added; b = b.next())
            if (b.length() > kLongParagraph && b.layout() && !b.layout()->cacheEnabled())
                b.layout()->setCacheEnabled(true);
    });
    for (QObject *child : edit->children())
        if (child->inherits("QWidgetTextControl"))
            new SteadyCaretFilter(edit, child);
}

namespace {

// What Qt sends a hidden widget when it first shows; sent now, while the document is still empty.
void deliverPendingResize(QWidget *w)
{
    if (!w->testAttribute(Qt::WA_PendingResizeEvent))
        return;
    QResizeEvent e(w->size(), QSize());
    QCoreApplication::sendEvent(w, &e);
    w->setAttribute(Qt::WA_PendingResizeEvent, false);
}

} // namespace

void makeEditWidgets(HWND h, QWidget *parentWidget)
{
    const DWORD style = h->style;
    QWidget *outer = nullptr;
    QWidget *client = nullptr;
    EditCtl *ctl = nullptr;
    if (style & ES_MULTILINE) {
        auto *w = new QPlainTextEdit(parentWidget);
        w->setFrameShape((style & WS_BORDER) ? QFrame::StyledPanel : QFrame::NoFrame);
        w->setFrameShadow(QFrame::Sunken);
        w->setVerticalScrollBarPolicy((style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        w->setHorizontalScrollBarPolicy((style & WS_HSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        // Without horizontal scrolling the control breaks lines at words.
        w->setLineWrapMode((style & (ES_AUTOHSCROLL | WS_HSCROLL)) ? QPlainTextEdit::NoWrap
                                                                   : QPlainTextEdit::WidgetWidth);
        w->document()->setDocumentMargin(2);
        // The window system's control takes no drops of its own; a registered drop target does.
        w->setAcceptDrops(false);
        w->viewport()->setAcceptDrops(false);
        w->viewport()->setMouseTracking(true);
        outer = w;
        client = w->viewport();
        ctl = new EditCtl(w, w, nullptr);
        keepLongLinesShaped(w);
    } else {
        auto *w = new QLineEdit(parentWidget);
        w->setFrame((style & WS_BORDER) != 0);
        w->setAcceptDrops(false);
        w->setMouseTracking(true);
        if (style & ES_CENTER)
            w->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        else if (style & ES_RIGHT)
            w->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        outer = w;
        client = w;
        ctl = new EditCtl(w, nullptr, w);
        ctl->setLimit(0);
    }
    bindWidget(h, outer, client);
    h->userData = ctl;
    if (style & ES_READONLY)
        ctl->setReadOnly(true);
    // Placed and laid out before the text goes in: each resize a hidden widget still owes lays the whole text out
    // again when it shows.
    if ((style & WS_CHILD) && ctl->m_multi) {
        outer->setGeometry(h->deferredRect);
        deliverPendingResize(outer);
        deliverPendingResize(client);
    }
    ctl->setProgramText(h->text);
    if (ctl->m_multi)
        QObject::connect(ctl->m_multi, &QPlainTextEdit::textChanged, ctl, [ctl] { ctl->textChanged(); });
    else
        QObject::connect(ctl->m_single, &QLineEdit::textChanged, ctl, [ctl] { ctl->textChanged(); });
    client->installEventFilter(ctl);
    if (client != outer)
        outer->installEventFilter(ctl);
    routeMouseThroughWindow(client);
    if (!(style & WS_VISIBLE))
        outer->hide();
}

void editSetTabMovesFocus(HWND hEdit)
{
    if (EditCtl *e = editOf(hEdit); e && e->m_multi)
        e->m_multi->setTabChangesFocus(true);
}

bool isEditWindow(HWND hWnd)
{
    return IsWindow(hWnd) && hWnd->cls && hWnd->cls->lpfnWndProc == &editWndProc;
}

int editCharIndexFromPos(HWND hEdit, QPoint pt)
{
    EditCtl *e = editOf(hEdit);
    return e ? e->charIndexFromPos(pt, nullptr) : 0;
}

} // namespace afx

// ---------------------------------------------------------------------------------------------------------------
// CEdit

IMPLEMENT_DYNAMIC(CEdit, CWnd)

BOOL CEdit::Create(DWORD dwStyle, const RECT &rect, CWnd *pParentWnd, UINT nID)
{
    AfxRegisterControlClasses();
    return CWnd::Create(QString::fromLatin1(AfxEditClassName), QString(), dwStyle, rect, pParentWnd, nID);
}

void CEdit::GetSel(int &nStartChar, int &nEndChar) const
{
    DWORD start = 0, end = 0;
    ::SendMessage(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    nStartChar = int(start);
    nEndChar = int(end);
}

DWORD CEdit::GetSel() const
{
    return DWORD(::SendMessage(m_hWnd, EM_GETSEL, 0, 0));
}

void CEdit::SetSel(int nStartChar, int nEndChar, BOOL bNoScroll)
{
    ::SendMessage(m_hWnd, EM_SETSEL, WPARAM(nStartChar), LPARAM(nEndChar));
    if (!bNoScroll)
        ::SendMessage(m_hWnd, EM_SCROLLCARET, 0, 0);
}

void CEdit::SetSel(DWORD dwSelection, BOOL bNoScroll)
{
    ::SendMessage(m_hWnd, EM_SETSEL, LOWORD(dwSelection), HIWORD(dwSelection));
    if (!bNoScroll)
        ::SendMessage(m_hWnd, EM_SCROLLCARET, 0, 0);
}

void CEdit::ReplaceSel(const QString &text, BOOL bCanUndo)
{
    ::SendMessage(m_hWnd, EM_REPLACESEL, WPARAM(bCanUndo), reinterpret_cast<LPARAM>(text.utf16()));
}

int CEdit::CharFromPos(CPoint pt) const
{
    return int(::SendMessage(m_hWnd, EM_CHARFROMPOS, 0, MAKELPARAM(pt.x, pt.y)));
}

int CEdit::CharIndexFromPos(CPoint pt) const
{
    return afx::editCharIndexFromPos(m_hWnd, pt.toQPoint());
}

CPoint CEdit::PosFromChar(UINT nChar) const
{
    const LRESULT r = ::SendMessage(m_hWnd, EM_POSFROMCHAR, WPARAM(nChar), 0);
    if (r == -1)
        return CPoint(-1, -1);
    return CPoint(short(LOWORD(std::uintptr_t(r))), short(HIWORD(std::uintptr_t(r))));
}

int CEdit::GetLineCount() const
{
    return int(::SendMessage(m_hWnd, EM_GETLINECOUNT, 0, 0));
}
void CEdit::Clear()
{
    ::SendMessage(m_hWnd, WM_CLEAR, 0, 0);
}
BOOL CEdit::Undo()
{
    return BOOL(::SendMessage(m_hWnd, EM_UNDO, 0, 0));
}
BOOL CEdit::CanUndo() const
{
    return BOOL(::SendMessage(m_hWnd, EM_CANUNDO, 0, 0));
}

QPlainTextEdit *CEdit::GetPlainTextEdit() const
{
    return qobject_cast<QPlainTextEdit *>(GetWidget());
}
