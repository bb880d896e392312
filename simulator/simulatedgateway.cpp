#include "simulatedgateway.h"
#include "sockets.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include <zlib.h>

namespace {

const std::set<std::string> kTargets = {
    "ws-login", "ws-getMIBs", "ws-DSLStats", "ws-WIFI", "ws-WANStatus", "ws-DeviceInfo", "ws-reboot",
    "rest-login", "rest-dsl", "rest-ppp", "rest-DSLStats", "rest-WIFI", "rest-WANStatus",
    "rest-DeviceInfo", "rest-reboot", "any",
};
const std::set<std::string> kKinds = {
    "reset", "hang", "slow", "trickle", "http401", "http500", "close", "notjson",
    "strings", "missing", "short-device", "huge", "bomb", "nocookie", "denied", "crlf-context",
    "no-values", "false-values",
};

// The latest requests only: tests read tens, and a demo left running for
// days must not grow without end (each entry holds its headers and body).
const std::size_t kLogLimit = 2000;
const std::size_t kSessionLimit = 256;

const char kDenied[] = R"({"status":null,"errors":[{"error":13,"description":"Permission denied","info":""}]})";
const char kBadLogin[] =
    R"({"status":null,"errors":[{"error":13,"description":"Permission denied","info":"Invalid username or password"}]})";
// What real firmware answers, with HTTP 200, to a refused /ws login.
const char kRefusedLogin[] =
    R"({"status":null,"errors":[{"error":13,"description":"Permission denied","info":"sah.Device.Information"}]})";

// The REST paths wrap every answer, refusals included, in "result".
std::string wrapped(const std::string &body)
{
    return R"({"result":)" + body + "}";
}

const char *const kLine[] = {
    "LastChange", "LastChangeTime", "LinkStatus", "DataPath", "InterleaveDepth", "ModulationType",
    "ModulationHint", "StandardUsed", "FirmwareVersion", "DownstreamAttenuation", "DownstreamLineAttenuation",
    "DownstreamCurrRate", "DownstreamMaxRate", "DownstreamNoiseMargin", "DownstreamPower",
    "UpstreamAttenuation", "UpstreamLineAttenuation", "UpstreamCurrRate", "UpstreamMaxRate",
    "UpstreamNoiseMargin", "UpstreamPower", "CurrentProfile",
};
const char *const kStats[] = {
    "ErroredSecs", "SeverelyErroredSecs", "ATUCCRCErrors", "CRCErrors", "ATUCFECErrors",
    "FECErrors", "ATUCHECErrors", "HECErrors", "CellDelin", "InitErrors",
    "InitTimeouts", "LinkRetrain", "LossOfFraming", "ReceiveBlocks", "TransmitBlocks",
};
const char *const kWan[] = {
    "LinkType", "LinkState", "MACAddress", "Protocol", "ConnectionState", "LastConnectionError",
    "IPAddress", "RemoteGateway", "DNSServers", "IPv6Address",
};
using Member = std::pair<const char *, const char *>; // reply name, model name
const Member kPpp[] = {
    {"LastChange", "PppLastChange"}, {"LastChangeTime", "PppLastChangeTime"},
    {"TransportType", "TransportType"}, {"MaxMRUSize", "MaxMRUSize"},
    {"ConnectionStatus", "PppConnectionStatus"}, {"Username", "PppUsername"},
    {"LocalIPAddress", "IPAddress"}, {"RemoteIPAddress", "RemoteGateway"}, {"DNSServers", "DNSServers"},
};
// The REST device reply is read by position: HardwareVersion at 6,
// SoftwareVersion at 7 and NumberOfReboots at 23 must stay where they are.
const Member kDevice[] = {
    {"Manufacturer", "Manufacturer"}, {"ManufacturerOUI", "ManufacturerOUI"}, {"ModelName", "ModelName"},
    {"Description", "Description"}, {"ProductClass", "ProductClass"}, {"SerialNumber", "SerialNumber"},
    {"HardwareVersion", "HardwareVersion"}, {"SoftwareVersion", "SoftwareVersion"},
    {"RescueVersion", "RescueVersion"}, {"ModemFirmwareVersion", "ModemFirmwareVersion"},
    {"EnabledOptions", nullptr}, {"AdditionalHardwareVersion", nullptr}, {"AdditionalSoftwareVersion", nullptr},
    {"SpecVersion", nullptr}, {"ProvisioningCode", nullptr}, {"UpTime", "UpTime"},
    {"FirstUseDate", "FirstUseDate"}, {"DeviceLog", nullptr}, {"VendorConfigFileNumberOfEntries", nullptr},
    {"ManufacturerURL", nullptr}, {"Country", "Country"}, {"ExternalIPAddress", "IPAddress"},
    {"DeviceStatus", "DeviceStatus"}, {"NumberOfReboots", "NumberOfReboots"},
    {"UpgradeOccurred", nullptr}, {"ResetOccurred", nullptr}, {"RestoreOccurred", nullptr},
};

QJsonValue memberValue(const QJsonObject &v, const Member &m)
{
    if (m.second)
        return v.value(QLatin1String(m.second));
    const QString name = QLatin1String(m.first);
    if (name == "SpecVersion")
        return QStringLiteral("1.1");
    if (name == "VendorConfigFileNumberOfEntries")
        return 1;
    if (name.endsWith("Occurred"))
        return false;
    return QString();
}

template <std::size_t N> QJsonObject pick(const QJsonObject &v, const char *const (&names)[N])
{
    QJsonObject o;
    for (const char *name : names)
        o.insert(QLatin1String(name), v.value(QLatin1String(name)));
    return o;
}

template <std::size_t N> QJsonObject pick(const QJsonObject &v, const Member (&members)[N])
{
    QJsonObject o;
    for (const Member &m : members)
        o.insert(QLatin1String(m.first), memberValue(v, m));
    return o;
}

QJsonObject restDevice(const QJsonObject &v, bool shortList)
{
    QJsonArray parameters;
    for (const Member &m : kDevice) {
        if (shortList && parameters.size() == 5)
            break;
        const QJsonValue value = memberValue(v, m);
        const char *type = value.isString() ? "string" : value.isBool() ? "bool" : "unsignedInt";
        if (QLatin1String(m.first) == QLatin1String("FirstUseDate"))
            type = "dateTime";
        parameters.append(QJsonObject{{"name", QLatin1String(m.first)}, {"type", type}, {"value", value}});
    }
    const QJsonObject info{{"key", "DeviceInfo"}, {"name", "DeviceInfo"}, {"parentKey", ""},
                           {"parentName", ""}, {"indexPath", "DeviceInfo"}, {"order", 0},
                           {"persistent", false}, {"readOnly", true}};
    return QJsonObject{{"objectInfo", info}, {"parameters", parameters}, {"children", QJsonArray()},
                       {"functions", QJsonArray()}};
}

QJsonValue stringified(const QJsonValue &value)
{
    if (value.isDouble()) {
        const QJsonValue n = LineModel::normalised(value);
        return n.isDouble() && n.toDouble() != std::floor(n.toDouble()) ? QString::number(n.toDouble(), 'g', 15)
                                                                         : QString::number(n.toVariant().toLongLong());
    }
    if (value.isArray()) {
        QJsonArray a;
        for (const QJsonValue &item : value.toArray())
            a.append(stringified(item));
        return a;
    }
    if (value.isObject()) {
        QJsonObject o = value.toObject();
        for (auto it = o.begin(); it != o.end(); ++it)
            *it = stringified(*it);
        return o;
    }
    return value;
}

std::string compact(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

// Where each reply holds what the program reads from it: the member that
// "no-values" takes away and "false-values" sets to false.
const std::map<std::string, QStringList> kValuesPlaces = {
    {"ws-login", {"data"}},
    {"rest-login", {"data"}},
    {"ws-getMIBs", {"status", "dsl", "dsl0"}},
    {"rest-dsl", {"result", "status", "dsl", "dsl0"}},
    {"rest-ppp", {"result", "status", "ppp", "ppp_data"}},
    {"ws-DSLStats", {"status"}},
    {"rest-DSLStats", {"result", "status"}},
    {"ws-WIFI", {"status", "wlanvap", "wl0"}},
    {"rest-WIFI", {"result", "status", "wlanvap", "wl0"}},
    {"ws-WANStatus", {"data"}},
    {"rest-WANStatus", {"result", "data"}},
    {"ws-DeviceInfo", {"status"}},
    {"rest-DeviceInfo", {"parameters"}},
};

// `root` with the member at `path` removed, or set to `value` unless that is
// undefined.
QJsonObject replacedAt(QJsonObject root, const QStringList &path, const QJsonValue &value)
{
    const QString &step = path.first();
    if (path.size() > 1)
        root.insert(step, replacedAt(root.value(step).toObject(), path.mid(1), value));
    else if (value.isUndefined())
        root.remove(step);
    else
        root.insert(step, value);
    return root;
}

bool appliesTo(const std::string &kind, const std::string &target)
{
    if (kind == "no-values" || kind == "false-values")
        return kValuesPlaces.count(target) > 0;
    if (kind == "crlf-context")
        return target == "ws-login" || target == "rest-login";
    if (kind == "nocookie")
        return target == "ws-login";
    if (kind == "short-device")
        return target.size() > 10 && target.compare(target.size() - 10, 10, "DeviceInfo") == 0;
    return true;
}

long long defaultParam(const std::string &kind)
{
    if (kind == "slow")
        return 2000;
    if (kind == "trickle")
        return 1000;
    if (kind == "huge")
        return 64LL << 20;
    if (kind == "bomb")
        return 1LL << 30;
    return 0;
}

// A JSON body of `size` bytes, compressed as HTTP's "deflate" (a zlib
// stream): a thousandth of its size on the wire. Made once per size.
const std::string &inflatingBody(long long size)
{
    static std::mutex mutex;
    static std::map<long long, std::string> made;
    std::lock_guard<std::mutex> lock(mutex);
    std::string &body = made[size];
    if (!body.empty())
        return body;
    const std::string head = R"({"status":{"padding":")", tail = R"("}})";
    z_stream z = {};
    deflateInit(&z, Z_BEST_COMPRESSION);
    std::string out(1 << 20, '\0');
    const std::string filler(1 << 20, 'x');
    const auto feed = [&](const char *data, std::size_t length, int flush) {
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
        z.avail_in = static_cast<uInt>(length);
        do {
            z.next_out = reinterpret_cast<Bytef *>(&out[0]);
            z.avail_out = static_cast<uInt>(out.size());
            deflate(&z, flush);
            body.append(out.data(), out.size() - z.avail_out);
        } while (z.avail_out == 0);
    };
    feed(head.data(), head.size(), Z_NO_FLUSH);
    long long left = std::max(0LL, size - static_cast<long long>(head.size() + tail.size()));
    while (left > 0) {
        const std::size_t piece = static_cast<std::size_t>(std::min<long long>(left, filler.size()));
        feed(filler.data(), piece, Z_NO_FLUSH);
        left -= static_cast<long long>(piece);
    }
    feed(tail.data(), tail.size(), Z_FINISH);
    deflateEnd(&z);
    return body;
}

std::optional<Fault> checked(Fault fault, std::string *error)
{
    if (!kTargets.count(fault.target)) {
        *error = "unknown fault target: " + fault.target;
        return std::nullopt;
    }
    if (!kKinds.count(fault.kind)) {
        *error = "unknown fault kind: " + fault.kind;
        return std::nullopt;
    }
    if (fault.param <= 0)
        fault.param = defaultParam(fault.kind);
    return fault;
}

// Cookie pairs as the client sends them: the raw Set-Cookie value (with its
// "path=/" attribute), then "; sah/contextId=...".
std::multimap<std::string, std::string> cookiePairs(const httplib::Request &req)
{
    std::multimap<std::string, std::string> pairs;
    for (std::size_t i = 0; i < req.get_header_value_count("Cookie"); ++i) {
        const std::string header = req.get_header_value("Cookie", i);
        httplib::detail::split(header.data(), header.data() + header.size(), ';', [&](const char *b, const char *e) {
            const std::string item = httplib::detail::trim_copy(std::string(b, e));
            const std::size_t eq = item.find('=');
            if (eq != std::string::npos)
                pairs.emplace(item.substr(0, eq), item.substr(eq + 1));
        });
    }
    return pairs;
}

bool hasPair(const std::multimap<std::string, std::string> &pairs, const std::string &name, const std::string &value)
{
    const auto range = pairs.equal_range(name);
    return std::any_of(range.first, range.second, [&](const auto &p) { return p.second == value; });
}

} // namespace

std::optional<Fault> parseFault(const std::string &text, std::string *error)
{
    const QStringList parts = QString::fromStdString(text).split(':');
    bool ok = parts.size() == 2;
    Fault fault;
    fault.param = parts.size() == 3 ? parts[2].toLongLong(&ok) : 0;
    if (!ok) {
        *error = "a fault is TARGET:KIND[:PARAM], PARAM a whole number: " + text;
        return std::nullopt;
    }
    fault.target = parts[0].toStdString();
    fault.kind = parts[1].toStdString();
    return checked(fault, error);
}

std::optional<Fault> parseFault(const QJsonObject &object, std::string *error)
{
    Fault fault;
    fault.target = object.value("target").toString().toStdString();
    fault.kind = object.value("kind").toString().toStdString();
    fault.remaining = std::max(0, object.value("count").toInt());
    fault.param = static_cast<long long>(object.value("param").toDouble());
    return checked(fault, error);
}

Gateway::Gateway(const Options &options)
    : m_options(options), m_faults(options.faults), m_model(options.model),
      m_tokens(options.model.seed ^ 0x5eed5eed5eed5eedULL)
{
    // A hung handler holds its thread, so there must be plenty of them.
    m_server.new_task_queue = [] { return new httplib::ThreadPool(32); };
    m_server.set_keep_alive_max_count(100);
    // httplib writes headers and body apart; with Nagle on, each reply would
    // wait out the client's delayed acknowledgement.
    m_server.set_tcp_nodelay(true);
    // httplib's default SO_REUSEPORT would let a second simulator share a
    // fixed port silently; SO_REUSEADDR alone still allows a quick restart.
    m_server.set_socket_options([](int sock) {
        const int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    m_server.Get(".*", [this](const httplib::Request &req, httplib::Response &res) { serve(req, res); });
    const auto reading = [this](const httplib::Request &req, httplib::Response &res,
                                const httplib::ContentReader &reader) {
        // Without Content-Length or chunked encoding a request has no body;
        // httplib's own reading would wait for the connection to close.
        httplib::Request full = req;
        if (req.has_header("Content-Length") || req.has_header("Transfer-Encoding"))
            reader([&full](const char *data, std::size_t size) {
                full.body.append(data, size);
                return true;
            });
        serve(full, res);
    };
    m_server.Post(".*", reading);
    m_server.Put(".*", reading);
    m_server.Delete(".*", reading);
}

int Gateway::bind(int port)
{
    if (port == 0)
        m_port = m_server.bind_to_any_port("127.0.0.1");
    else
        m_port = m_server.bind_to_port("127.0.0.1", port) ? port : -1;
    return m_port;
}

void Gateway::run()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping)
            return;
        m_listening = true;
    }
    m_server.listen_after_bind();
}

