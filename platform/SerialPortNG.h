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
    // Line-error flags of that block (0 = clean; 0 when there is none):
    //   0x01 input buffer overflow, 0x02 receive overrun, 0x04 parity error,
    //   0x08 framing error, 0x10 break. Known only where the driver counts
    //   line errors (a UART on Linux; not a pseudo-terminal) or where parity-
    //   error replacement marks the bad bytes (reported as 0x04).
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
    // A setter given a value outside its range keeps the current value.
    // Settings made while the port is open apply to it at once.
    QString CommPort() const;
    // A different name reopens an open port on it (closed when that fails).
    // "COM2", "ttyUSB0" (taken as /dev/ttyUSB0) and full device paths work;
    // empty names and names over 255 characters are refused.
    void setCommPort(const QString& port);
    int BaudRate() const;
    void setBaudRate(int baud); // 1..4000000
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
    int XONLimDiv() const; // 0..100 (percent of the input queue)
    void setXONLimDiv(int v);
    int XOFFLimDiv() const; // 0..100
    void setXOFFLimDiv(int v);
    int FlowControl() const; // 0 none, 1 RTS/CTS, 2 XON/XOFF
    void setFlowControl(int v);
    bool StripNullChars() const;
    void setStripNullChars(bool v);
    char EventChar() const;
    void setEventChar(char c);
    int RTOCharDelayTime() const; // microseconds per received byte, 0..1000000
    void setRTOCharDelayTime(int v);
    int RTOExtraDelayTime() const; // milliseconds, 0..3600000
    void setRTOExtraDelayTime(int v);
    int ClusterSize() const; // bytes, 1..16777216
    void setClusterSize(int v);
    int RxQueueSize() const; // bytes read ahead, 0 (no limit)..16777216
    void setRxQueueSize(int v);
    int TxQueueSize() const; // 0..16777216
    void setTxQueueSize(int v);
    int WTOCharDelayTime() const; // microseconds per written byte, 0..1000000
    void setWTOCharDelayTime(int v);
    int WTOExtraDelayTime() const; // milliseconds, 0..3600000
    void setWTOExtraDelayTime(int v);
    // true: both time-outs use the time one character takes at the current
    // baud rate and frame in place of RTOCharDelayTime and WTOCharDelayTime.
    bool XTOAuto() const;
    void setXTOAuto(bool v);
    bool RTSState() const;
    void setRTSState(bool v);
    bool DTRState() const;
    void setDTRState(bool v);
    bool BREAKState() const;
    void setBREAKState(bool v);
    int ErrorNoise() const; // 0..255
    void setErrorNoise(int v);

    // Signals (from SerialLink): OnRxClusterEvent once per block appended to
    // the queue, in arrival order, never nested; OnWriteDone when a write has
    // ended, with WrittenBytes telling how much went out.

private:
    struct Settings {
        QString commPort = QStringLiteral("COM2");
        int baudRate = 38400;
        int parityType = 0;
        char parityErrorChar = '?';
        bool parityErrorReplacement = false;
        int stopBits = 0;
        int dataBits = 8;
        char xonChar = 0x11;
        char xoffChar = 0x13;
        int xonLimDiv = 66;
        int xoffLimDiv = 10;
        int flowControl = 0;
        bool stripNullChars = false;
        char eventChar = 0;
        int rtoCharDelayTime = 43;
        int rtoExtraDelayTime = 250;
        int clusterSize = 3072;
        int rxQueueSize = 4096;
        int txQueueSize = 4096;
        int wtoCharDelayTime = 43;
        int wtoExtraDelayTime = 250;
        bool xtoAuto = false;
        bool rtsState = true;
        bool dtrState = true;
        bool breakState = false;
        int errorNoise = 255;
    };
    // What a changed setting needs done to an open port.
    enum class Apply { Baud, DataBits, Parity, StopBits, Flow, Termios, Lines, ReadBuffer };
    void applyToPort(Apply what); // nothing while closed
    void reopen();                // closes and opens again when open

    Settings m_settings;
    struct Impl;
    std::unique_ptr<Impl> d;
};
