// Platform: what the command channel needs of a serial port. TSerialPortNG is
// the real one; tests may script their own.
#pragma once

#include <QByteArray>
#include <QObject>

class SerialLink : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialLink() override = default;

    virtual void SendText(const QByteArray& data) = 0;
    virtual int WrittenBytes() const = 0;
    virtual int PendingClusterLength() const = 0;
    virtual int PendingClusterHasError() const = 0;
    virtual QByteArray TakeCluster() = 0;
    virtual bool Active() const = 0;

signals:
    void OnRxClusterEvent();
    void OnWriteDone();
};
