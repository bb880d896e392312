#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include "support/headless.h"
#include "support/httpget.h"
#include "support/prometheus.h"
#include "support/scratchdir.h"
#include "support/simulator.h"

namespace {
const QString dataSource = QStringLiteral("${DS_PROMETHEUS}");

QJsonObject dashboard()
{
    QFile file(QStringLiteral(QUELVANE_DASHBOARD_PATH));
    if (!file.open(QIODevice::ReadOnly))
        return QJsonObject();
    return QJsonDocument::fromJson(file.readAll()).object();
}

// The panels that show something: those of the rows, collapsed or not,
// without the rows themselves.
QVector<QJsonObject> panelsOf(const QJsonObject &board)
{
    QVector<QJsonObject> panels;
    for (const QJsonValue &value : board.value("panels").toArray()) {
        const QJsonObject panel = value.toObject();
        if (panel.value("type").toString() != QLatin1String("row"))
            panels << panel;
        for (const QJsonValue &inner : panel.value("panels").toArray())
            panels << inner.toObject();
    }
    return panels;
}

// Grafana writes a data source as its uid alone, or as {type, uid}.
QString dataSourceOf(const QJsonValue &value)
{
    return value.isObject() ? value.toObject().value("uid").toString() : value.toString();
}

// Every data source the dashboard names, wherever it does.
void collectDataSources(const QJsonValue &value, QStringList *found)
{
    if (value.isArray()) {
        for (const QJsonValue &item : value.toArray())
            collectDataSources(item, found);
    } else if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (it.key() == QLatin1String("datasource"))
                *found << dataSourceOf(it.value());
            else
                collectDataSources(it.value(), found);
        }
    }
}

QJsonObject instanceVariable(const QJsonObject &board)
{
    for (const QJsonValue &value : board.value("templating").toObject().value("list").toArray()) {
        if (value.toObject().value("name").toString() == QLatin1String("instance"))
            return value.toObject();
    }
    return QJsonObject();
}

// What Grafana sends for `expression`: its variables given the values of a
// dashboard looked at over its last five minutes.
QString asGrafanaSendsIt(QString expression, const QString &instance)
{
    expression.replace(QRegularExpression(QStringLiteral("\\$\\{instance\\}|\\$instance\\b")), instance);
    expression.replace(QRegularExpression(QStringLiteral("\\$__range\\b")), QStringLiteral("5m"));
    expression.replace(QRegularExpression(QStringLiteral("\\$__(rate_)?interval\\b")), QStringLiteral("1m"));
    return expression;
}
}

// The Grafana dashboard of dist/grafana: importable with the user's own
// Prometheus, and every panel's query answered by the series the program
// serves, for the line chosen and no other.
class TestDashboard : public QObject
{
    Q_OBJECT

private slots:
    void asksForItsDataSourceAtImport()
    {
        const QJsonObject board = dashboard();
        QVERIFY2(!board.isEmpty(), QUELVANE_DASHBOARD_PATH);

        bool asked = false;
        for (const QJsonValue &value : board.value("__inputs").toArray()) {
            const QJsonObject input = value.toObject();
            asked = asked
                    || (QStringLiteral("${%1}").arg(input.value("name").toString()) == dataSource
                        && input.value("type").toString() == QLatin1String("datasource")
                        && input.value("pluginId").toString() == QLatin1String("prometheus"));
        }
        QVERIFY(asked);
        // A data source of the machine it was made on is found on no other:
        // only the input, and Grafana's own for its annotations.
        QStringList named;
        collectDataSources(board, &named);
        named.removeAll(QStringLiteral("-- Grafana --"));
        QVERIFY(!named.isEmpty());
        QCOMPARE(QSet<QString>(named.begin(), named.end()), QSet<QString>{dataSource});

        const QJsonObject variable = instanceVariable(board);
        QCOMPARE(dataSourceOf(variable.value("datasource")), dataSource);
        const QJsonValue query = variable.value("query");
        QCOMPARE(query.isObject() ? query.toObject().value("query").toString() : query.toString(),
                 QStringLiteral("label_values(quelvane_polls_total, instance)"));

        QSet<int> ids;
        const QVector<QJsonObject> panels = panelsOf(board);
        QVERIFY(!panels.isEmpty());
        for (const QJsonObject &panel : panels) {
            const QString title = panel.value("title").toString();
            QVERIFY2(!ids.contains(panel.value("id").toInt()), qPrintable(title));
            ids << panel.value("id").toInt();
            QCOMPARE(dataSourceOf(panel.value("datasource")), dataSource);
            const QJsonArray targets = panel.value("targets").toArray();
            QVERIFY2(!targets.isEmpty(), qPrintable(title));
            QSet<QString> refIds;
            for (const QJsonValue &target : targets) {
                QVERIFY2(!target.toObject().value("expr").toString().trimmed().isEmpty(), qPrintable(title));
                QCOMPARE(dataSourceOf(target.toObject().value("datasource")), dataSource);
                // Answers are matched to queries by this name: two alike, one is lost.
                QVERIFY2(!refIds.contains(target.toObject().value("refId").toString()), qPrintable(title));
                refIds << target.toObject().value("refId").toString();
            }
        }
    }

