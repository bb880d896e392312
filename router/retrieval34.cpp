#include <QDebug>
#include <QFile>
#include <QNetworkRequest>

#include "common/appdir.h"
#include "app/mainwindow.h"
#include "gateway.h"
#include "recordfill.h"

namespace {
struct DataCall
{
    QByteArray body;
    const char *marker;
    const char *name; // "Failure <name>" in the debug output, "failure <name>" in the trace
};

const DataCall dataCalls[] = {
    {R"({"service":"NeMo.Intf.data","method":"getMIBs","parameters":{}})", "\n--GetMIBS--", "GetMIBS"},
    {R"({"service":"NeMo.Intf.dsl0","method":"getDSLStats","parameters":{}})", "\n--DSLstat--", "DSLstat"},
    {R"({"service":"NeMo.Intf.lan","method":"getMIBs","parameters":{"mibs":"wlanvap || wlanradio"}})",
     "\n--WIFI--", "WIFI"},
    {R"({"service":"NMC","method":"getWANStatus","parameters":{}})", "\n--WANstatus--", "WANstatus"},
    {R"({"service":"DeviceInfo","method":"get","parameters":{}})", "\n--DeviceInfo--", "DeviceInfo"},
};

// The trace of the latest poll, gathered in memory and written once at the
// end of the poll. The file is rewritten in place and cut to what this poll
// wrote, rather than emptied first: on file systems that discard freed
// blocks, emptying a file at every poll costs milliseconds.
class Trace
{
public:
    explicit Trace(const QString &path)
        : m_file(path)
    {
        m_file.open(QIODevice::ReadWrite | QIODevice::Text);
    }
    ~Trace()
    {
        if (!m_file.isOpen())
            return;
        m_file.write(m_text);
        if (m_file.size() > m_file.pos())
            m_file.resize(m_file.pos());
    }
    bool isOpen() const { return m_file.isOpen(); }

    Trace &operator<<(const char *text)
    {
        m_text += text;
        return *this;
    }
    Trace &operator<<(const QByteArray &bytes)
    {
        m_text += bytes;
        return *this;
    }
    Trace &operator<<(const QString &text)
    {
        m_text += text.toUtf8();
        return *this;
    }

private:
    QFile m_file;
    QByteArray m_text;
};
}

void MainWindow::LiveBox4GetInfos(LiveBoxInfos *LBinfos)
{
    if (gatewayBusy())
        return;

    Trace trace(AppDir::filePath(QStringLiteral("debug.txt")));
    if (!trace.isOpen())
        return;
    trace << "Version LB4 02/06/19 - 19h40\n\n";

    GatewayOperation operation(this);
    QByteArray contextId;
    QByteArray cookie;
    if (!wsLogin(operation.exchange(), &contextId, &cookie))
        return;

    const QNetworkRequest request = wsSessionRequest("application/x-sah-ws-4-call+json", contextId, cookie);
    QJsonObject replies[5];
    for (int i = 0; i < 5; ++i) {
        const GatewayExchange::Reply reply = operation.exchange().post(request, dataCalls[i].body);
        if (!reply.usable()) {
            // A refusal means the gateway no longer holds the session.
            if (reply.refused())
                connected = false;
            qDebug().noquote() << (QByteArrayLiteral("Failure ") + dataCalls[i].name).constData() << reply.failure();
            trace << "failure " << dataCalls[i].name << reply.failure() << "\n";
            return;
        }
        replies[i] = reply.json.object();
        // The reply as text: up to a NUL, as it was read.
        const int nul = reply.body.indexOf('\0');
        trace << dataCalls[i].marker << "\n" << (nul < 0 ? reply.body : reply.body.left(nul)) << "\n";
    }

    trace << "\nEXTRACTION DES INFOS\n\n";
    fillFromNewerReplies(LBinfos, replies);

    trace << "hardware version = " << LBinfos->HardwareVersion << "\n";
    trace << "LastChange = " << QString::number(LBinfos->LastChange, 'g', 6) << "\n";
}
