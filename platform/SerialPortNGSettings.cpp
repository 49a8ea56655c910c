// The serial port's settings: properties, the list of ports present, and the
// 27 values of its registry section.

#include "Registry.h"
#include "SerialPortNG.h"

#include <QSerialPortInfo>

#include <functional>
#include <vector>

namespace {
// One stored value: its name, its text form, and how its text is taken back.
struct Field {
    const char* name;
    std::function<QString(const TSerialPortNG&)> text;
    std::function<void(TSerialPortNG&, const QString&)> load;
};

Field intField(const char* name, int (TSerialPortNG::*get)() const, void (TSerialPortNG::*set)(int))
{
    return {name, [get](const TSerialPortNG& p) { return QString::number((p.*get)()); },
            [set](TSerialPortNG& p, const QString& t) {
                int v = 0;
                if (Registry::parseInteger(t, v))
                    (p.*set)(v);
            }};
}

Field boolField(const char* name, bool (TSerialPortNG::*get)() const,
                void (TSerialPortNG::*set)(bool))
{
    return {name,
            [get](const TSerialPortNG& p) { return QString::fromLatin1((p.*get)() ? "1" : "0"); },
            [set](TSerialPortNG& p, const QString& t) {
                int v = 0;
                if (Registry::parseInteger(t, v))
                    (p.*set)(v != 0);
            }};
}

Field charField(const char* name, char (TSerialPortNG::*get)() const,
                void (TSerialPortNG::*set)(char))
{
    return {name,
            [get](const TSerialPortNG& p) {
                return QString(QChar(static_cast<unsigned char>((p.*get)())));
            },
            [set](TSerialPortNG& p, const QString& t) {
                if (t.size() == 1 && t.at(0).unicode() <= 0xFF)
                    (p.*set)(static_cast<char>(t.at(0).unicode()));
            }};
}

// In the order they are written; "Active" is last.
const std::vector<Field>& fields()
{
    using P = TSerialPortNG;
    static const std::vector<Field> list = {
        {"CommPort", [](const P& p) { return p.CommPort(); },
         [](P& p, const QString& t) { p.setCommPort(t); }},
        intField("BaudRate", &P::BaudRate, &P::setBaudRate),
        intField("ParityType", &P::ParityType, &P::setParityType),
        charField("ParityErrorChar", &P::ParityErrorChar, &P::setParityErrorChar),
        boolField("ParityErrorReplacement", &P::ParityErrorReplacement,
                  &P::setParityErrorReplacement),
        intField("StopBits", &P::StopBits, &P::setStopBits),
        intField("DataBits", &P::DataBits, &P::setDataBits),
        charField("XONChar", &P::XONChar, &P::setXONChar),
        charField("XOFFChar", &P::XOFFChar, &P::setXOFFChar),
        intField("XONLimDiv", &P::XONLimDiv, &P::setXONLimDiv),
        intField("XOFFLimDiv", &P::XOFFLimDiv, &P::setXOFFLimDiv),
        intField("FlowControl", &P::FlowControl, &P::setFlowControl),
        boolField("StripNullChars", &P::StripNullChars, &P::setStripNullChars),
        charField("EventChar", &P::EventChar, &P::setEventChar),
        intField("RTOCharDelayTime", &P::RTOCharDelayTime, &P::setRTOCharDelayTime),
        intField("RTOExtraDelayTime", &P::RTOExtraDelayTime, &P::setRTOExtraDelayTime),
        intField("ClusterSize", &P::ClusterSize, &P::setClusterSize),
        intField("RxQueueSize", &P::RxQueueSize, &P::setRxQueueSize),
        intField("TxQueueSize", &P::TxQueueSize, &P::setTxQueueSize),
        intField("WTOCharDelayTime", &P::WTOCharDelayTime, &P::setWTOCharDelayTime),
        intField("WTOExtraDelayTime", &P::WTOExtraDelayTime, &P::setWTOExtraDelayTime),
        boolField("XTOAuto", &P::XTOAuto, &P::setXTOAuto),
        boolField("RTSState", &P::RTSState, &P::setRTSState),
        boolField("DTRState", &P::DTRState, &P::setDTRState),
        boolField("BREAKState", &P::BREAKState, &P::setBREAKState),
        intField("ErrorNoise", &P::ErrorNoise, &P::setErrorNoise),
        {"Active", [](const P& p) { return QString::fromLatin1(p.Active() ? "1" : "0"); }, nullptr},
    };
    return list;
}

bool inRange(int v, int lo, int hi)
{
    return v >= lo && v <= hi;
}

constexpr int kMaxBytes = 16 * 1024 * 1024;
constexpr int kMaxCharUs = 1000000;
constexpr int kMaxExtraMs = 3600000;
} // namespace