void Gateway::stop()
{
    bool listening;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        listening = m_listening;
    }
    m_wake.notify_all();
    // listen_after_bind may not have marked itself running yet, and stop()
    // does nothing until it has.
    for (int i = 0; listening && !m_server.is_running() && i < 500; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    m_server.stop();
    shutdownConnections(m_port);
}

void Gateway::serve(const httplib::Request &req, httplib::Response &res)
{
    if (req.path.rfind("/__sim/", 0) == 0) {
        control(req, res);
        return;
    }
    const Call call = classify(req);
    std::optional<Fault> fault;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        record(req);
        fault = takeFault(call.target);
    }
    const std::string kind = fault ? fault->kind : std::string();
    const long long param = fault ? fault->param : 0;


    if (kind == "reset" || (kind == "hang" && !hang(req))) {
        resetConnection(findConnection(m_port, req.remote_addr, req.remote_port));
        return;
    }
    if (kind == "huge") {
        static const std::string head = R"({"status":{"padding":")", tail = R"("}})";
        const std::size_t size = static_cast<std::size_t>(param);
        // Streamed piece by piece: the whole body never sits in memory.
        res.set_content_provider(size, "application/json",
                                 [size](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
                                     std::string chunk(std::min<std::size_t>(length, 64 * 1024), 'x');
                                     const bool closes = size >= head.size() + tail.size();
                                     for (std::size_t i = 0; i < chunk.size(); ++i) {
                                         const std::size_t at = offset + i;
                                         if (at < head.size())
                                             chunk[i] = head[at];
                                         else if (closes && at >= size - tail.size())
                                             chunk[i] = tail[at - (size - tail.size())];
                                     }
                                     return sink.write(chunk.data(), chunk.size());
                                 });
        return;
    }

    if (kind == "bomb") {
        // Sent compressed whatever the client asked for, as a hostile or
        // broken server would.
        // Given as a provider of known length: httplib would otherwise
        // compress it once more for a client that asks for gzip, and no
        // client inflates two layers.
        const std::string &body = inflatingBody(param);
        res.set_header("Content-Encoding", "deflate");
        res.set_content_provider(body.size(), "application/json",
                                 [&body](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
                                     return sink.write(body.data() + offset, std::min(length, body.size() - offset));
                                 });
        return;
    }

    Reply reply;
    const bool login = call.target == "ws-login" || call.target == "rest-login";
    if (kind == "http401" || kind == "http500") {
        reply.status = kind == "http401" ? 401 : 500;
        reply.body = kind == "http401" ? kDenied
                                       : R"({"status":null,"errors":[{"error":1,"description":"Internal error"}]})";
    } else if (kind == "denied") {
        reply = refusal(call, login);
    } else if (kind == "notjson") {
        reply.body = "<html>oops</html>";
        reply.contentType = "text/html";
    } else if (kind == "missing") {
        reply.body = login ? R"({"status":0,"data":{}})" : req.path == "/ws" ? R"({"status":{}})" : R"({"result":{}})";
    } else {
        reply = respond(req, call, kind == "nocookie", kind == "short-device");
        if (kind == "crlf-context") {
            // A context that would inject a header into every later request.
            const std::string key = R"("contextID":")";
            const std::size_t at = reply.body.find(key);
            if (at != std::string::npos)
                reply.body.insert(at + key.size(), R"(ctx\r\nX-Injected: yes\r\n)");
        }
    }

    if (kind == "slow" && !pause(param))
        return;
    if (kind == "strings") {
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(reply.body));
        if (doc.isObject())
            reply.body = compact(stringified(doc.object()).toObject());
    }
    if (kind == "no-values" || kind == "false-values") {
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(reply.body));
        if (doc.isObject())
            reply.body = compact(replacedAt(doc.object(), kValuesPlaces.at(call.target),
                                            kind == "false-values" ? QJsonValue(false) : QJsonValue(QJsonValue::Undefined)));
    }
    send(res, reply, kind, param);
}

