#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QPair>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "support/httpget.h"

// A Prometheus server of the test's own: loopback ports, a throw-away data
// folder, a scrape every second.
class Prometheus
{
public:
    explicit Prometheus(int target)
        : Prometheus(QStringLiteral("global:\n  scrape_interval: 1s\n  scrape_timeout: 1s\n"
                                    "scrape_configs:\n  - job_name: quelvane\n    static_configs:\n"
                                    "      - targets: ['127.0.0.1:%1']\n")
                         .arg(target))
    {
    }

    // With a configuration of the test's own.
    explicit Prometheus(const QString &configuration)
        : m_port(freePort())
    {
        QFile config(m_dir.filePath(QStringLiteral("prometheus.yml")));
        config.open(QIODevice::WriteOnly);
        config.write(configuration.toUtf8());
        config.close();
        const QString program = QStandardPaths::findExecutable(QStringLiteral("prometheus"));
        if (program.isEmpty())
            return;
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(program, {QStringLiteral("--config.file=") + config.fileName(),
                                  QStringLiteral("--storage.tsdb.path=") + m_dir.filePath(QStringLiteral("data")),
                                  QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(m_port),
                                  QStringLiteral("--log.level=error")});
        m_process.waitForStarted(5000);
    }

    ~Prometheus()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }

    bool ready()
    {
        for (int i = 0; i < 300 && m_process.state() == QProcess::Running; ++i) {
            if (httpGet(QStringLiteral("http://127.0.0.1:%1/-/ready").arg(m_port), 1000).status == 200)
                return true;
            QTest::qWait(100);
        }
        return false;
    }

    // The instant vector of `expression`, by the series' labels.
    QMap<QString, double> query(const QString &expression)
    {
        QMap<QString, double> values;
        for (const QJsonValue &item : series(expression)) {
            QStringList labels;
            const QJsonObject metric = item.toObject().value("metric").toObject();
            for (auto it = metric.begin(); it != metric.end(); ++it) {
                if (it.key() != QLatin1String("__name__") && it.key() != QLatin1String("instance")
                    && it.key() != QLatin1String("job"))
                    labels << it.key() + QLatin1Char('=') + it.value().toString();
            }
            values.insert(labels.join(QLatin1Char(',')),
                          item.toObject().value("value").toArray().at(1).toString().toDouble());
        }
        return values;
    }

    // The instant vector of `expression` as the HTTP API gives it, each
    // series {"metric": {labels}, "value": [time, "value"]}; `error` gets
    // what Prometheus said of an expression it refused.
    QJsonArray series(const QString &expression, QString *error = nullptr)
    {
        return api(QStringLiteral("query"), {{QStringLiteral("query"), expression}}, error)
            .toObject()
            .value("result")
            .toArray();
    }

    // The values of `label` in the series that `match` selects.
    QStringList labelValues(const QString &label, const QString &match)
    {
        QStringList values;
        for (const QJsonValue &value :
             api(QStringLiteral("label/%1/values").arg(label), {{QStringLiteral("match[]"), match}}).toArray())
            values << value.toString();
        return values;
    }

    // Waits until `expression` has a series whose value satisfies `wanted`.
    template <typename Wanted> bool waitFor(const QString &expression, Wanted wanted, int ms = 30000)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            for (double v : query(expression))
                if (wanted(v))
                    return true;
            QTest::qWait(250);
        }
        return false;
    }

private:
    QJsonValue api(const QString &path, const QList<QPair<QString, QString>> &parameters, QString *error = nullptr)
    {
        // Encoded by hand: QUrlQuery leaves "+" as it is, which the server
        // reads as a space.
        QStringList items;
        for (const auto &parameter : parameters)
            items << parameter.first + QLatin1Char('=') + QString::fromLatin1(QUrl::toPercentEncoding(parameter.second));
        const QJsonObject answer = QJsonDocument::fromJson(
                                       httpGet(QStringLiteral("http://127.0.0.1:%1/api/v1/%2?%3")
                                                   .arg(m_port)
                                                   .arg(path, items.join(QLatin1Char('&'))))
                                           .body)
                                       .object();
        if (error)
            *error = answer.value("error").toString();
        return answer.value("data");
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port;
};
