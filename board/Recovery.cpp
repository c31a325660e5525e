#include "Recovery.h"

#include "zentDoc.h"

#include "notes/PaperFrame.h"

#include "platform/Archive.h"
#include "platform/CommonDialogs.h"
#include "platform/Framework.h"

#include <QApplication>
#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <optional>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace {

constexpr qint64 kDiscardedDays = 14;

struct WriteDelays {
    int nDebounceMs = 2000;
    int nLongestMs = 30000;
};

// Process-wide: tests set the delays before the document, and with it its keeper, is made.
WriteDelays &DefaultDelays()
{
    static WriteDelays delays;
    return delays;
}

// Process-wide because the signal and session handlers that use it are installed once per process.
struct EndingFromOutside {
    CRecovery *pActive = nullptr; // the keeper that an ending from outside writes
    bool bRequested = false;      // the program was told to end; holds until the process ends
};

EndingFromOutside &Ending()
{
    static EndingFromOutside ending;
    return ending;
}

QString ReadSmallFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(f.read(4096)).trimmed();
}

// The start time of a process in clock ticks since boot: with the boot's id it tells a process apart from a
// later one that got the same number.
QString ProcessStarted(qint64 pid)
{
    const QString stat = ReadSmallFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(QLatin1Char(')'));
    if (close < 0)
        return QString();
    const QStringList fields = stat.mid(close + 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    // Field 22 of the line; the fields after the name start at field 3.
    return fields.size() > 19 ? fields[19] : QString();
}

QString BootId()
{
    return ReadSmallFile(QStringLiteral("/proc/sys/kernel/random/boot_id"));
}

// This program's copies are named after it, so two programs never share one.
const QString &OwnId()
{
    static const QString id =
        QStringLiteral("%1-%2").arg(QCoreApplication::applicationPid()).arg(QDateTime::currentMSecsSinceEpoch());
    return id;
}

bool IsRunning(const QJsonObject &sidecar)
{
    const qint64 pid = sidecar.value(QStringLiteral("pid")).toInteger(-1);
    if (pid <= 0)
        return false;
    const QString boot = sidecar.value(QStringLiteral("boot")).toString();
    if (!boot.isEmpty() && !BootId().isEmpty() && boot != BootId())
        return false;
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return false;
    const QString started = sidecar.value(QStringLiteral("started")).toString();
    const QString now = ProcessStarted(pid);
    return started.isEmpty() || now.isEmpty() || started == now;
}

void SyncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Replaces the file in one step, after its new bytes are on the disk; the old file stays when anything fails.
bool WriteDurably(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size() || !file.flush() || ::fsync(file.handle()) != 0) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool MakeFolder(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return false;
    // Unsaved notes are nobody else's business.
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
}

// Reads the fields the board reader reads, without making anything: a copy that passes opens.
bool IsReadableBoard(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return true;
    QBuffer buf;
    buf.setData(bytes);
    if (!buf.open(QIODevice::ReadOnly))
        return false;
    try {
        CArchive ar(&buf, CArchive::load, bytes.size());
        LONG nCount = 0, lValue = 0;
        DWORD dwValue = 0;
        POINT pt;
        RECT rc;
        CString str;
        ar >> nCount >> pt >> pt >> dwValue >> dwValue >> dwValue >> dwValue >> lValue >> str;
        ar >> lValue >> lValue >> lValue >> lValue;
        for (LONG i = 0; i < nCount; ++i)
            ar >> rc >> dwValue >> str >> dwValue >> str;
        ar.Abort();
    } catch (CException *e) {
        e->Delete();
        return false;
    }
    return true;
}

QString FreeName(const QString &folder, const QString &name)
{
    QString candidate = QDir(folder).filePath(name);
    for (int i = 1; QFileInfo::exists(candidate); ++i)
        candidate = QDir(folder).filePath(QStringLiteral("%1-%2").arg(i).arg(name));
    return candidate;
}

// Moves a copy and its sidecar out of the way, dated now, so that discarded/ keeps it for its full time.
QString MoveToDiscarded(const QString &copyPath, const QString &sidecarPath)
{
    const QString discarded = CRecovery::DiscardedFolder();
    MakeFolder(discarded);
    QString moved;
    for (const QString &path : {copyPath, sidecarPath}) {
        if (path.isEmpty() || !QFileInfo::exists(path))
            continue;
        const QString target = FreeName(discarded, QFileInfo(path).fileName());
        if (QFile::rename(path, target)) {
            ::utime(QFile::encodeName(target).constData(), nullptr);
            if (moved.isEmpty())
                moved = target;
        } else {
            QFile::remove(path);
        }
    }
    SyncFolder(CRecovery::Folder());
    return moved;
}

void RemoveOldDiscarded()
{
    const QDateTime limit = QDateTime::currentDateTime().addDays(-kDiscardedDays);
    const QDir dir(CRecovery::DiscardedFolder());
    for (const QFileInfo &fi : dir.entryInfoList(QDir::Files | QDir::Hidden))
        if (fi.lastModified() < limit)
            QFile::remove(fi.absoluteFilePath());
}

bool SameFile(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

// Signals are turned into a byte on a socket, read by the user-interface thread. A plain file-level array: the
// handler may touch nothing that is not async-signal-safe.
int g_signalSockets[2] = {-1, -1};

void OnSignal(int)
{
    const char c = 1;
    const ssize_t n = ::write(g_signalSockets[0], &c, 1);
    (void)n;
}

void EndFromOutside()
{
    Ending().bRequested = true;
    if (CRecovery *p = CRecovery::Active())
        p->WriteFinal();
    // A question open at start-up is left unanswered rather than answered for the user.
    if (QWidget *modal = QApplication::activeModalWidget())
        modal->close();
    // exit(), not quit(): quit() closes the windows first, and the main window's close asks the save question.
    QCoreApplication::exit(0);
}

void InstallSessionHandlers()
{
    static bool s_bInstalled = false;
    if (s_bInstalled || !QCoreApplication::instance())
        return;
    s_bInstalled = true;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalSockets) == 0) {
        ::fcntl(g_signalSockets[0], F_SETFL, ::fcntl(g_signalSockets[0], F_GETFL) | O_NONBLOCK);
        ::fcntl(g_signalSockets[1], F_SETFL, ::fcntl(g_signalSockets[1], F_GETFL) | O_NONBLOCK);
        auto *notifier = new QSocketNotifier(g_signalSockets[1], QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, []() {
            char buf[16];
            while (::read(g_signalSockets[1], buf, sizeof buf) > 0) {
            }
            EndFromOutside();
        });
        struct sigaction sa {};
        sa.sa_handler = OnSignal;
        sigemptyset(&sa.sa_mask);
        // A second signal ends the program at once, as it would without this handler.
        sa.sa_flags = SA_RESTART | SA_RESETHAND;
        for (int sig : {SIGTERM, SIGHUP, SIGINT})
            ::sigaction(sig, &sa, nullptr);
    }
    if (auto *gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        QObject::connect(
            gui, &QGuiApplication::commitDataRequest, gui,
            [](QSessionManager &) {
                if (CRecovery *p = CRecovery::Active())
                    p->WriteNow();
            },
            Qt::DirectConnection);
}

} // namespace