// --- port list and storage ----------------------------------------------------

void TSerialPortNG::FillPortList(QStringList& list)
{
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports) {
        const QString name = info.portName(); // "ttyUSB0" opens as /dev/ttyUSB0
        if (!name.isEmpty() && !list.contains(name, Qt::CaseInsensitive))
            list.append(name);
    }
}

// "Active" is read first and acted on last; a value that is missing, not of
// its form or out of range leaves the setting as it is, except a missing
// "CommPort", which gives COM2. Nothing is reported.
void TSerialPortNG::LoadSettings(Registry& registry, const QString& section)
{
    bool openAtEnd = false;
    try {
        int v = 0;
        if (Registry::parseInteger(
                registry.readString(section, QStringLiteral("Active"), QString()), v))
            openAtEnd = v != 0;
    } catch (const RegistryError&) {
    }
    for (const Field& f : fields()) {
        if (!f.load)
            continue;
        const QString name = QString::fromLatin1(f.name);
        try {
            if (!registry.valueExists(section, name)) {
                if (name == QLatin1String("CommPort"))
                    setCommPort(QStringLiteral("COM2"));
                continue;
            }
            f.load(*this, registry.readString(section, name, QString()));
        } catch (const RegistryError&) {
        }
    }
    if (openAtEnd)
        setActive(true);
}

// Writes the 27 values in order; a store that refuses one ends it silently.
void TSerialPortNG::StoreSettings(Registry& registry, const QString& section)
{
    try {
        for (const Field& f : fields())
            registry.writeString(section, QString::fromLatin1(f.name), f.text(*this));
    } catch (const RegistryError&) {
    }
}

// --- properties ---------------------------------------------------------------

QString TSerialPortNG::CommPort() const
{
    return m_settings.commPort;
}

void TSerialPortNG::setCommPort(const QString& port)
{
    if (port == m_settings.commPort || port.isEmpty() || port.size() > 255)
        return;
    m_settings.commPort = port;
    reopen();
}

int TSerialPortNG::BaudRate() const
{
    return m_settings.baudRate;
}

void TSerialPortNG::setBaudRate(int baud)
{
    if (!inRange(baud, 1, 4000000))
        return;
    m_settings.baudRate = baud;
    applyToPort(Apply::Baud);
}

int TSerialPortNG::ParityType() const
{
    return m_settings.parityType;
}

void TSerialPortNG::setParityType(int v)
{
    if (!inRange(v, 0, 4))
        return;
    m_settings.parityType = v;
    applyToPort(Apply::Parity);
}

char TSerialPortNG::ParityErrorChar() const
{
    return m_settings.parityErrorChar;
}

void TSerialPortNG::setParityErrorChar(char c)
{
    m_settings.parityErrorChar = c;
}

bool TSerialPortNG::ParityErrorReplacement() const
{
    return m_settings.parityErrorReplacement;
}

void TSerialPortNG::setParityErrorReplacement(bool v)
{
    m_settings.parityErrorReplacement = v;
    applyToPort(Apply::Termios);
}

int TSerialPortNG::StopBits() const
{
    return m_settings.stopBits;
}

void TSerialPortNG::setStopBits(int v)
{
    if (!inRange(v, 0, 2))
        return;
    m_settings.stopBits = v;
    applyToPort(Apply::StopBits);
}

int TSerialPortNG::DataBits() const
{
    return m_settings.dataBits;
}

void TSerialPortNG::setDataBits(int v)
{
    if (!inRange(v, 5, 8))
        return;
    m_settings.dataBits = v;
    applyToPort(Apply::DataBits);
}

char TSerialPortNG::XONChar() const
{
    return m_settings.xonChar;
}

void TSerialPortNG::setXONChar(char c)
{
    m_settings.xonChar = c;
    applyToPort(Apply::Termios);
}

char TSerialPortNG::XOFFChar() const
{
    return m_settings.xoffChar;
}

void TSerialPortNG::setXOFFChar(char c)
{
    m_settings.xoffChar = c;
    applyToPort(Apply::Termios);
}

