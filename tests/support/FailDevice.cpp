#include "FailDevice.h"

#include <algorithm>

namespace zbtest {

FailDevice::FailDevice(qint64 capacity, Failure failure, QObject *parent)
    : QBuffer(parent), m_capacity(capacity), m_failure(failure)
{
}

qint64 FailDevice::writeData(const char *data, qint64 len)
{
    ++m_writeCalls;
    const qint64 room = std::max<qint64>(0, m_capacity - m_accepted);
    if (len <= room) {
        const qint64 n = QBuffer::writeData(data, len);
        m_accepted += std::max<qint64>(0, n);
        return n;
    }
    if (m_failure == Failure::Error) {
        setErrorString(QStringLiteral("device full"));
        return -1;
    }
    const qint64 n = QBuffer::writeData(data, room);
    m_accepted += std::max<qint64>(0, n);
    return n;
}

} // namespace zbtest
