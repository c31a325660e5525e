// The standard control classes: registration, mouse routing through the window procedure, and the list box,
// button and static controls (the edit control is in CtlEdit.cpp).
#include "CtlImpl.h"

#include "Gdi.h"
#include "Resources.h"
#include "SysParams.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

const char *const AfxListBoxClassName = "LISTBOX";
const char *const AfxButtonClassName = "BUTTON";
const char *const AfxStaticClassName = "STATIC";

namespace {

// Sends the mouse input of a control's widget to the control first (see afx::routeMouseThroughWindow).
class MouseRouter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            break;
        default:
            return false;
        }
        HWND h = afx::hwndFromWidget(static_cast<QWidget *>(watched));
        if (!h || h->destroying)
            return false;
        auto *me = static_cast<QMouseEvent *>(e);
        UINT nMsg = WM_NULL;
        if (e->type() == QEvent::MouseMove) {
            nMsg = WM_MOUSEMOVE;
        } else if (me->button() == Qt::LeftButton) {
            nMsg = e->type() == QEvent::MouseButtonPress     ? WM_LBUTTONDOWN
                   : e->type() == QEvent::MouseButtonRelease ? WM_LBUTTONUP
                                                             : WM_LBUTTONDBLCLK;
        } else if (me->button() == Qt::RightButton) {
            nMsg = e->type() == QEvent::MouseButtonRelease ? WM_RBUTTONUP : WM_RBUTTONDOWN;
        }
        if (nMsg == WM_NULL)
            return false;
        if (nMsg == WM_LBUTTONDOWN || nMsg == WM_LBUTTONDBLCLK || nMsg == WM_RBUTTONDOWN) {
            // A click activates the frame the control sits in before the control sees it.
            ::SendMessage(h, WM_MOUSEACTIVATE, 0, MAKELPARAM(HTCLIENT, int(nMsg)));
            if (!IsWindow(h))
                return true;
        }
        const QPoint global = me->globalPosition().toPoint();
        const QPoint local = me->position().toPoint();
        AfxGetThreadState()->m_lastSentMsg.pt = POINT{global.x(), global.y()};
        h->defaultReached = false;
        ::SendMessage(h, nMsg, afx::keyStateFromQt(me->buttons(), me->modifiers()), MAKELPARAM(local.x(), local.y()));
        if (!IsWindow(h))
            return true;
        const bool reached = h->defaultReached;
        h->defaultReached = false;
        return !reached;
    }
};

using afx::textArg;

// "&&" shows "&", "&x" shows "x".
QString stripMnemonics(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&' && i + 1 < text.size())
            ++i;
        out += text.at(i);
    }
    return out;
}

// A widget created for a window without WS_VISIBLE must stay hidden when its parent shows.
void finishWidget(HWND h, QWidget *outer, QWidget *client)
{
    afx::bindWidget(h, outer, client);
    if (!(h->style & WS_VISIBLE))
        outer->hide();
}

// ---------------------------------------------------------------------------------------------------------------
// List box

// Case-insensitive order of the sorted list box.
int compareRows(const QString &a, const QString &b)
{
    return QString::localeAwareCompare(a.toCaseFolded(), b.toCaseFolded());
}

class ListBoxCtl final : public QObject {
public:
    explicit ListBoxCtl(QListWidget *list) : QObject(list), m_list(list)
    {
        connect(list, &QListWidget::itemSelectionChanged, this, [this] {
            if (!m_quiet)
                notify(LBN_SELCHANGE);
        });
        connect(list, &QListWidget::itemDoubleClicked, this, [this] { notify(LBN_DBLCLK); });
    }

    QListWidget *m_list;
    int m_quiet = 0; // program changes in progress: no notifications

    struct Quiet {
        explicit Quiet(ListBoxCtl *c) : ctl(c) { ++ctl->m_quiet; }
        ~Quiet() { --ctl->m_quiet; }
        Quiet(const Quiet &) = delete;
        Quiet &operator=(const Quiet &) = delete;
        ListBoxCtl *ctl;
    };

    bool valid(int index) const { return index >= 0 && index < m_list->count(); }

    int curSel() const
    {
        const QModelIndexList rows = m_list->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }

    int insert(int index, const QString &text)
    {
        Quiet q(this);
        auto *item = new QListWidgetItem(text);
        item->setData(Qt::UserRole, QVariant::fromValue<quintptr>(0));
        m_list->insertItem(index, item);
        return index;
    }

