#pragma once

#include "linemodel.h"

#include <QJsonArray>
#include <QJsonObject>

#include <httplib.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

struct Fault {
    std::string target;
    std::string kind;
    long long param = 0; // 0: the kind's default
    int remaining = 0;   // 0: forever
};

// "TARGET:KIND[:PARAM]" or a control-request object; nullopt when invalid.
std::optional<Fault> parseFault(const std::string &text, std::string *error);
std::optional<Fault> parseFault(const QJsonObject &object, std::string *error);

class Gateway
{
public:
    struct Options {
        LineModel::Options model;
        std::string user = "admin";
        std::string password = "secret";
        std::vector<Fault> faults;
        bool keepAlive = false; // keep connections open between requests
        // Answer like real firmware rather than like the documented protocol:
        // refused logins as HTTP 200 with an error list, a session cookie at
        // /authenticate that the REST calls must send back, two Set-Cookie
        // headers at the /ws login.
        bool realFirmware = false;
    };

    explicit Gateway(const Options &options);

    // Binds 127.0.0.1 only; returns the port, or -1.
    int bind(int port);
    void run();
    void stop(); // safe from any thread

    LineModel &model() { return m_model; }

private:
    struct Reply {
        Reply(int status = 200, std::string body = {}) : status(status), body(std::move(body)) {}
        int status;
        std::string body;
        std::string contentType = "application/json";
        httplib::Headers headers;
    };
    struct Call {
        std::string target;
        QJsonObject body;
    };
    struct Session {
        std::string cookieName; // empty when the login sent no cookie
        std::string cookieValue;
    };

    void serve(const httplib::Request &req, httplib::Response &res);
    void control(const httplib::Request &req, httplib::Response &res);
    Call classify(const httplib::Request &req) const;
    void record(const httplib::Request &req);
    std::optional<Fault> takeFault(const std::string &target);
    bool hang(const httplib::Request &req);
    bool pause(long long ms); // false when the simulator is stopping
    void send(httplib::Response &res, const Reply &reply, const std::string &kind, long long param);

    Reply respond(const httplib::Request &req, const Call &call, bool noCookie, bool shortDevice);
    Reply wsLogin(const httplib::Request &req, const Call &call, bool noCookie);
    Reply restLogin(const httplib::Request &req);
    Reply refusal(const Call &call, bool login) const;
    Session newCookie(Reply *reply, const std::string &attributes);
    bool wsSessionValid(const httplib::Request &req) const;
    bool restSessionValid(const httplib::Request &req) const;
    QByteArray randomBytes(int count);
    void remember(const std::string &context);
    void dropSessions();

    Options m_options;
    httplib::Server m_server;
    int m_port = -1;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    bool m_listening = false;
    unsigned m_faultGeneration = 0;
    std::vector<Fault> m_faults;
    LineModel m_model;
    std::mt19937_64 m_tokens;
    std::map<std::string, Session> m_wsSessions;
    std::map<std::string, Session> m_restSessions;
    std::deque<std::string> m_sessionOrder;
    std::deque<QJsonObject> m_log;
};