void Gateway::send(httplib::Response &res, const Reply &reply, const std::string &kind, long long param)
{
    res.status = reply.status;
    // One connection per request unless asked otherwise. Qt writes a
    // request's headers and body apart with Nagle on, so on a kept-alive
    // connection every POST waits out the 40 ms delayed acknowledgement of
    // its headers; a fresh connection acknowledges at once.
    if (!m_options.keepAlive)
        res.set_header("Connection", "close");
    for (const auto &header : reply.headers)
        res.set_header(header.first, header.second);
    if (reply.body.empty()) {
        res.set_content(reply.body, reply.contentType);
        return;
    }
    auto body = std::make_shared<std::string>(reply.body);
    const std::size_t limit = kind == "close" ? body->size() / 2 : body->size();
    const long long interval = kind == "trickle" ? param : 0;
    // A provider with a known length keeps the full Content-Length header
    // (returning false drops the connection there), and httplib does not
    // gzip such replies: the client gets the bytes as written.
    res.set_content_provider(body->size(), reply.contentType,
                             [this, body, limit, interval](std::size_t offset, std::size_t, httplib::DataSink &sink) {
                                 if (offset >= limit)
                                     return false;
                                 if (interval == 0)
                                     return sink.write(body->data() + offset, limit - offset);
                                 return pause(interval) && sink.write(body->data() + offset, 1);
                             });
}

