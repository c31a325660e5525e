// Recovery copies: while the board has unsaved changes, a copy of it in the bytes Save writes is kept in the
// user's state folder; copies left behind by a program that ended unexpectedly are offered at start-up.
#pragma once

#include "platform/WinTypes.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class CCommandLineInfo;
class CRecoveryWriter;
class CWinApp;
class CZentDoc;

class CRecovery final : public QObject {
public:
    explicit CRecovery(CZentDoc *pDoc);
    ~CRecovery() override;
    CRecovery(const CRecovery &) = delete;
    CRecovery &operator=(const CRecovery &) = delete;

    // The document's modified flag was set (a change: a copy is written soon) or cleared (saved, new, opened:
    // the copy goes).
    void OnModifiedFlag(BOOL bModified);
    // The user chose not to keep the changes (No at the save prompt): the copy goes, and later changes of the
    // same board are not copied until the board is replaced or saved.
    void OnChangesDiscarded();
    // Prepares the copy's bytes now and hands them to the writer without waiting for the disk; nothing when
    // there are no unsaved changes.
    void WriteCopy();
    // WriteCopy, then waits until it is on disk.
    void WriteNow();
    // WriteNow, and from then on the copy stays whatever happens: the program is being ended from outside.
    void WriteFinal();
    // Waits until the write in flight and the one pending are done.
    void WaitForWrites();

    // This program's copy and its sidecar (which need not exist).
    QString CopyPath() const;
    QString SidecarPath() const;

    // Shortens the delays after a change (tests), for the keeper made already and those made later: the copy is
    // written nDebounceMs after the last change, and at the latest nLongestMs after the first change not yet
    // copied.
    static void SetWriteDelays(int nDebounceMs, int nLongestMs);
    // $XDG_STATE_HOME/zentbase/recovery, with ~/.local/state when XDG_STATE_HOME is not set.
    static QString Folder();
    static QString DiscardedFolder();
    // The keeper of the copy of the board shown now; null when there is none.
    static CRecovery *Active();

    // Start-up, before the command-line board is opened: handles SIGTERM, SIGHUP, SIGINT and the end of the
    // desktop session from now on, reports damaged copies, and offers, one question each, the copies of
    // programs that no longer run (with a board on the command line, only that board's). Yes opens the
    // recovered board, titled as the original and modified, and turns the command into FileNothing; No moves
    // the copy to discarded/. FALSE when the program was told to end meanwhile.
    static BOOL RecoverAtStartUp(CWinApp &app, CCommandLineInfo &cmdInfo);

private:
    void CancelAndRemove();
    void OnQuit();
    QByteArray SidecarBytes() const;
    // Makes a left-behind copy this program's own: it is renamed to this program's copy.
    BOOL TakeOver(const QString &strCopyPath, const QString &strSidecarPath, const QString &strBoardPath);

    CZentDoc *m_pDoc;
    std::unique_ptr<CRecoveryWriter> m_pWriter;
    // A copy is written m_nDebounceMs after the last change, and at the latest m_nLongestMs after the first change
    // not yet copied.
    int m_nDebounceMs;
    int m_nLongestMs;
    QTimer m_timer;
    QElapsedTimer m_firstChange;
    bool m_bChanged = false;    // changes not yet handed to the writer
    bool m_bCopyExists = false; // a copy was written (or taken over) and not removed since
    bool m_bDiscarded = false;
    bool m_bFinal = false;

    friend class CRecoveryStartUp;
};