// Writes and removes copies off the user-interface thread, one job at a time; a newer job replaces one that
// has not started yet.
class CRecoveryWriter final : public QThread {
public:
    struct Job {
        QString strCopyPath;
        QString strSidecarPath;
        QByteArray board; // empty with bRemove
        QByteArray sidecar;
        bool bRemove = false;
    };

    ~CRecoveryWriter() override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bStop = true;
        }
        m_cv.notify_all();
        wait();
    }

    void Submit(Job job)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_pending = std::move(job);
        }
        m_cv.notify_all();
        if (!isRunning())
            start(QThread::LowPriority);
    }

    void WaitIdle()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cvIdle.wait(lock, [this]() { return !m_pending && !m_bBusy; });
    }

    // Runs a job on the calling thread; the folder is made first.
    static bool Execute(const Job &job)
    {
        if (job.bRemove) {
            // The copy first: a sidecar without a copy is nothing to offer.
            QFile::remove(job.strCopyPath);
            QFile::remove(job.strSidecarPath);
            SyncFolder(QFileInfo(job.strCopyPath).absolutePath());
            return true;
        }
        const QString folder = QFileInfo(job.strCopyPath).absolutePath();
        // The sidecar first, so that a copy is never seen without the program it belongs to.
        const bool ok = MakeFolder(folder) && WriteDurably(job.strSidecarPath, job.sidecar) &&
                        WriteDurably(job.strCopyPath, job.board);
        SyncFolder(folder);
        if (!ok)
            qWarning("Zentbase: the recovery copy %s could not be written", qPrintable(job.strCopyPath));
        return ok;
    }