Gateway::Call Gateway::classify(const httplib::Request &req) const
{
    Call call;
    call.body = QJsonDocument::fromJson(QByteArray::fromStdString(req.body)).object();
    if (req.path == "/ws") {
        static const std::map<std::pair<QString, QString>, std::string> calls = {
            {{"sah.Device.Information", "createContext"}, "ws-login"},
            {{"NeMo.Intf.data", "getMIBs"}, "ws-getMIBs"},
            {{"NeMo.Intf.dsl0", "getDSLStats"}, "ws-DSLStats"},
            {{"NeMo.Intf.lan", "getMIBs"}, "ws-WIFI"},
            {{"NMC", "getWANStatus"}, "ws-WANStatus"},
            {{"DeviceInfo", "get"}, "ws-DeviceInfo"},
            {{"NMC", "reboot"}, "ws-reboot"},
        };
        const auto it = calls.find({call.body.value("service").toString(), call.body.value("method").toString()});
        call.target = it == calls.end() ? "ws-other" : it->second;
    } else if (req.path == "/authenticate") {
        call.target = "rest-login";
    } else if (req.path == "/sysbus/NeMo/Intf/data:getMIBs") {
        const QString mibs = call.body.value("parameters").toObject().value("mibs").toString();
        call.target = mibs.contains("ppp") ? "rest-ppp" : "rest-dsl";
    } else {
        static const std::map<std::string, std::string> paths = {
            {"/sysbus/NeMo/Intf/dsl0:getDSLStats", "rest-DSLStats"},
            {"/sysbus/NeMo/Intf/lan:getMIBs", "rest-WIFI"},
            {"/sysbus/NMC:getWANStatus", "rest-WANStatus"},
            {"/sysbus/DeviceInfo", "rest-DeviceInfo"},
            {"/sysbus/NMC:reboot", "rest-reboot"},
        };
        const auto it = paths.find(req.path);
        call.target = it != paths.end() ? it->second : req.path.rfind("/sysbus/", 0) == 0 ? "rest-other" : "other";
    }
    return call;
}

