// The system's ANSI code page (Windows-1252): conversion between its bytes and QString.
#pragma once

#include <QByteArray>
#include <QString>

// Every byte maps to one character: 0x80-0x9F follow Windows-1252, and its five unassigned bytes
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same number, so that any byte
// sequence survives AfxFromAnsi followed by AfxToAnsi unchanged.

// Converts to ANSI bytes, one byte per character; a character the code page lacks (one code point,
// whether one UTF-16 unit or a surrogate pair) becomes '?'.
QByteArray AfxToAnsi(const QString &text);

// Converts ANSI bytes to text. With n < 0, `bytes` is NUL-terminated.
QString AfxFromAnsi(const char *bytes, qsizetype n = -1);
// Converts n ANSI bytes into n characters at dst.
void AfxFromAnsi(const char *bytes, qsizetype n, char16_t *dst);

// True when AfxToAnsi(text) loses nothing, that is AfxFromAnsi(AfxToAnsi(text)) == text.
bool AfxIsAnsiRepresentable(const QString &text);
