// Every request the service takes comes from anyone on the network. Driven in process, without a
// socket: whatever the method, path, query and body, the answer is a JSON object with a 2xx or
// 4xx status, never a 5xx.
#include "CodeSender.h"
#include "Database.h"
#include "FuzzCheck.h"
#include "ServiceApi.h"
#include "ServiceStore.h"
#include "VerificationCodes.h"
#include "core/platform/Log.h"

#include <QJsonDocument>
#include <QTemporaryDir>

#include <memory>

using namespace Sweepora;
using namespace Sweepora::Service;

// The service's log goes nowhere here: the log of a program's context would pull the whole
// context into the fuzzer.
namespace Sweepora::Core {
void Log::line(const QString&)
{}
void Log::setSink(std::function<void(const QString&)>)
{}
void Log::useStandardError(bool)
{}
} // namespace Sweepora::Core

namespace {

// One service for the whole run, over a database in a temporary folder: state that earlier
// inputs left (uploads, sent codes, counted limits) is part of what later inputs meet.
struct Instance
{
    Instance()
    {
        QString error;
        FUZZ_CHECK(dir.isValid() && db.open(dir.filePath(QStringLiteral("service.sqlite3")), &error));
    }
    QTemporaryDir dir;
    Database db;
    ServiceStore store{db};
    LogCodeSender sender;
    VerificationCodes codes{db, sender, [] { return qint64(1'700'000'000'000); }};
    ServiceApi api{store, codes, [] { return qint64(1'700'000'000'000); }};
};

// "METHOD TARGET\nCONTENT-TYPE\nBODY", the target's path and query items percent-decoded as the
// HTTP layer hands them over.
ApiRequest requestOf(const QByteArray& input)
{
    const QList<QByteArray> head = input.left(input.indexOf('\n', input.indexOf('\n') + 1)).split('\n');
    ApiRequest request;
    const QByteArray line = head.value(0);
    const qsizetype space = line.indexOf(' ');
    request.method = line.left(space);
    const QByteArray target = space < 0 ? QByteArray() : line.mid(space + 1);
    const qsizetype question = target.indexOf('?');
    request.path = QString::fromUtf8(QByteArray::fromPercentEncoding(target.left(question)));
    if (question >= 0) {
        for (const QByteArray& item : target.mid(question + 1).split('&')) {
            const qsizetype equals = item.indexOf('=');
            request.query.append(
                {QString::fromUtf8(QByteArray::fromPercentEncoding(item.left(equals))),
                 equals < 0 ? QString() : QString::fromUtf8(QByteArray::fromPercentEncoding(item.mid(equals + 1)))});
        }
    }
    request.contentType = head.value(1);
    request.body = input.mid(line.size() + request.contentType.size() + 2);
    request.client = QStringLiteral("192.0.2.1");
    return request;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Instance instance;
    const ApiReply reply = instance.api.handle(requestOf(fuzzBytes(data, size)));
    FUZZ_CHECK(reply.status >= 200 && reply.status < 500);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(reply.bytes(), &error);
    FUZZ_CHECK(error.error == QJsonParseError::NoError && document.isObject());
    return 0;
}