    void everyQueryAnswersForTheChosenLineOnly()
    {
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("prometheus")).isEmpty(),
                 "prometheus is missing: scripts/install-deps --tests installs it");
        const QJsonObject board = dashboard();
        QVERIFY(!board.isEmpty());
        Simulator sim({"--fix", "DownstreamCurrRate=7616"});
        ScratchDir dir;
        const int metricsPort = freePort();
        dir.write("livebox.ini", headlessSettings(sim) + QStringLiteral("[METRIQUES]\nAdresse=%1\n").arg(metricsPort).toUtf8());
        Headless program(dir);
        // The same program scraped again under a second line's name: a query
        // that forgets to choose the line gets that one's series too.
        const QString line = QStringLiteral("127.0.0.1:%1").arg(metricsPort);
        Prometheus prometheus(QStringLiteral("global:\n  scrape_interval: 1s\n  scrape_timeout: 1s\n"
                                             "scrape_configs:\n"
                                             "  - job_name: quelvane\n"
                                             "    static_configs:\n      - targets: ['%1']\n"
                                             "  - job_name: quelvane-salon\n"
                                             "    static_configs:\n      - targets: ['%1']\n"
                                             "    relabel_configs:\n      - target_label: instance\n"
                                             "        replacement: 'salon:9464'\n")
                                  .arg(line));
        QVERIFY(prometheus.ready());

        // The variable's query lists both lines.
        const QJsonValue variableQuery = instanceVariable(board).value("query");
        const QRegularExpressionMatch labelValues =
            QRegularExpression(QStringLiteral("^label_values\\((.+),\\s*(\\w+)\\)$"))
                .match(variableQuery.isObject() ? variableQuery.toObject().value("query").toString()
                                                : variableQuery.toString());
        QVERIFY(labelValues.hasMatch());
        const QStringList lines{line, QStringLiteral("salon:9464")};
        QTRY_COMPARE_WITH_TIMEOUT(prometheus.labelValues(labelValues.captured(2), labelValues.captured(1)), lines, 20000);

        // Each query until it answers: increase() wants two scrapes of a
        // series, the line's series a first poll.
        struct Query
        {
            QString panel;
            QString unit;
            QString expression;
            QJsonArray series;
            QString error;
        };
        QVector<Query> queries;
        for (const QJsonObject &panel : panelsOf(board)) {
            for (const QJsonValue &target : panel.value("targets").toArray()) {
                const QString expression = asGrafanaSendsIt(target.toObject().value("expr").toString(), line);
                QVERIFY2(!expression.contains(QLatin1Char('$')), qPrintable(expression));
                queries.append({panel.value("title").toString(),
                                panel.value("fieldConfig").toObject().value("defaults").toObject().value("unit").toString(),
                                expression, {}, {}});
            }
        }
        QElapsedTimer clock;
        clock.start();
        bool waiting = true;
        while (waiting && clock.elapsed() < 60000) {
            waiting = false;
            for (Query &query : queries) {
                if (query.series.isEmpty())
                    query.series = prometheus.series(query.expression, &query.error);
                waiting = waiting || query.series.isEmpty();
            }
            if (waiting)
                QTest::qWait(250);
        }
        for (const Query &query : queries) {
            const QString what = query.panel + QStringLiteral(": ") + query.expression + QLatin1Char(' ') + query.error;
            QVERIFY2(!query.series.isEmpty(), qPrintable(what));
            for (const QJsonValue &series : query.series) {
                const QString instance = series.toObject().value("metric").toObject().value("instance").toString();
                QVERIFY2(instance == line, qPrintable(what + QStringLiteral("instance ") + instance));
            }
        }

        // Rates are served in bytes per second and shown in bit/s.
        bool rateSeen = false;
        for (const Query &query : queries) {
            if (!query.expression.contains(QLatin1String("quelvane_line_sync_rate_bytes_per_second"))
                || !query.expression.contains(QLatin1String("direction=\"down\"")))
                continue;
            rateSeen = true;
            QCOMPARE(query.unit, QStringLiteral("bps"));
            QCOMPARE(query.series.at(0).toObject().value("value").toArray().at(1).toString().toDouble(), 7616 * 1000.0);
        }
        QVERIFY(rateSeen);
    }
};

QTEST_MAIN(TestDashboard)
#include "test_dashboard.moc"
