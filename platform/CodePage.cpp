#include "CodePage.h"

#include <cstring>

namespace {

// Characters of the bytes 0x80-0x9F; the unassigned bytes keep their own number.
constexpr char16_t kHighHalf[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

struct DecodeTable {
    char16_t ch[256];
    constexpr DecodeTable() : ch()
    {
        for (int b = 0; b < 256; ++b)
            ch[b] = (b >= 0x80 && b < 0xA0) ? kHighHalf[b - 0x80] : char16_t(b);
    }
};
constexpr DecodeTable kDecode;

// Characters below U+0100 that have a byte: all but the C1 controls Windows-1252 reuses for other characters.
struct LowEncodeTable {
    bool ok[256];
    constexpr LowEncodeTable() : ok()
    {
        for (int c = 0; c < 256; ++c)
            ok[c] = true;
        for (int b = 0; b < 32; ++b)
            ok[0x80 + b] = false;
        for (int b = 0; b < 32; ++b)
            if (kHighHalf[b] < 0x100)
                ok[kHighHalf[b]] = true;
    }
};
constexpr LowEncodeTable kLowEncode;

constexpr int kReplacement = '?';

// The byte of one UTF-16 unit, or -1 when the code page lacks it (surrogates included).
inline int encodeUnit(char16_t c)
{
    if (c < 0x100)
        return kLowEncode.ok[c] ? int(c) : -1;
    for (int b = 0; b < 32; ++b)
        if (kHighHalf[b] == c)
            return 0x80 + b;
    return -1;
}

inline bool isHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c < 0xDC00;
}
inline bool isLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c < 0xE000;
}

} // namespace

QByteArray AfxToAnsi(const QString &text)
{
    const qsizetype n = text.size();
    const char16_t *src = reinterpret_cast<const char16_t *>(text.utf16());
    QByteArray out(n, Qt::Uninitialized);
    char *dst = out.data();
    qsizetype j = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = src[i];
        if (c < 0x80) {
            dst[j++] = char(c);
            continue;
        }
        const int b = encodeUnit(c);
        if (b >= 0) {
            dst[j++] = char(b);
            continue;
        }
        // One replacement per code point: a surrogate pair is one character.
        if (isHighSurrogate(c) && i + 1 < n && isLowSurrogate(src[i + 1]))
            ++i;
        dst[j++] = char(kReplacement);
    }
    out.truncate(j);
    return out;
}

QString AfxFromAnsi(const char *bytes, qsizetype n)
{
    if (!bytes)
        return QString();
    if (n < 0)
        n = qsizetype(std::strlen(bytes));
    QString out(n, Qt::Uninitialized);
    AfxFromAnsi(bytes, n, reinterpret_cast<char16_t *>(out.data()));
    return out;
}

void AfxFromAnsi(const char *bytes, qsizetype n, char16_t *dst)
{
    const unsigned char *src = reinterpret_cast<const unsigned char *>(bytes);
    for (qsizetype i = 0; i < n; ++i)
        dst[i] = kDecode.ch[src[i]];
}

bool AfxIsAnsiRepresentable(const QString &text)
{
    const qsizetype n = text.size();
    const char16_t *src = reinterpret_cast<const char16_t *>(text.utf16());
    for (qsizetype i = 0; i < n; ++i)
        if (src[i] >= 0x80 && encodeUnit(src[i]) < 0)
            return false;
    return true;
}
