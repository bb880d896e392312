#include <QtTest>

#include <QUrlQuery>

#include "router/gateway.h"
#include "router/liveboxinfos.h"
#include "router/recordfill.h"

class TestGateway : public QObject
{
    Q_OBJECT

private slots:
    void plainCredentialsGiveTheLoginBodyAsDocumented()
    {
        QCOMPARE(wsLoginBody(QStringLiteral("admin"), QStringLiteral("Ab12Cd34")),
                 QByteArrayLiteral(R"({"service":"sah.Device.Information","method":"createContext",)"
                                   R"("parameters":{"applicationName":"so_sdkut","username":"admin",)"
                                   R"("password":"Ab12Cd34"}})"));
    }

    void anyPasswordSurvivesTheLoginBody_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("quote") << QStringLiteral("a\"b");
        QTest::newRow("backslash") << QStringLiteral("a\\b");
        QTest::newRow("query characters") << QStringLiteral("a&b#c%d+e=f g");
        QTest::newRow("accented") << QStringLiteral("Clé-été");
        QTest::newRow("beyond latin-1") << QStringLiteral("mot€passe😀");
        QTest::newRow("control") << QStringLiteral("tab\there\nnewline");
    }

    void anyPasswordSurvivesTheLoginBody()
    {
        QFETCH(QString, password);
        const QByteArray body = wsLoginBody(QStringLiteral("ad\"min"), password);
        for (char c : body)
            QVERIFY2(uchar(c) >= 0x20 && uchar(c) < 0x7f, "the body stays printable ASCII");
        QJsonParseError error;
        const QJsonObject parameters = QJsonDocument::fromJson(body, &error).object().value("parameters").toObject();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(parameters.value("password").toString(), password);
        QCOMPARE(parameters.value("username").toString(), QStringLiteral("ad\"min"));
    }

    void plainCredentialsGiveTheLoginUrlAsDocumented()
    {
        QCOMPARE(restLoginUrl(QStringLiteral("127.0.0.1:8080"), QStringLiteral("admin"), QStringLiteral("Ab12"))
                     .toEncoded(),
                 QByteArrayLiteral("http://127.0.0.1:8080/authenticate?username=admin&password=Ab12"));
    }

    void anyPasswordSurvivesTheLoginUrl_data() { anyPasswordSurvivesTheLoginBody_data(); }

    void anyPasswordSurvivesTheLoginUrl()
    {
        QFETCH(QString, password);
        const QUrl url = restLoginUrl(QStringLiteral("127.0.0.1:8080"), QStringLiteral("admin"), password);
        QVERIFY(url.isValid());
        QCOMPARE(url.path(), QStringLiteral("/authenticate"));
        const QByteArray query = url.query(QUrl::FullyEncoded).toLatin1();
        QCOMPARE(query.count('&'), 1);
        QVERIFY(!query.contains('#'));
        QVERIFY(!query.contains('+'));
        // Decoding %XX alone (no '+' as space) gives the password back.
        const QByteArray value = query.mid(query.indexOf("password=") + 9);
        QCOMPARE(QString::fromUtf8(QByteArray::fromPercentEncoding(value)), password);
    }

    void cookieWithoutSetCookieStartsWithTheSeparator()
    {
        QCOMPARE(sessionCookie(QByteArray(), "ctx"), QByteArrayLiteral("; sah/contextId=ctx"));
        QCOMPARE(sessionCookie("ab12/sessid=XYZ; path=/", "ctx"),
                 QByteArrayLiteral("ab12/sessid=XYZ; path=/; sah/contextId=ctx"));
    }

    void replyIsReadUpToTheFirstNul()
    {
        const QJsonDocument doc = parseReply(QByteArrayLiteral("{\"a\":1}\0garbage"));
        QCOMPARE(doc.object().value("a").toDouble(), 1.0);
        QVERIFY(parseReply("<html>oops</html>").object().isEmpty());
        QVERIFY(parseReply(QByteArray()).object().isEmpty());
    }

    void lookupsFallBackToZeroAndEmpty()
    {
        const QJsonObject root = parseReply(R"({"status":{"dsl":{"dsl0":{"Rate":"8000","Margin":65,"Name":7}}},
                                                "list":[{"value":"x"}]})")
                                     .object();
        const QJsonObject line = objectAt(root, QStringLiteral("status.dsl.dsl0"));
        QCOMPARE(jsonNumber(line, QStringLiteral("Margin")), 65.0);
        QCOMPARE(jsonNumber(line, QStringLiteral("Rate")), 0.0); // digits in quotes are text
        QCOMPARE(jsonNumber(line, QStringLiteral("Absent")), 0.0);
        QCOMPARE(jsonText(line, QStringLiteral("Name")), QString());
        QVERIFY(objectAt(root, QStringLiteral("status.nothing.here")).isEmpty());
        QVERIFY(objectAt(root, QStringLiteral("status.dsl.dsl0.Margin")).isEmpty()); // a number is no object
        QCOMPARE(jsonText(arrayElement(root, QStringLiteral("list"), 0), QStringLiteral("value")), QStringLiteral("x"));
        QVERIFY(arrayElement(root, QStringLiteral("list"), 23).isEmpty());
        QVERIFY(arrayElement(root, QStringLiteral("status"), 0).isEmpty());
    }

    void lineAndStatisticsFillTheirFields()
    {
        LiveBoxInfos r;
        r.PppLastChange = 77; // belongs to neither object
        fillLine(&r, parseReply(R"({"LastChange":3600,"LastChangeTime":120,"DownstreamCurrRate":17999,
                                    "UpstreamNoiseMargin":65,"ModulationHint":"ADSL2+","UpstreamPower":"12"})")
                         .object());
        fillStatistics(&r, parseReply(R"({"CRCErrors":12,"ATUCFECErrors":4000,"TransmitBlocks":1e9})").object());
        QCOMPARE(r.LastChange, 3600.0);
        QCOMPARE(r.LastChangeTime, 120.0);
        QCOMPARE(r.DownstreamCurrRate, 17999.0);
        QCOMPARE(r.UpstreamNoiseMargin, 65.0);
        QCOMPARE(r.UpstreamPower, 0.0);
        QCOMPARE(r.ModulationHint, QStringLiteral("ADSL2+"));
        QCOMPARE(r.ModulationType, QString());
        QCOMPARE(r.CRCErrors, 12.0);
        QCOMPARE(r.ATUCFECErrors, 4000.0);
        QCOMPARE(r.TransmitBlocks, 1e9);
        QCOMPARE(r.HECErrors, 0.0);
        QCOMPARE(r.PppLastChange, 77.0);
    }
};

QTEST_GUILESS_MAIN(TestGateway)
#include "test_gateway.moc"
