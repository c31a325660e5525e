// What the benchmarks share: the sample board, medians and elapsed milliseconds.
#pragma once

#include "support/AppFixture.h"
#include "support/BoardFiles.h"

#include "platform/CommonDialogs.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <malloc.h>
#include <vector>

namespace zbbench {

// A board of nNotes captioned notes with two lines of text, scattered over the default view; every fourth
// note in storage.
inline QByteArray sampleBoard(int nNotes)
{
    zbtest::Board b;
    b.pureColour = 1;
    b.colour = 0x00C0E0F0;
    for (int i = 0; i < nNotes; ++i) {
        zbtest::BoardNote n;
        const int x = 20 + (i * 37) % 500, y = 60 + (i * 53) % 260;
        n.rect = RECT{x, y, x + 150, y + 110};
        n.stored = i % 4 == 3 ? 1 : 0;
        n.caption = zbtest::ansiField(QByteArray("Note ") + QByteArray::number(i));
        n.colour = quint32(0x000000FF + (i % 200) * 0x100);
        n.text = zbtest::ansiField(QByteArray("Call back about the order\r\nbefore Friday, number ") +
                                   QByteArray::number(i));
        b.notes << n;
    }
    return b.bytes();
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Heap bytes in use (small blocks and mapped ones).
inline double heapInUse()
{
    const struct mallinfo2 mi = mallinfo2();
    return double(mi.uordblks + mi.hblkhd);
}

// The sizes given as positive numbers on the command line, or the defaults when none is.
inline std::vector<int> sizesFrom(int argc, char *argv[], std::initializer_list<int> defaults)
{
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        if (const int n = QString::fromLocal8Bit(argv[i]).toInt(); n > 0)
            sizes.push_back(n);
    if (sizes.empty())
        sizes = defaults;
    return sizes;
}

inline double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// Starts the program for a benchmark, with scripted dialogs; says so and returns false when it does not start.
inline bool startScriptedApp()
{
    if (!zbtest::startApp()) {
        std::printf("the program did not start\n");
        return false;
    }
    AfxDialogScript::SetScripted(true);
    return true;
}

} // namespace zbbench