void Gateway::record(const httplib::Request &req)
{
    QJsonArray headers;
    for (const auto &header : req.headers) {
        // httplib adds these itself; they never came over the wire.
        static const std::set<std::string> added = {"REMOTE_ADDR", "REMOTE_PORT", "LOCAL_ADDR", "LOCAL_PORT"};
        if (!added.count(header.first))
            headers.append(QJsonArray{QString::fromLatin1(header.first.c_str()),
                                      QString::fromLatin1(header.second.data(), int(header.second.size()))});
    }
    const QByteArray body = QByteArray::fromStdString(req.body);
    if (m_log.size() >= kLogLimit)
        m_log.pop_front();
    m_log.push_back(QJsonObject{{"method", QString::fromStdString(req.method)},
                                {"target", QString::fromLatin1(req.target.data(), int(req.target.size()))},
                                {"headers", headers},
                                {"body", QString::fromUtf8(body)},
                                {"body_base64", QString::fromLatin1(body.toBase64())}});
}

std::optional<Fault> Gateway::takeFault(const std::string &target)
{
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if ((it->target == target || it->target == "any") && appliesTo(it->kind, target)) {
            const Fault fault = *it;
            if (it->remaining > 0 && --it->remaining == 0)
                m_faults.erase(it);
            return fault;
        }
    }
    return std::nullopt;
}