int TSerialPortNG::XONLimDiv() const
{
    return m_settings.xonLimDiv;
}

void TSerialPortNG::setXONLimDiv(int v)
{
    if (inRange(v, 0, 100))
        m_settings.xonLimDiv = v;
}

int TSerialPortNG::XOFFLimDiv() const
{
    return m_settings.xoffLimDiv;
}

void TSerialPortNG::setXOFFLimDiv(int v)
{
    if (inRange(v, 0, 100))
        m_settings.xoffLimDiv = v;
}

int TSerialPortNG::FlowControl() const
{
    return m_settings.flowControl;
}

void TSerialPortNG::setFlowControl(int v)
{
    if (!inRange(v, 0, 2))
        return;
    m_settings.flowControl = v;
    applyToPort(Apply::Flow);
}

bool TSerialPortNG::StripNullChars() const
{
    return m_settings.stripNullChars;
}

void TSerialPortNG::setStripNullChars(bool v)
{
    m_settings.stripNullChars = v;
}

char TSerialPortNG::EventChar() const
{
    return m_settings.eventChar;
}

void TSerialPortNG::setEventChar(char c)
{
    m_settings.eventChar = c;
}

int TSerialPortNG::RTOCharDelayTime() const
{
    return m_settings.rtoCharDelayTime;
}

void TSerialPortNG::setRTOCharDelayTime(int v)
{
    if (inRange(v, 0, kMaxCharUs))
        m_settings.rtoCharDelayTime = v;
}

int TSerialPortNG::RTOExtraDelayTime() const
{
    return m_settings.rtoExtraDelayTime;
}

void TSerialPortNG::setRTOExtraDelayTime(int v)
{
    if (inRange(v, 0, kMaxExtraMs))
        m_settings.rtoExtraDelayTime = v;
}

int TSerialPortNG::ClusterSize() const
{
    return m_settings.clusterSize;
}

void TSerialPortNG::setClusterSize(int v)
{
    if (inRange(v, 1, kMaxBytes))
        m_settings.clusterSize = v;
}

int TSerialPortNG::RxQueueSize() const
{
    return m_settings.rxQueueSize;
}

void TSerialPortNG::setRxQueueSize(int v)
{
    if (!inRange(v, 0, kMaxBytes))
        return;
    m_settings.rxQueueSize = v;
    applyToPort(Apply::ReadBuffer);
}

int TSerialPortNG::TxQueueSize() const
{
    return m_settings.txQueueSize;
}

void TSerialPortNG::setTxQueueSize(int v)
{
    if (inRange(v, 0, kMaxBytes))
        m_settings.txQueueSize = v;
}

int TSerialPortNG::WTOCharDelayTime() const
{
    return m_settings.wtoCharDelayTime;
}

void TSerialPortNG::setWTOCharDelayTime(int v)
{
    if (inRange(v, 0, kMaxCharUs))
        m_settings.wtoCharDelayTime = v;
}

int TSerialPortNG::WTOExtraDelayTime() const
{
    return m_settings.wtoExtraDelayTime;
}

void TSerialPortNG::setWTOExtraDelayTime(int v)
{
    if (inRange(v, 0, kMaxExtraMs))
        m_settings.wtoExtraDelayTime = v;
}

bool TSerialPortNG::XTOAuto() const
{
    return m_settings.xtoAuto;
}

void TSerialPortNG::setXTOAuto(bool v)
{
    m_settings.xtoAuto = v;
}

bool TSerialPortNG::RTSState() const
{
    return m_settings.rtsState;
}

void TSerialPortNG::setRTSState(bool v)
{
    m_settings.rtsState = v;
    applyToPort(Apply::Lines);
}

bool TSerialPortNG::DTRState() const
{
    return m_settings.dtrState;
}

void TSerialPortNG::setDTRState(bool v)
{
    m_settings.dtrState = v;
    applyToPort(Apply::Lines);
}

bool TSerialPortNG::BREAKState() const
{
    return m_settings.breakState;
}

void TSerialPortNG::setBREAKState(bool v)
{
    m_settings.breakState = v;
    applyToPort(Apply::Lines);
}

int TSerialPortNG::ErrorNoise() const
{
    return m_settings.errorNoise;
}

void TSerialPortNG::setErrorNoise(int v)
{
    if (inRange(v, 0, 255))
        m_settings.errorNoise = v;
}
