// Platform: the serial-port component. One port on QSerialPort, received bytes
// formed into blocks and delivered one at a time, in order and never
// re-entrantly; writes with a time-out and a completion event; its settings
// stored in and loaded from the registry.
#pragma once

#include "SerialLink.h"

#include <QStringList>
#include <memory>

class Registry;

class TSerialPortNG : public SerialLink {
    Q_OBJECT
public:
    explicit TSerialPortNG(QObject* parent = nullptr);
    ~TSerialPortNG() override;

    // --- sending -----------------------------------------------------------
    // Starts transmitting Data and returns at once; empty data sends nothing.
    // OnWriteDone follows when the write has ended (complete or cut by the
    // write time-out). A send while a write is in progress is queued. A write
    // that cannot start (port closed, refused) raises no OnWriteDone.
    void SendText(const QByteArray& data) override;
    // Bytes written by the last finished write.
    int WrittenBytes() const override;

    // --- receiving ---------------------------------------------------------
    // Byte count of the oldest block not yet taken; -1 when there is none.
    int PendingClusterLength() const override;
    // Line-error flags of that block (0 = clean; 0 when there is none).
    int PendingClusterHasError() const override;
    // Removes and returns the oldest block; empty when there is none.
    QByteArray TakeCluster() override;

    // --- open and close ----------------------------------------------------
    bool Active() const override;
    // true opens CommPort with the current settings (stays false, silently,
    // when it cannot); false closes. Setting the current state does nothing.
    void setActive(bool active);

    // --- port list and settings storage ------------------------------------
    // Adds every serial port present that is not yet in the list.
    static void FillPortList(QStringList& list);
    void LoadSettings(Registry& registry, const QString& section);
    void StoreSettings(Registry& registry, const QString& section);

    // --- settings (names as stored) ----------------------------------------
    QString CommPort() const;
    // A different name reopens an open port on it.
    void setCommPort(const QString& port);
    int BaudRate() const;
    void setBaudRate(int baud); // applies to an open port
    int ParityType() const;     // 0 none, 1 odd, 2 even, 3 mark, 4 space
    void setParityType(int v);
    char ParityErrorChar() const;
    void setParityErrorChar(char c);
    bool ParityErrorReplacement() const;
    void setParityErrorReplacement(bool v);
    int StopBits() const; // 0 one, 1 one and a half, 2 two
    void setStopBits(int v);
    int DataBits() const; // 5..8
    void setDataBits(int v);
    char XONChar() const;
    void setXONChar(char c);
    char XOFFChar() const;
    void setXOFFChar(char c);
    int XONLimDiv() const;
    void setXONLimDiv(int v);
    int XOFFLimDiv() const;
    void setXOFFLimDiv(int v);
    int FlowControl() const; // 0 none, 1 RTS/CTS, 2 XON/XOFF
    void setFlowControl(int v);
    bool StripNullChars() const;
    void setStripNullChars(bool v);
    char EventChar() const;
    void setEventChar(char c);
    int RTOCharDelayTime() const; // microseconds per received byte
    void setRTOCharDelayTime(int v);
    int RTOExtraDelayTime() const; // milliseconds
    void setRTOExtraDelayTime(int v);
    int ClusterSize() const;
    void setClusterSize(int v);
    int RxQueueSize() const;
    void setRxQueueSize(int v);
    int TxQueueSize() const;
    void setTxQueueSize(int v);
    int WTOCharDelayTime() const; // microseconds per written byte
    void setWTOCharDelayTime(int v);
    int WTOExtraDelayTime() const; // milliseconds
    void setWTOExtraDelayTime(int v);
    bool XTOAuto() const;
    void setXTOAuto(bool v);
    bool RTSState() const;
    void setRTSState(bool v);
    bool DTRState() const;
    void setDTRState(bool v);
    bool BREAKState() const;
    void setBREAKState(bool v);
    int ErrorNoise() const;
    void setErrorNoise(int v);

    // Signals (from SerialLink): OnRxClusterEvent once per block appended to
    // the queue, in arrival order, never nested; OnWriteDone when a write has
    // ended, with WrittenBytes telling how much went out.

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