// Holds the request until the faults are changed (then it is answered), or
// the client goes away, the simulator stops or ten minutes pass.
bool Gateway::hang(const httplib::Request &req)
{
    const int fd = findConnection(m_port, req.remote_addr, req.remote_port);
    const auto cap = std::chrono::steady_clock::now() + std::chrono::minutes(10);
    std::unique_lock<std::mutex> lock(m_mutex);
    const unsigned generation = m_faultGeneration;
    while (!m_stopping && m_faultGeneration == generation) {
        if (std::chrono::steady_clock::now() >= cap)
            return false;
        lock.unlock();
        const bool gone = peerClosed(fd);
        lock.lock();
        if (gone)
            return false;
        m_wake.wait_for(lock, std::chrono::milliseconds(200));
    }
    return !m_stopping;
}

bool Gateway::pause(long long ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stopping; });
}

Gateway::Reply Gateway::respond(const httplib::Request &req, const Call &call, bool noCookie, bool shortDevice)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (call.target == "ws-login")
        return wsLogin(req, call, noCookie);
    if (call.target == "rest-login")
        return restLogin(req);
    const bool ws = req.path == "/ws";
    if (call.target == "other")
        return Reply{404, R"({"status":null,"errors":[{"error":404,"description":"Not found"}]})"};
    if (!(ws ? wsSessionValid(req) : restSessionValid(req)))
        return refusal(call, false);

    const QJsonObject v = m_model.current();
    const QJsonObject line = pick(v, kLine);
    const QJsonObject ppp = pick(v, kPpp);
    const std::string &t = call.target;
    QJsonObject reply;
    if (t == "ws-getMIBs") {
        const QJsonObject atm = {{"MTU", v.value("MTU")}, {"NetDevName", "atm_multi"}, {"NetDevState", "up"}};
        reply = {{"status", QJsonObject{{"dsl", QJsonObject{{"dsl0", line}}},
                                        {"netdev", QJsonObject{{"atm_multi", atm}}},
                                        {"ppp", QJsonObject{{"ppp_data", ppp}}}}}};
    } else if (t == "rest-dsl") {
        reply = {{"status", QJsonObject{{"dsl", QJsonObject{{"dsl0", line}}}}}};
    } else if (t == "rest-ppp") {
        reply = {{"status", QJsonObject{{"ppp", QJsonObject{{"ppp_data", ppp}}}}}};
    } else if (t == "ws-DSLStats" || t == "rest-DSLStats") {
        reply = {{"status", pick(v, kStats)}};
    } else if (t == "ws-WIFI" || t == "rest-WIFI") {
        QJsonObject wl0 = pick(v, {"SSID", "BSSID"});
        wl0.insert("VAPStatus", "Up");
        wl0.insert("SSIDAdvertisementEnabled", true);
        const QJsonObject radio = {{"RadioStatus", "Up"}, {"Channel", 11}, {"OperatingFrequencyBand", "2.4GHz"}};
        reply = {{"status", QJsonObject{{"wlanvap", QJsonObject{{"wl0", wl0}}},
                                        {"wlanradio", QJsonObject{{"wifi0_bcm", radio}}}}}};
    } else if (t == "ws-WANStatus" || t == "rest-WANStatus") {
        reply = {{"status", true}, {"data", pick(v, kWan)}};
    } else if (t == "ws-DeviceInfo") {
        QJsonObject device = pick(v, kDevice);
        if (shortDevice) {
            for (const char *name : {"HardwareVersion", "SoftwareVersion", "NumberOfReboots"})
                device.remove(QLatin1String(name));
        }
        reply = {{"status", device}};
    } else if (t == "rest-DeviceInfo") {
        return Reply{200, compact(restDevice(v, shortDevice))};
    } else if (t == "ws-reboot" || t == "rest-reboot") {
        reply = {{"status", true}};
        m_model.reboot();
        dropSessions();
    } else {
        reply = {{"status", QJsonValue::Null},
                 {"errors", QJsonArray{QJsonObject{{"error", 196618}, {"description", "Object or parameter not found"}}}}};
    }
    return Reply{200, compact(ws ? reply : QJsonObject{{"result", reply}})};
}

