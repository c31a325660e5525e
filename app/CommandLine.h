// The program's command line: options that answer at once, and exporting and importing boards without a window.
#pragma once

#include <QString>
#include <QStringList>

struct CZentCommandLine {
    enum Action { Run, Help, Version, Export, Import, UsageError } m_action = Run;
    QString m_strBoard;  // the board to open or export
    QString m_strOutput; // the file an export or an import writes
    QString m_strInput;  // the canvas an import reads
    int m_nScale = 1;
    QString m_strError; // one line, for UsageError
    QString m_strUsage; // the usage text
};

// Parses the arguments (the program's name first). Needs no application object and no display.
CZentCommandLine ZentParseCommandLine(const QStringList &args);

// Exports or imports a board with the offscreen window system; the application object must not exist yet.
// Returns the exit status: 0 done, 1 failed (the reason on standard error).
int ZentRunBoardTool(int argc, char *argv[], const CZentCommandLine &cmd);

// What main does: answers --help, --version and wrong options itself, runs an export or import, or starts the
// program. Exit status 2 for a wrong command line.
int ZentMain(int argc, char *argv[]);
