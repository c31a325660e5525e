// Reads archive fields from arbitrary bytes until the end-of-file error.
//
// Input: byte 0 chooses the device (bit 0: sequential, so the archive cannot know the size); then, repeatedly,
// one byte choosing the next field (0 string, 1 LONG, 2 POINT, 3 RECT, by its value modulo 4) and the field.
// Every string read must survive being written and read again.
#include "platform/Archive.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Memory device that reports no size, as a pipe would.
class SequentialDevice final : public QIODevice {
public:
    SequentialDevice(const char *data, qint64 size) : m_data(data), m_size(size) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *out, qint64 maxlen) override
    {
        const qint64 n = std::min(maxlen, m_size - m_offset);
        if (n > 0)
            std::memcpy(out, m_data + m_offset, size_t(n));
        m_offset += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    const char *m_data;
    qint64 m_size;
    qint64 m_offset = 0;
};

void checkRoundTrip(const CString &s)
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    {
        CArchive out(&buffer, CArchive::store);
        out << s;
        out.Close();
    }
    buffer.seek(0);
    CArchive in(&buffer, CArchive::load);
    CString back;
    in >> back;
    if (back != s || in.BytesRemaining() != 0)
        std::abort();
}

void readFields(QIODevice *device)
{
    CArchive ar(device, CArchive::load);
    try {
        for (;;) {
            BYTE op;
            ar >> op;
            switch (op % 4) {
            case 0: {
                CString s;
                ar >> s;
                checkRoundTrip(s);
                break;
            }
            case 1: {
                LONG l;
                ar >> l;
                break;
            }
            case 2: {
                POINT pt;
                ar >> pt;
                break;
            }
            default: {
                RECT rc;
                ar >> rc;
                break;
            }
            }
        }
    } catch (CArchiveException *e) {
        const int cause = e->m_cause;
        e->Delete();
        // Only a short stream or a doubled UTF-16 marker may stop the reading.
        if (cause != CArchiveException::endOfFile && cause != CArchiveException::generic)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const bool sequential = data[0] & 1;
    const char *bytes = reinterpret_cast<const char *>(data + 1);
    const qint64 n = qint64(size - 1);
    if (sequential) {
        SequentialDevice device(bytes, n);
        readFields(&device);
    } else {
        QBuffer buffer;
        buffer.setData(QByteArray::fromRawData(bytes, qsizetype(n)));
        buffer.open(QIODevice::ReadOnly);
        readFields(&buffer);
    }
    return 0;
}
