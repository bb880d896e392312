#include <QtTest>

#include <QUrlQuery>

#include "router/gateway.h"
#include "router/liveboxinfos.h"
#include "router/recordfill.h"
#include "router/requests.h"

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

    void severalSetCookiesGoBackAsOneWellFormedHeader()
    {
        // Qt joins several Set-Cookie headers with a bare line feed.
        QCOMPARE(sessionCookie("a1b2c3d4/sessid=XYZ; path=/; SameSite=Strict; HttpOnly\nUILang=fr; Path=/", "ctx"),
                 QByteArrayLiteral("a1b2c3d4/sessid=XYZ; UILang=fr; sah/contextId=ctx"));
        QCOMPARE(cookiePairs("a1b2c3d4/sessid=XYZ; path=/"), QByteArrayLiteral("a1b2c3d4/sessid=XYZ"));
        QCOMPARE(cookiePairs("a=1\nb=2; Expires=Wed, 21 Oct 2026 07:28:00 GMT\n"), QByteArrayLiteral("a=1; b=2"));
        QCOMPARE(cookiePairs(QByteArray()), QByteArray());
        for (const QByteArray &value : {sessionCookie("a=b\r\n", "c\r\nX-Injected: 1"), cookiePairs("a=b\r\nc=d"),
                                        headerValue("ctx\r\nX-Injected: 1")})
            QVERIFY2(!value.contains('\n') && !value.contains('\r'), value.constData());
    }

    void refusalsInsideAnHttp200ReplyAreFound_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("usable");
        QTest::newRow("newer refusal")
            << QByteArray(R"({"status":null,"errors":[{"error":13,"description":"Permission denied","info":"x"}]})")
            << true << false;
        QTest::newRow("older refusal")
            << QByteArray(R"({"result":{"status":null,"errors":[{"error":13,"description":"Permission denied"}]}})")
            << true << false;
        QTest::newRow("empty error list") << QByteArray(R"({"status":{"a":1},"errors":[]})") << false << true;
        QTest::newRow("values") << QByteArray(R"({"result":{"status":{"dsl":{}}}})") << false << true;
        QTest::newRow("not json") << QByteArray("<html>oops</html>") << false << false;
        QTest::newRow("empty body") << QByteArray() << false << false;
    }

    void refusalsInsideAnHttp200ReplyAreFound()
    {
        QFETCH(QByteArray, body);
        const GatewayReply reply = arrivedReply(body);
        QTEST(reply.refused(), "refused");
        QTEST(reply.usable(), "usable");
        QCOMPARE(reply.failure().isEmpty(), reply.usable());
        if (reply.refused())
            QVERIFY2(reply.failure().contains("error 13: Permission denied"), qPrintable(reply.failure()));
    }

    // A reply read as empty would be a reading of zeros: one without the
    // object (or list) that holds its values cannot be read.
    void aReplyWithoutItsValuesCannotBeRead_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("list");
        QTest::addColumn<QString>("failure");
        const QString dsl0 = QStringLiteral("status.dsl.dsl0");
        const QString noDsl0 = QStringLiteral("the reply holds no dsl0 object");
        QTest::newRow("line") << QByteArray(R"({"status":{"dsl":{"dsl0":{"LastChange":1}}}})") << dsl0 << false
                              << QString();
        QTest::newRow("line without its members") << QByteArray(R"({"status":{"dsl":{"dsl0":{}}}})") << dsl0
                                                  << false << QString();
        QTest::newRow("no line") << QByteArray(R"({"status":{}})") << dsl0 << false << noDsl0;
        QTest::newRow("line as false") << QByteArray(R"({"status":{"dsl":{"dsl0":false}}})") << dsl0 << false
                                       << noDsl0;
        QTest::newRow("line as a list") << QByteArray(R"({"status":{"dsl":{"dsl0":[{}]}}})") << dsl0 << false
                                        << noDsl0;
        QTest::newRow("a step as false") << QByteArray(R"({"status":false})") << dsl0 << false << noDsl0;
        QTest::newRow("statistics as false") << QByteArray(R"({"status":false})") << QStringLiteral("status")
                                             << false << QStringLiteral("the reply holds no status object");
        QTest::newRow("a list at the top") << QByteArray(R"([{"status":{}}])") << QStringLiteral("status") << false
                                           << QStringLiteral("the reply holds no status object");
        QTest::newRow("device list") << QByteArray(R"({"parameters":[]})") << QStringLiteral("parameters") << true
                                     << QString();
        QTest::newRow("device list as an object") << QByteArray(R"({"parameters":{}})") << QStringLiteral("parameters")
                                                  << true << QStringLiteral("the reply holds no parameters list");
        QTest::newRow("no device list") << QByteArray(R"({"result":{}})") << QStringLiteral("parameters") << true
                                        << QStringLiteral("the reply holds no parameters list");
        QTest::newRow("no place asked for") << QByteArray(R"({"result":{}})") << QString() << false << QString();
        // The reply's own failures come first.
        QTest::newRow("not json") << QByteArray("<html>") << dsl0 << false << QStringLiteral("the reply is not JSON");
        QTest::newRow("refused") << QByteArray(R"({"status":null,"errors":[{"error":13}]})") << dsl0 << false
                                 << QStringLiteral("refused by the gateway: error 13");
    }

    void aReplyWithoutItsValuesCannotBeRead()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, path);
        QFETCH(bool, list);
        const QByteArray path8 = path.toUtf8();
        const ValuesPlace place{path.isEmpty() ? nullptr : path8.constData(), list};
        QTEST(dataFailure(arrivedReply(body), place), "failure");
    }

    void aLoginOpensASessionOnlyWithAContext_data()
    {
        QTest::addColumn<bool>("arrived");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("context");
        QTest::newRow("context") << true << QByteArray(R"({"status":0,"data":{"contextID":"abc"}})")
                                 << QByteArray("abc");
        QTest::newRow("refused in a 200 reply")
            << true << QByteArray(R"({"status":null,"errors":[{"error":13,"description":"Permission denied"}]})")
            << QByteArray();
        QTest::newRow("refusal beside a context")
            << true << QByteArray(R"({"data":{"contextID":"abc"},"errors":[{"error":13}]})") << QByteArray();
        QTest::newRow("no context") << true << QByteArray(R"({"status":0,"data":{}})") << QByteArray();
        QTest::newRow("empty context") << true << QByteArray(R"({"data":{"contextID":""}})") << QByteArray();
        QTest::newRow("context as a number") << true << QByteArray(R"({"data":{"contextID":12}})") << QByteArray();
        QTest::newRow("not json") << true << QByteArray("<html>") << QByteArray();
        QTest::newRow("transport error") << false << QByteArray() << QByteArray();
    }

    void aLoginOpensASessionOnlyWithAContext()
    {
        QFETCH(bool, arrived);
        QFETCH(QByteArray, body);
        GatewayReply reply = arrivedReply(body);
        if (!arrived) {
            reply = GatewayReply();
            reply.error = QStringLiteral("Connection refused");
        }
        QString why;
        QTEST(sessionContext(reply, &why), "context");
        QCOMPARE(why.isEmpty(), !sessionContext(reply, &why).isEmpty());
    }

    void attainableRatesInBitsAreTurnedIntoKbps_data()
    {
        QTest::addColumn<QVector<double>>("given");    // up curr, down curr, up max, down max
        QTest::addColumn<QVector<double>>("expected"); // up max, down max
        QTest::newRow("VDSL2 17a") << QVector<double>{3421, 23160, 4218000, 29717000} << QVector<double>{4218, 29717};
        QTest::newRow("slow line, both in bit/s, below a million")
            << QVector<double>{128, 600, 150000, 700000} << QVector<double>{150, 700};
        QTest::newRow("only the upstream gives it away")
            << QVector<double>{300, 0, 900000, 0} << QVector<double>{900, 0};
        QTest::newRow("exactly one million") << QVector<double>{0, 0, 0, 1000000} << QVector<double>{0, 1000};
        QTest::newRow("ADSL2+ in kbit/s") << QVector<double>{1000, 17999, 1100, 20000} << QVector<double>{1100, 20000};
        QTest::newRow("VDSL in kbit/s") << QVector<double>{40000, 90000, 45000, 110000}
                                        << QVector<double>{45000, 110000};
        QTest::newRow("line down") << QVector<double>{0, 0, 500000, 900000} << QVector<double>{500000, 900000};
    }

    void attainableRatesInBitsAreTurnedIntoKbps()
    {
        QFETCH(QVector<double>, given);
        QFETCH(QVector<double>, expected);
        LiveBoxInfos r;
        r.UpstreamCurrRate = given[0];
        r.DownstreamCurrRate = given[1];
        r.UpstreamMaxRate = given[2];
        r.DownstreamMaxRate = given[3];
        maxRatesInKbps(&r);
        QCOMPARE(r.UpstreamMaxRate, expected[0]);
        QCOMPARE(r.DownstreamMaxRate, expected[1]);
        QCOMPARE(r.UpstreamCurrRate, given[0]);
        QCOMPARE(r.DownstreamCurrRate, given[1]);
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