Gateway::Reply Gateway::wsLogin(const httplib::Request &req, const Call &call, bool noCookie)
{
    const QJsonObject parameters = call.body.value("parameters").toObject();
    const QJsonValue userValue = parameters.value("username"), passwordValue = parameters.value("password");
    const std::string user = userValue.toString().toStdString();
    if (req.get_header_value("Authorization") != "X-Sah-Login" || !userValue.isString() || !passwordValue.isString()
        || user != m_options.user || passwordValue.toString().toStdString() != m_options.password)
        return m_options.realFirmware ? Reply{200, kRefusedLogin} : Reply{401, kBadLogin};

    if (m_model.poll())
        dropSessions();
    const std::string context = randomBytes(24).toBase64().toStdString();
    Reply reply;
    Session session;
    if (!noCookie) {
        if (m_options.realFirmware) {
            session = newCookie(&reply, "; path=/; SameSite=Strict; HttpOnly");
            // A second cookie that the session does not need: the client
            // must still send both back in one well-formed header.
            reply.headers.emplace("Set-Cookie", "UILang=fr; Path=/; SameSite=Lax");
        } else {
            session = newCookie(&reply, "; path=/");
        }
    }
    m_wsSessions[context] = session;
    remember(context);
    reply.body = compact(QJsonObject{
        {"status", 0},
        {"data", QJsonObject{{"contextID", QString::fromStdString(context)},
                             {"username", QString::fromStdString(user)},
                             {"groups", "http,admin"}}}});
    return reply;
}

Gateway::Reply Gateway::restLogin(const httplib::Request &req)
{
    // httplib's own query parsing turns "+" into a space, which the gateway
    // does not: only %XX escapes are decoded here.
    std::map<std::string, std::string> query;
    const std::size_t mark = req.target.find('?');
    if (mark != std::string::npos) {
        const std::string q = req.target.substr(mark + 1);
        httplib::detail::split(q.data(), q.data() + q.size(), '&', [&](const char *b, const char *e) {
            const std::string item(b, e);
            const std::size_t eq = item.find('=');
            const std::string key = httplib::detail::decode_url(item.substr(0, eq), false);
            query.emplace(key, eq == std::string::npos ? "" : httplib::detail::decode_url(item.substr(eq + 1), false));
        });
    }
    const auto user = query.find("username"), password = query.find("password");
    if (user == query.end() || password == query.end() || user->second != m_options.user
        || password->second != m_options.password)
        return m_options.realFirmware ? Reply{200, wrapped(kRefusedLogin)} : Reply{401, kBadLogin};

    if (m_model.poll())
        dropSessions();
    const std::string context = randomBytes(24).toBase64().toStdString();
    Reply reply{200, compact(QJsonObject{{"status", 0},
                                         {"data", QJsonObject{{"contextID", QString::fromStdString(context)}}}})};
    // Real older firmware ties the session to a cookie as well as the context.
    m_restSessions[context] = m_options.realFirmware ? newCookie(&reply, "; path=/") : Session{};
    remember(context);
    return reply;
}