    int sortedIndex(const QString &text) const
    {
        int lo = 0, hi = m_list->count();
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (compareRows(m_list->item(mid)->text(), text) <= 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    }

    int find(int startAfter, const QString &text, bool exact) const
    {
        const int n = m_list->count();
        if (n == 0)
            return LB_ERR;
        const int first = (startAfter < 0 || startAfter >= n) ? 0 : startAfter + 1;
        for (int k = 0; k < n; ++k) {
            const int i = (first + k) % n;
            const QString row = m_list->item(i)->text();
            if (exact ? row.compare(text, Qt::CaseInsensitive) == 0 : row.startsWith(text, Qt::CaseInsensitive))
                return i;
        }
        return LB_ERR;
    }

private:
    void notify(int nCode)
    {
        HWND h = afx::hwndFromWidget(m_list);
        if (h && (h->style & LBS_NOTIFY))
            afx::notifyParent(h, nCode);
    }
};

ListBoxCtl *listOf(HWND h)
{
    return IsWindow(h) && h->widget ? static_cast<ListBoxCtl *>(h->userData) : nullptr;
}

LRESULT listBoxWndProc(HWND h, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (afx::isMouseMessage(nMsg)) {
        afx::controlDefaultReached(h);
        return 0;
    }
    ListBoxCtl *ctl = listOf(h);
    if (!ctl)
        return ::DefWindowProc(h, nMsg, wParam, lParam);
    QListWidget *lw = ctl->m_list;
    const int index = int(wParam);
    switch (nMsg) {
    case LB_ADDSTRING: {
        const QString text = textArg(lParam);
        return ctl->insert((h->style & LBS_SORT) ? ctl->sortedIndex(text) : lw->count(), text);
    }
    case LB_INSERTSTRING:
        if (index < -1 || index > lw->count())
            return LB_ERR;
        return ctl->insert(index == -1 ? lw->count() : index, textArg(lParam));
    case LB_DELETESTRING: {
        if (!ctl->valid(index))
            return LB_ERR;
        ListBoxCtl::Quiet q(ctl);
        const bool bWasSelected = ctl->curSel() == index;
        delete lw->takeItem(index);
        // Qt would select a neighbour; the window system's list box is left without a selection.
        if (bWasSelected) {
            lw->clearSelection();
            lw->setCurrentRow(-1);
        }
        return lw->count();
    }
    case LB_RESETCONTENT: {
        ListBoxCtl::Quiet q(ctl);
        lw->clear();
        return 0;
    }
    case LB_SETCURSEL: {
        ListBoxCtl::Quiet q(ctl);
        if (!ctl->valid(index)) {
            lw->clearSelection();
            lw->setCurrentRow(-1);
            return index == -1 ? 0 : LRESULT(LB_ERR);
        }
        lw->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
        lw->scrollToItem(lw->item(index));
        return index;
    }
    case LB_GETCURSEL:
        return ctl->curSel();
    case LB_GETCOUNT:
        return lw->count();
    case LB_GETTEXTLEN:
        return ctl->valid(index) ? LRESULT(lw->item(index)->text().size()) : LRESULT(LB_ERR);
    case LB_GETTEXT: {
        if (!ctl->valid(index) || !lParam)
            return LB_ERR;
        const QString text = lw->item(index)->text();
        QChar *buf = reinterpret_cast<QChar *>(lParam);
        std::copy(text.begin(), text.end(), buf);
        buf[text.size()] = QChar();
        return LRESULT(text.size());
    }
    case LB_GETITEMDATA:
        return ctl->valid(index) ? LRESULT(lw->item(index)->data(Qt::UserRole).value<quintptr>()) : LRESULT(LB_ERR);
    case LB_SETITEMDATA:
        if (!ctl->valid(index))
            return LB_ERR;
        lw->item(index)->setData(Qt::UserRole, QVariant::fromValue<quintptr>(quintptr(lParam)));
        return LB_OKAY;
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
        return ctl->find(index, textArg(lParam), nMsg == LB_FINDSTRINGEXACT);
    default:
        return ::DefWindowProc(h, nMsg, wParam, lParam);
    }
}

void makeListBoxWidgets(HWND h, QWidget *parentWidget)
{
    auto *lw = new QListWidget(parentWidget);
    lw->setSelectionMode(QAbstractItemView::SingleSelection);
    lw->setUniformItemSizes(true);
    lw->setFrameShape((h->style & WS_BORDER) ? QFrame::StyledPanel : QFrame::NoFrame);
    lw->setFrameShadow(QFrame::Sunken);
    lw->setVerticalScrollBarPolicy((h->style & WS_VSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    lw->setHorizontalScrollBarPolicy((h->style & WS_HSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    lw->viewport()->setMouseTracking(true);
    h->userData = new ListBoxCtl(lw);
    finishWidget(h, lw, lw->viewport());
    afx::routeMouseThroughWindow(lw->viewport());
}

// ---------------------------------------------------------------------------------------------------------------
// Button

// A check box reacts to clicks anywhere in its window, not only on its box and label.
class CheckBoxWidget final : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }
};

// A group box is an etched frame with its caption and nothing else: what its parent drew inside stays as drawn
// (Qt's own group box shades its inside).
class EtchedGroupBox final : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QFontMetrics fm(font());
        const int top = fm.height() / 2;
        const QRect frame(0, top, width() - 1, height() - top - 1);
        // A single '&' marks a mnemonic; "&&" stands for one '&'.
        QString text = title();
        const QChar kKept(0xE000);
        text.replace(QLatin1String("&&"), QString(kKept)).remove(QLatin1Char('&')).replace(kKept, QLatin1Char('&'));
        // The title keeps clear of the frame's corners: one too long for the box is shortened.
        constexpr int kInset = 8;
        const int room = std::max(0, width() - 2 * kInset - 4);
        if (fm.horizontalAdvance(text) > room)
            text = fm.elidedText(text, Qt::ElideRight, room);
        const int textWidth = text.isEmpty() ? 0 : fm.horizontalAdvance(text) + 4;
        const Qt::Alignment h = alignment() & Qt::AlignHorizontal_Mask;
        const int textLeft = h == Qt::AlignHCenter ? std::max(kInset, (width() - textWidth) / 2)
                             : h == Qt::AlignRight ? std::max(kInset, width() - kInset - textWidth)
                                                   : kInset;
        const auto etch = [&](const QRect &r, const QColor &c) {
            p.setPen(c);
            if (textWidth > 0) {
                p.drawLine(r.left(), r.top(), textLeft - 2, r.top());
                p.drawLine(textLeft - 2 + textWidth, r.top(), r.right(), r.top());
            } else {
                p.drawLine(r.topLeft(), r.topRight());
            }
            p.drawLine(r.topLeft(), r.bottomLeft());
            p.drawLine(r.bottomLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomRight());
        };
        const auto colour = [](int nIndex) {
            const COLORREF c = GetSysColor(nIndex);
            return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
        };
        etch(frame.adjusted(1, 1, 0, 0), colour(COLOR_BTNHIGHLIGHT));
        etch(frame.adjusted(0, 0, -1, -1), colour(COLOR_BTNSHADOW));
        if (textWidth > 0) {
            p.setPen(isEnabled() ? palette().color(QPalette::WindowText) : colour(COLOR_GRAYTEXT));
            p.drawText(QRect(textLeft, 0, textWidth, fm.height()), Qt::AlignCenter, text);
        }
    }
};

class ButtonCtl final : public QObject {
public:
    ButtonCtl(QWidget *outer, QAbstractButton *button, QGroupBox *group)
        : QObject(outer), m_outer(outer), m_button(button), m_group(group)
    {
        if (m_button)
            connect(m_button, &QAbstractButton::clicked, this, [this](bool checked) { clicked(checked); });
    }

