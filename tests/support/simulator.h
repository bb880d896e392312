#pragma once

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

// The gateway simulator started as a real loopback server for one test,
// with its control requests for faults, fixed values and the request log.
class Simulator
{
public:
    explicit Simulator(const QStringList &arguments = {})
    {
        m_process.setProgram(QStringLiteral(QUELVANE_SIM_PATH));
        m_process.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0")} + arguments);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return;
        // The whole line: a read may end within the port's digits.
        const QRegularExpression listening(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)\n"));
        QByteArray out;
        for (int i = 0; i < 100 && m_port == 0; ++i) {
            m_process.waitForReadyRead(100);
            out += m_process.readAllStandardOutput();
            const QRegularExpressionMatch match = listening.match(QString::fromUtf8(out));
            if (match.hasMatch())
                m_port = match.captured(1).toInt();
        }
    }

    ~Simulator()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(3000)) {
                m_process.kill();
                m_process.waitForFinished(3000);
            }
        }
    }

    bool isRunning() const { return m_port != 0; }
    int port() const { return m_port; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

    QJsonArray requests() { return control("GET", "/__sim/requests").object().value("requests").toArray(); }
    void clear() { control("POST", "/__sim/clear"); }
    void heal() { setFaults(QJsonArray()); }

    // One fault on one request position; count 0 keeps it until healed.
    void fault(const QString &target, const QString &kind, int count = 0, double param = 0)
    {
        setFaults(QJsonArray{QJsonObject{{"target", target}, {"kind", kind}, {"count", count}, {"param", param}}});
    }
    void setFaults(const QJsonArray &faults) { control("POST", "/__sim/faults", QJsonObject{{"faults", faults}}); }
    void set(const QJsonObject &values) { control("POST", "/__sim/set", values); }
    void event(const QString &kind) { control("POST", "/__sim/event", QJsonObject{{"kind", kind}}); }
    QJsonObject state() { return control("GET", "/__sim/state").object(); }

private:
    QJsonDocument control(const QByteArray &verb, const QString &path, const QJsonObject &body = {})
    {
        QNetworkRequest request(QUrl(QStringLiteral("http://%1%2").arg(address(), path)));
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        QNetworkReply *reply = verb == "GET" ? m_manager.get(request)
                                             : m_manager.post(request, QJsonDocument(body).toJson(QJsonDocument::Compact));
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        const QJsonDocument document = QJsonDocument::fromJson(reply->readAll());
        delete reply;
        return document;
    }

    QProcess m_process;
    QNetworkAccessManager m_manager;
    int m_port = 0;
};

// A settings file that points the program at the simulator.
inline QByteArray settingsFor(const Simulator &sim, int algoType = 0, const QString &password = QStringLiteral("secret"))
{
    return QStringLiteral("[LIVEBOX]\nLiveBox=%1\nUser=admin\nPass=%2\nAlgoType=%3\n")
        .arg(sim.address(), password)
        .arg(algoType)
        .toUtf8();
}