Gateway::Session Gateway::newCookie(Reply *reply, const std::string &attributes)
{
    Session session;
    session.cookieName = randomBytes(4).toHex().toStdString() + "/sessid";
    session.cookieValue =
        randomBytes(18).toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals).toStdString();
    reply->headers.emplace("Set-Cookie", session.cookieName + "=" + session.cookieValue + attributes);
    return session;
}

// A refusal as real firmware sends it: HTTP 200 and error 13, in "result"
// on the REST paths.
Gateway::Reply Gateway::refusal(const Call &call, bool login) const
{
    const bool rest = call.target.rfind("rest-", 0) == 0;
    const std::string body = login ? kRefusedLogin : kDenied;
    return Reply{200, rest ? wrapped(body) : body};
}

bool Gateway::wsSessionValid(const httplib::Request &req) const
{
    const std::string context = req.get_header_value("X-Context");
    const auto it = m_wsSessions.find(context);
    if (it == m_wsSessions.end())
        return false;
    const auto pairs = cookiePairs(req);
    return hasPair(pairs, "sah/contextId", context)
        && (it->second.cookieName.empty() || hasPair(pairs, it->second.cookieName, it->second.cookieValue));
}

// The REST paths also answer within a /ws session, the way a newer gateway does.
bool Gateway::restSessionValid(const httplib::Request &req) const
{
    const auto it = m_restSessions.find(req.get_header_value("X-Context"));
    if (it == m_restSessions.end())
        return wsSessionValid(req);
    return it->second.cookieName.empty() || hasPair(cookiePairs(req), it->second.cookieName, it->second.cookieValue);
}

QByteArray Gateway::randomBytes(int count)
{
    QByteArray raw;
    for (int i = 0; i < count; ++i)
        raw.append(char(m_tokens() & 0xff));
    return raw;
}

// Like the gateway, keep only so many sessions; old contexts stop working.
void Gateway::remember(const std::string &context)
{
    m_sessionOrder.push_back(context);
    if (m_sessionOrder.size() > kSessionLimit) {
        m_wsSessions.erase(m_sessionOrder.front());
        m_restSessions.erase(m_sessionOrder.front());
        m_sessionOrder.pop_front();
    }
}

void Gateway::dropSessions()
{
    m_sessionOrder.clear();
    m_wsSessions.clear();
    m_restSessions.clear();
}

void Gateway::control(const httplib::Request &req, httplib::Response &res)
{
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(req.body), &parseError);
    const QJsonObject body = doc.object();
    const auto fail = [&](int status, const std::string &why) {
        res.status = status;
        res.set_content(compact(QJsonObject{{"error", QString::fromStdString(why)}}), "application/json");
    };
    const bool needsBody = req.path == "/__sim/faults" || req.path == "/__sim/set" || req.path == "/__sim/event";
    if (needsBody && !doc.isObject()) {
        fail(400, "the body must be a JSON object");
        return;
    }

    QJsonObject answer{{"ok", true}};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (req.path == "/__sim/requests") {
            QJsonArray log;
            for (const QJsonObject &entry : m_log)
                log.append(entry);
            answer = {{"requests", log}};
        } else if (req.path == "/__sim/clear") {
            m_log.clear();
        } else if (req.path == "/__sim/faults") {
            std::vector<Fault> faults;
            for (const QJsonValue &item : body.value("faults").toArray()) {
                std::string error;
                const auto fault = parseFault(item.toObject(), &error);
                if (!fault) {
                    fail(400, error);
                    return;
                }
                faults.push_back(*fault);
            }
            m_faults = faults;
            ++m_faultGeneration;
            m_wake.notify_all();
        } else if (req.path == "/__sim/set") {
            for (auto it = body.begin(); it != body.end(); ++it)
                m_model.fix(it.key(), it.value());
        } else if (req.path == "/__sim/event") {
            const QString kind = body.value("kind").toString();
            if (kind == "resync") {
                m_model.resync();
            } else if (kind == "reboot") {
                m_model.reboot();
                dropSessions();
            } else {
                fail(400, "kind is resync or reboot");
                return;
            }
        } else if (req.path == "/__sim/state") {
            answer = m_model.upcoming();
        } else {
            fail(404, "unknown control request");
            return;
        }
    }
    res.set_content(compact(answer), "application/json");
}