protected:
    void run() override
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_cv.wait(lock, [this]() { return m_pending.has_value() || m_bStop; });
            if (!m_pending)
                break;
            const Job job = std::move(*m_pending);
            m_pending.reset();
            m_bBusy = true;
            lock.unlock();
            Execute(job);
            lock.lock();
            m_bBusy = false;
            m_cvIdle.notify_all();
        }
        m_cvIdle.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::condition_variable m_cvIdle;
    std::optional<Job> m_pending;
    bool m_bBusy = false;
    bool m_bStop = false;
};

CRecovery::CRecovery(CZentDoc *pDoc)
    : m_pDoc(pDoc), m_pWriter(std::make_unique<CRecoveryWriter>()), m_nDebounceMs(DefaultDelays().nDebounceMs),
      m_nLongestMs(DefaultDelays().nLongestMs)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this]() { WriteCopy(); });
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this]() { OnQuit(); });
    Ending().pActive = this;
}

CRecovery::~CRecovery()
{
    m_timer.stop();
    m_pWriter.reset();
    if (Ending().pActive == this)
        Ending().pActive = nullptr;
}

CRecovery *CRecovery::Active()
{
    return Ending().pActive;
}

void CRecovery::SetWriteDelays(int nDebounceMs, int nLongestMs)
{
    DefaultDelays() = WriteDelays{nDebounceMs, nLongestMs};
    // The keeper made already follows too, as it would have read the delays at its next change.
    if (CRecovery *p = Active()) {
        p->m_nDebounceMs = nDebounceMs;
        p->m_nLongestMs = nLongestMs;
    }
}

QString CRecovery::Folder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/zentbase/recovery");
}

QString CRecovery::DiscardedFolder()
{
    return Folder() + QStringLiteral("/discarded");
}

QString CRecovery::CopyPath() const
{
    return Folder() + QLatin1Char('/') + OwnId() + QStringLiteral(".zbd");
}
QString CRecovery::SidecarPath() const
{
    return Folder() + QLatin1Char('/') + OwnId() + QStringLiteral(".json");
}

void CRecovery::OnModifiedFlag(BOOL bModified)
{
    if (m_bFinal)
        return;
    if (!bModified) {
        m_bDiscarded = false;
        CancelAndRemove();
        return;
    }
    if (m_bDiscarded)
        return;
    if (!m_bChanged) {
        m_bChanged = true;
        m_firstChange.start();
    }
    // Debounced, but a stream of changes is still copied now and then.
    const qint64 nLeft = qMax<qint64>(0, m_nLongestMs - m_firstChange.elapsed());
    m_timer.start(int(qMin<qint64>(m_nDebounceMs, nLeft)));
}

void CRecovery::OnChangesDiscarded()
{
    if (m_bFinal)
        return;
    m_bDiscarded = true;
    CancelAndRemove();
}

void CRecovery::CancelAndRemove()
{
    m_timer.stop();
    m_bChanged = false;
    if (!m_bCopyExists)
        return;
    m_bCopyExists = false;
    CRecoveryWriter::Job job;
    job.strCopyPath = CopyPath();
    job.strSidecarPath = SidecarPath();
    job.bRemove = true;
    m_pWriter->Submit(std::move(job));
}

