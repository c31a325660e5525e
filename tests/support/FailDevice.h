// A write-only memory device that stops taking bytes after a set number, to test write failures.
#pragma once

#include <QBuffer>

namespace zbtest {

class FailDevice final : public QBuffer {
public:
    enum class Failure {
        Error,      // the failing write returns -1
        ShortWrite, // the failing write takes what still fits and reports that count
    };

    // Accepts `capacity` bytes in all; the write that would exceed it fails as `failure` says.
    explicit FailDevice(qint64 capacity, Failure failure = Failure::Error, QObject *parent = nullptr);

    // How many bytes were accepted.
    qint64 accepted() const { return m_accepted; }
    // How many writes reached the device.
    int writeCalls() const { return m_writeCalls; }

protected:
    qint64 writeData(const char *data, qint64 len) override;

private:
    qint64 m_capacity;
    Failure m_failure;
    qint64 m_accepted = 0;
    int m_writeCalls = 0;
};

} // namespace zbtest
