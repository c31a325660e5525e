// Starts and ends the real application object inside a test, with scripted dialogs.
#pragma once

#include "app/MainFrm.h"
#include "app/zent.h"
#include "board/zentDoc.h"
#include "view/zentView.h"

#include <QImage>

namespace zbtest {
// Starts the program with an empty board (or the given command-line file); FALSE when start-up failed.
bool startApp(const QStringList &args = {});
void endApp();
CMainFrame *mainFrame();
CZentView *boardView();
CZentDoc *document();
// Runs queued posted messages and pending Qt events until none are left.
void settle();
// The board as a person would see it: the view painted into an image.
QImage grabBoard();
// Colour of a pixel as a COLORREF.
COLORREF pixelAt(const QImage &image, int x, int y);
// Runs the idle-time update of toolbar buttons and accelerators, and of every menu.
void updateCommandUI();
// Texts of the message boxes shown since the dialog history was last cleared.
QStringList messages();
} // namespace zbtest