QByteArray CRecovery::SidecarBytes() const
{
    QJsonObject o;
    o.insert(QStringLiteral("path"), QString(m_pDoc->GetPathName()));
    o.insert(QStringLiteral("pid"), QCoreApplication::applicationPid());
    o.insert(QStringLiteral("time"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    o.insert(QStringLiteral("started"), ProcessStarted(QCoreApplication::applicationPid()));
    o.insert(QStringLiteral("boot"), BootId());
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

void CRecovery::WriteCopy()
{
    m_timer.stop();
    if (!m_bChanged || m_bFinal)
        return;
    // The same bytes Save writes, made here: the note texts live in their controls.
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    try {
        CArchive ar(&buf, CArchive::store);
        m_pDoc->Serialize(ar);
        ar.Close();
    } catch (CException *e) {
        e->Delete();
        return;
    }
    m_bChanged = false;
    m_bCopyExists = true;
    CRecoveryWriter::Job job;
    job.strCopyPath = CopyPath();
    job.strSidecarPath = SidecarPath();
    job.board = buf.buffer();
    job.sidecar = SidecarBytes();
    m_pWriter->Submit(std::move(job));
}

void CRecovery::WriteNow()
{
    WriteCopy();
    WaitForWrites();
}

void CRecovery::WriteFinal()
{
    if (m_bFinal)
        return;
    if (!m_bDiscarded && m_pDoc->IsModified())
        m_bChanged = true;
    WriteNow();
    m_bFinal = true;
}

void CRecovery::WaitForWrites()
{
    m_pWriter->WaitIdle();
}

void CRecovery::OnQuit()
{
    if (m_bFinal)
        return;
    // Ended without the save prompt's answer (the session ended, the program was told to quit): keep the
    // changes. After the prompt the copy has gone already.
    if (!m_bDiscarded && m_pDoc->IsModified())
        WriteFinal();
    else
        CancelAndRemove();
    WaitForWrites();
}

BOOL CRecovery::TakeOver(const QString &strCopyPath, const QString &strSidecarPath, const QString &strBoardPath)
{
    QJsonObject o = QJsonDocument::fromJson(SidecarBytes()).object();
    o.insert(QStringLiteral("path"), strBoardPath);
    if (!MakeFolder(Folder()) || !WriteDurably(SidecarPath(), QJsonDocument(o).toJson(QJsonDocument::Indented)))
        return FALSE;
    if (::rename(QFile::encodeName(strCopyPath).constData(), QFile::encodeName(CopyPath()).constData()) != 0) {
        QFile::remove(SidecarPath());
        return FALSE;
    }
    QFile::remove(strSidecarPath);
    SyncFolder(Folder());
    m_bCopyExists = true;
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------------------
// Start-up

class CRecoveryStartUp {
public:
    struct Left {
        QString strCopyPath;
        QString strSidecarPath;
        QString strBoardPath;
        QDateTime time;
    };

    // Copies of programs that no longer run, oldest first; damaged ones are reported and moved at once.
    static QList<Left> Collect()
    {
        QList<Left> found;
        const QDir dir(CRecovery::Folder());
        if (!dir.exists())
            return found;
        QStringList ownersRunning;
        for (const QFileInfo &fi : dir.entryInfoList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
            const QString id = fi.completeBaseName();
            const QString copy = dir.filePath(id + QStringLiteral(".zbd"));
            QJsonParseError error{};
            const QJsonDocument json = QJsonDocument::fromJson(ReadAll(fi.absoluteFilePath()), &error);
            const QJsonObject o = json.object();
            if (error.error != QJsonParseError::NoError || !o.value(QStringLiteral("pid")).isDouble() ||
                !o.value(QStringLiteral("path")).isString()) {
                ReportDamaged(QFileInfo::exists(copy) ? copy : fi.absoluteFilePath(), fi.absoluteFilePath());
                continue;
            }
            if (IsRunning(o)) {
                ownersRunning << id;
                continue;
            }
            if (!QFileInfo::exists(copy)) {
                QFile::remove(fi.absoluteFilePath()); // ended before its first copy: nothing to recover
                continue;
            }
            if (!IsReadableBoard(ReadAll(copy))) {
                ReportDamaged(copy, fi.absoluteFilePath());
                continue;
            }
            found << Left{copy, fi.absoluteFilePath(), o.value(QStringLiteral("path")).toString(),
                          QDateTime::fromString(o.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs)};
        }
        for (const QFileInfo &fi : dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)) {
            const QString name = fi.fileName();
            const QString id = name.section(QLatin1Char('.'), 0, 0);
            if (ownersRunning.contains(id))
                continue;
            if (name.endsWith(QStringLiteral(".zbd")) && !QFileInfo::exists(dir.filePath(id + QStringLiteral(".json"))))
                ReportDamaged(fi.absoluteFilePath(), QString()); // nobody's copy
            else if (!name.endsWith(QStringLiteral(".zbd")) && !name.endsWith(QStringLiteral(".json")) &&
                     fi.lastModified() < QDateTime::currentDateTime().addSecs(-60))
                QFile::remove(fi.absoluteFilePath()); // an unfinished write of a program that ended
        }
        std::stable_sort(found.begin(), found.end(), [](const Left &a, const Left &b) { return a.time < b.time; });
        return found;
    }

    static QByteArray ReadAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static void ReportDamaged(const QString &copyPath, const QString &sidecarPath)
    {
        TellDamaged(QFileInfo(copyPath).fileName(), MoveToDiscarded(copyPath, sidecarPath));
    }

    static void TellDamaged(const QString &name, const QString &moved)
    {
        AfxMessageBox(QStringLiteral("The recovery copy \"%1\" is damaged and cannot be read. It was moved to %2.")
                          .arg(name, QFileInfo(moved.isEmpty() ? CRecovery::DiscardedFolder() : moved).absolutePath()),
                      MB_OK | MB_ICONEXCLAMATION);
    }

    static CZentDoc *Document(CWinApp &app)
    {
        return app.m_templates.empty() ? nullptr : dynamic_cast<CZentDoc *>(app.m_templates.front()->GetDocument());
    }

    // Reading puts each note at the head of the list, so a board read back lists its notes in the reverse order
    // of its bytes. The copy holds the list as it was, head first: turned round, the recovered board saves the
    // bytes the lost session would have saved, and the head is on top again, as it was.
    static void RestoreNoteOrder(CZentDoc &doc)
    {
        QList<CPaperFrame *> notes;
        while (!doc.m_papers.IsEmpty())
            notes.prepend(doc.m_papers.RemoveHead());
        for (CPaperFrame *pPaper : notes)
            doc.m_papers.AddTail(pPaper);
        for (auto it = notes.crbegin(); it != notes.crend(); ++it)
            (*it)->BringWindowToTop();
    }

    // Opens the copy as the board it was made from, modified.
    static BOOL Open(CWinApp &app, const Left &left)
    {
        CZentDoc *pDoc = Document(app);
        if (!pDoc || !app.m_pMainWnd) {
            CCommandLineInfo newInfo;
            if (!app.ProcessShellCommand(newInfo))
                return FALSE;
            pDoc = Document(app);
        }
        if (!pDoc || !pDoc->m_pRecovery)
            return FALSE;
        CRecovery &recovery = *pDoc->m_pRecovery;
        if (!recovery.TakeOver(left.strCopyPath, left.strSidecarPath, left.strBoardPath))
            return FALSE;
        QFile file(recovery.CopyPath());
        if (!file.open(QIODevice::ReadOnly))
            return FALSE;
        pDoc->DeleteContents();
        try {
            if (file.size() > 0) {
                CArchive ar(&file, CArchive::load, file.size());
                // Pictures are looked for beside the original board.
                ar.m_strFileName = left.strBoardPath;
                pDoc->Serialize(ar);
                ar.Close();
                RestoreNoteOrder(*pDoc);
            }
        } catch (CException *e) {
            e->Delete();
            file.close();
            // Out of the way before the emptied board drops its copy.
            const QString moved = MoveToDiscarded(recovery.CopyPath(), recovery.SidecarPath());
            recovery.m_bCopyExists = false;
            pDoc->DeleteContents();
            pDoc->SetModifiedFlag(FALSE);
            TellDamaged(QFileInfo(left.strCopyPath).fileName(), moved);
            return FALSE;
        }
        if (left.strBoardPath.isEmpty()) {
            app.m_templates.front()->SetDefaultTitle(pDoc);
        } else {
            pDoc->SetPathName(left.strBoardPath);
        }
        pDoc->SetModifiedFlag(TRUE);
        pDoc->UpdateAllViews(nullptr, 0, nullptr);
        return TRUE;
    }
};

BOOL CRecovery::RecoverAtStartUp(CWinApp &app, CCommandLineInfo &cmdInfo)
{
    InstallSessionHandlers();
    RemoveOldDiscarded();
    const QList<CRecoveryStartUp::Left> left = CRecoveryStartUp::Collect();
    const bool bBoardGiven = cmdInfo.m_nShellCommand == CCommandLineInfo::FileOpen;
    for (const CRecoveryStartUp::Left &l : left) {
        if (bBoardGiven && !SameFile(l.strBoardPath, cmdInfo.m_strFileName))
            continue;
        const QString name =
            l.strBoardPath.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(l.strBoardPath).fileName();
        const int nAnswer = AfxMessageBox(QStringLiteral("Zentbase found unsaved changes to %1 from a session that "
                                                         "ended unexpectedly. Recover them?")
                                              .arg(name),
                                          MB_YESNO | MB_ICONQUESTION);
        if (Ending().bRequested)
            return FALSE;
        if (nAnswer != IDYES) {
            MoveToDiscarded(l.strCopyPath, l.strSidecarPath);
            continue;
        }
        // One board at a time: the copies not asked about yet are offered at the next start.
        if (CRecoveryStartUp::Open(app, l)) {
            cmdInfo.m_nShellCommand = CCommandLineInfo::FileNothing;
            return TRUE;
        }
        if (!app.m_pMainWnd)
            return TRUE;
    }
    return !Ending().bRequested;
}
