// The framework's string: a QString with the handful of string operations the program calls.
#pragma once

#include "WinTypes.h"
#include <QString>

class CString : public QString {
public:
    CString() = default;
    CString(const QString &s) : QString(s) {}
    CString(QString &&s) : QString(std::move(s)) {}
    CString(const char *latin1) : QString(QString::fromLatin1(latin1)) {}
    CString(const QChar *text) : QString(text ? QString(text, lengthOf(text)) : QString()) {}

    int GetLength() const { return int(size()); }
    BOOL IsEmpty() const { return QString::isEmpty(); }
    void Empty() { clear(); }
    CString Mid(int first, int count) const { return QString::mid(first, count); }
    CString Mid(int first) const { return QString::mid(first); }
    CString Left(int count) const { return QString::left(count); }
    // NUL-terminated characters, valid while the string is unchanged.
    operator LPCTSTR() const { return reinterpret_cast<LPCTSTR>(utf16()); }

private:
    static qsizetype lengthOf(const QChar *p)
    {
        qsizetype n = 0;
        while (!p[n].isNull())
            ++n;
        return n;
    }
};