    QWidget *m_outer;
    QAbstractButton *m_button;
    QGroupBox *m_group;

    void setText(const QString &text)
    {
        if (m_button)
            m_button->setText(text);
        else if (m_group)
            m_group->setTitle(text);
    }

private:
    void clicked(bool checked)
    {
        HWND h = afx::hwndFromWidget(m_outer);
        if (!h)
            return;
        if (qobject_cast<QCheckBox *>(m_button) && (h->style & BS_TYPEMASK) == BS_CHECKBOX) {
            // A plain check box leaves its state to the program.
            const QSignalBlocker block(m_button);
            m_button->setChecked(!checked);
        }
        afx::notifyParent(h, BN_CLICKED);
    }
};

ButtonCtl *buttonOf(HWND h)
{
    return IsWindow(h) && h->widget ? static_cast<ButtonCtl *>(h->userData) : nullptr;
}

void applyButtonStyle(HWND h, ButtonCtl *ctl)
{
    if (auto *push = qobject_cast<QPushButton *>(ctl->m_button))
        push->setDefault((h->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
    if (ctl->m_group) {
        const DWORD align = h->style & BS_CENTER;
        ctl->m_group->setAlignment(align == BS_CENTER  ? Qt::AlignHCenter
                                   : align == BS_RIGHT ? Qt::AlignRight
                                                       : Qt::AlignLeft);
    }
}

LRESULT buttonWndProc(HWND h, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (afx::isMouseMessage(nMsg)) {
        afx::controlDefaultReached(h);
        return 0;
    }
    ButtonCtl *ctl = buttonOf(h);
    if (!ctl)
        return ::DefWindowProc(h, nMsg, wParam, lParam);
    switch (nMsg) {
    case WM_SETTEXT: {
        const LRESULT r = ::DefWindowProc(h, nMsg, wParam, lParam);
        ctl->setText(h->text);
        return r;
    }
    case BM_GETCHECK:
        return (ctl->m_button && ctl->m_button->isCheckable() && ctl->m_button->isChecked()) ? BST_CHECKED
                                                                                             : BST_UNCHECKED;
    case BM_SETCHECK:
        if (ctl->m_button && ctl->m_button->isCheckable()) {
            const QSignalBlocker block(ctl->m_button);
            ctl->m_button->setChecked(wParam == WPARAM(BST_CHECKED));
        }
        return 0;
    case BM_CLICK:
        if (ctl->m_button)
            ctl->m_button->click();
        return 0;
    case BM_SETSTYLE:
        h->style = (h->style & 0xFFFF0000u) | DWORD(wParam & 0xFFFF);
        applyButtonStyle(h, ctl);
        return 0;
    default:
        return ::DefWindowProc(h, nMsg, wParam, lParam);
    }
}

void makeButtonWidgets(HWND h, QWidget *parentWidget)
{
    const DWORD type = h->style & BS_TYPEMASK;
    ButtonCtl *ctl = nullptr;
    QWidget *outer = nullptr;
    if (type == BS_GROUPBOX) {
        auto *g = new EtchedGroupBox(h->text, parentWidget);
        // A group box is only a frame behind its controls: it takes no clicks and lies below its siblings.
        g->setAttribute(Qt::WA_TransparentForMouseEvents);
        g->setFocusPolicy(Qt::NoFocus);
        g->lower();
        ctl = new ButtonCtl(g, nullptr, g);
        outer = g;
    } else if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX) {
        auto *c = new CheckBoxWidget(h->text, parentWidget);
        ctl = new ButtonCtl(c, c, nullptr);
        outer = c;
    } else {
        auto *p = new QPushButton(h->text, parentWidget);
        // Enter is the dialog manager's business, not Qt's.
        p->setAutoDefault(false);
        ctl = new ButtonCtl(p, p, nullptr);
        outer = p;
    }
    h->userData = ctl;
    applyButtonStyle(h, ctl);
    finishWidget(h, outer, outer);
    if (ctl->m_button)
        afx::routeMouseThroughWindow(outer);
}

// ---------------------------------------------------------------------------------------------------------------
// Static

class StaticCtl final : public QObject {
public:
    explicit StaticCtl(QLabel *label) : QObject(label), m_label(label) {}
    ~StaticCtl() override { releaseOwnIcon(); }
    StaticCtl(const StaticCtl &) = delete;
    StaticCtl &operator=(const StaticCtl &) = delete;

    QLabel *m_label;
    HICON m_icon = nullptr;
    HICON m_ownIcon = nullptr; // loaded from the window text; the control releases it
    QPointer<QWidget> m_buddy;

    void applyText(HWND h)
    {
        if ((h->style & SS_TYPEMASK) == SS_ICON)
            return;
        if (h->style & SS_NOPREFIX) {
            m_label->setBuddy(nullptr);
            m_label->setText(h->text);
        } else if (m_buddy) {
            m_label->setText(h->text);
            m_label->setBuddy(m_buddy);
        } else {
            m_label->setText(stripMnemonics(h->text));
        }
    }

    void showIcon(HWND h, HICON hIcon)
    {
        m_icon = hIcon;
        const QImage image = AfxIconImage(hIcon);
        m_label->setPixmap(QPixmap::fromImage(image));
        // An icon static takes the icon's size.
        if (!image.isNull() && h->created)
            m_label->resize(AfxIconSize(hIcon));
    }

    void releaseOwnIcon()
    {
        if (m_ownIcon)
            DestroyIcon(m_ownIcon);
        m_ownIcon = nullptr;
    }
};

StaticCtl *staticOf(HWND h)
{
    return IsWindow(h) && h->widget ? static_cast<StaticCtl *>(h->userData) : nullptr;
}

LRESULT staticWndProc(HWND h, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (afx::isMouseMessage(nMsg)) {
        afx::controlDefaultReached(h);
        return 0;
    }
    StaticCtl *ctl = staticOf(h);
    if (!ctl)
        return ::DefWindowProc(h, nMsg, wParam, lParam);
    switch (nMsg) {
    case WM_CREATE:
        if (ctl->m_icon)
            ctl->m_label->resize(AfxIconSize(ctl->m_icon));
        return 0;
    case WM_SETTEXT: {
        const LRESULT r = ::DefWindowProc(h, nMsg, wParam, lParam);
        ctl->applyText(h);
        return r;
    }
    case STM_SETICON: {
        HICON old = ctl->m_icon;
        ctl->showIcon(h, reinterpret_cast<HICON>(wParam));
        return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON:
        return reinterpret_cast<LRESULT>(ctl->m_icon);
    case WM_NCDESTROY:
        ctl->m_label->clear();
        ctl->m_icon = nullptr;
        ctl->releaseOwnIcon();
        return ::DefWindowProc(h, nMsg, wParam, lParam);
    default:
        return ::DefWindowProc(h, nMsg, wParam, lParam);
    }
}

void makeStaticWidgets(HWND h, QWidget *parentWidget)
{
    auto *label = new QLabel(parentWidget);
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setFocusPolicy(Qt::NoFocus);
    auto *ctl = new StaticCtl(label);
    h->userData = ctl;
    const DWORD type = h->style & SS_TYPEMASK;
    if (type == SS_ICON) {
        // The window text names the icon resource: "#128" or "128".
        QString name = h->text;
        if (name.startsWith(u'#'))
            name.remove(0, 1);
        bool ok = false;
        const UINT id = name.toUInt(&ok);
        if (ok && (ctl->m_ownIcon = AfxLoadIconResource(id)) != nullptr)
            ctl->showIcon(h, ctl->m_ownIcon);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    } else {
        label->setAlignment((type == SS_CENTER  ? Qt::AlignHCenter
                             : type == SS_RIGHT ? Qt::AlignRight
                                                : Qt::AlignLeft) |
                            Qt::AlignTop);
        label->setWordWrap(type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT);
        ctl->applyText(h);
    }
    finishWidget(h, label, label);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// Shared machinery

namespace afx {

void routeMouseThroughWindow(QWidget *mouseWidget)
{
    mouseWidget->installEventFilter(new MouseRouter(mouseWidget));
}

void notifyParent(HWND hCtl, int nCode)
{
    if (!IsWindow(hCtl) || !IsWindow(hCtl->parent))
        return;
    ::SendMessage(hCtl->parent, WM_COMMAND, WPARAM(MAKELONG(int(LOWORD(hCtl->id)), nCode)),
                  reinterpret_cast<LPARAM>(hCtl));
}

bool isPushButtonWindow(HWND hWnd)
{
    const ButtonCtl *ctl =
        IsWindow(hWnd) && hWnd->cls && hWnd->cls->lpfnWndProc == &buttonWndProc ? buttonOf(hWnd) : nullptr;
    return ctl && qobject_cast<QPushButton *>(ctl->m_button) != nullptr;
}

bool isStaticWindow(HWND hWnd)
{
    return IsWindow(hWnd) && hWnd->cls && hWnd->cls->lpfnWndProc == &staticWndProc;
}

bool isGroupBoxWindow(HWND hWnd)
{
    return IsWindow(hWnd) && hWnd->cls && hWnd->cls->lpfnWndProc == &buttonWndProc &&
           (hWnd->style & BS_TYPEMASK) == BS_GROUPBOX;
}

void staticSetBuddy(HWND hStatic, QWidget *buddy)
{
    if (!isStaticWindow(hStatic))
        return;
    if (StaticCtl *ctl = staticOf(hStatic)) {
        ctl->m_buddy = buddy;
        ctl->applyText(hStatic);
    }
}

} // namespace afx

void AfxRegisterControlClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    struct Entry {
        const char *name;
        WNDPROC proc;
        void (*make)(HWND, QWidget *);
    };
    const Entry entries[] = {
        {AfxEditClassName, &afx::editWndProc, &afx::makeEditWidgets},
        {AfxListBoxClassName, &listBoxWndProc, &makeListBoxWidgets},
        {AfxButtonClassName, &buttonWndProc, &makeButtonWidgets},
        {AfxStaticClassName, &staticWndProc, &makeStaticWidgets},
    };
    for (const Entry &e : entries) {
        WNDCLASSINFO info;
        info.lpszClassName = QString::fromLatin1(e.name);
        info.style = CS_DBLCLKS;
        info.lpfnWndProc = e.proc;
        info.pfnMakeWidgets = e.make;
        AfxRegisterWindowClass(info);
    }
}

HWND AfxCreateControlWindow(const QString &className, const QString &text, DWORD dwStyle, DWORD dwExStyle,
                            const RECT &rect, HWND hWndParent, UINT nID)
{
    AfxRegisterControlClasses();
    const WNDCLASSINFO *cls = AfxFindWindowClass(className);
    if (!cls)
        return nullptr;
    CWnd creator;
    if (!creator.CreateEx(dwExStyle, className, text, dwStyle, rect, CWnd::FromHandle(hWndParent), nID))
        return nullptr;
    HWND h = creator.Detach();
    // Without an object of its own the window runs on its class procedure.
    WNDPROC proc = cls->lpfnWndProc ? cls->lpfnWndProc : &DefWindowProc;
    ::SetWindowLong(h, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
    return h;
}

BOOL AfxSubclassWindow(CWnd &wnd, HWND hWnd)
{
    if (!IsWindow(hWnd) || IsWindow(wnd.m_hWnd) || CWnd::FromHandlePermanent(hWnd))
        return FALSE;
    if (!wnd.Attach(hWnd))
        return FALSE;
    const auto old = reinterpret_cast<WNDPROC>(::GetWindowLong(hWnd, GWL_WNDPROC));
    wnd.m_pfnSuper = old == &AfxWndProc ? nullptr : old;
    ::SetWindowLong(hWnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc));
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------------------
// CListBox

IMPLEMENT_DYNAMIC(CListBox, CWnd)

int CListBox::GetCount() const
{
    return int(::SendMessage(m_hWnd, LB_GETCOUNT, 0, 0));
}
int CListBox::GetCurSel() const
{
    return int(::SendMessage(m_hWnd, LB_GETCURSEL, 0, 0));
}
int CListBox::SetCurSel(int nSelect)
{
    return int(::SendMessage(m_hWnd, LB_SETCURSEL, WPARAM(nSelect), 0));
}

int CListBox::AddString(const QString &text)
{
    return int(::SendMessage(m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.utf16())));
}

int CListBox::DeleteString(UINT nIndex)
{
    return int(::SendMessage(m_hWnd, LB_DELETESTRING, WPARAM(nIndex), 0));
}

int CListBox::GetText(int nIndex, LPTSTR lpszBuffer) const
{
    return int(::SendMessage(m_hWnd, LB_GETTEXT, WPARAM(nIndex), reinterpret_cast<LPARAM>(lpszBuffer)));
}

void CListBox::GetText(int nIndex, CString &rString) const
{
    const int n = GetTextLen(nIndex);
    if (n < 0) {
        rString.Empty();
        return;
    }
    QString buf(n + 1, QChar());
    GetText(nIndex, buf.data());
    rString = buf.left(n);
}

int CListBox::GetTextLen(int nIndex) const
{
    return int(::SendMessage(m_hWnd, LB_GETTEXTLEN, WPARAM(nIndex), 0));
}

DWORD_PTR CListBox::GetItemData(int nIndex) const
{
    return DWORD_PTR(::SendMessage(m_hWnd, LB_GETITEMDATA, WPARAM(nIndex), 0));
}

int CListBox::SetItemData(int nIndex, DWORD_PTR dwItemData)
{
    return int(::SendMessage(m_hWnd, LB_SETITEMDATA, WPARAM(nIndex), LPARAM(dwItemData)));
}

void *CListBox::GetItemDataPtr(int nIndex) const
{
    return reinterpret_cast<void *>(GetItemData(nIndex));
}

int CListBox::SetItemDataPtr(int nIndex, void *pData)
{
    return SetItemData(nIndex, reinterpret_cast<DWORD_PTR>(pData));
}

QListWidget *CListBox::GetListWidget() const
{
    return qobject_cast<QListWidget *>(GetWidget());
}

// ---------------------------------------------------------------------------------------------------------------
// CButton

IMPLEMENT_DYNAMIC(CButton, CWnd)

UINT CButton::GetButtonStyle() const
{
    return UINT(GetStyle() & 0xFFFF);
}

// ---------------------------------------------------------------------------------------------------------------
// CStatic

IMPLEMENT_DYNAMIC(CStatic, CWnd)
