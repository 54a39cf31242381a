#include "player/telemetry/KeptTileScheme.h"

#include "platform/system/ShellFolders.h"
#include "player/telemetry/Log.h"

#include <QBuffer>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QPointer>
#include <QUrlQuery>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

namespace player {

namespace {

constexpr char kLive[] = "live";
constexpr char kKept[] = "kept";
constexpr char kUserAgent[] = "RoadPlayer map page";
constexpr int kTransferTimeoutMs = 15000;
constexpr int kHttpOk = 200;

// The desktop's proxy settings (the environment's on most), as the browser engine uses them.
class SystemProxies : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        return systemProxyForQuery(query);
    }
};

QByteArray MimeOf(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xD8\xFF")) {
        return QByteArrayLiteral("image/jpeg");
    }
    if (bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP") {
        return QByteArrayLiteral("image/webp");
    }
    if (bytes.startsWith("GIF8")) {
        return QByteArrayLiteral("image/gif");
    }
    return QByteArrayLiteral("image/png");
}

void Reply(QWebEngineUrlRequestJob* job, const QByteArray& bytes) {
    auto* buffer = new QBuffer(job);
    buffer->setData(bytes);
    job->reply(MimeOf(bytes), buffer);
}

}  // namespace

void KeptTileScheme::Register() {
    static const bool registered = [] {
        QWebEngineUrlScheme scheme(kScheme);
        scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
        scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::CorsEnabled);
        QWebEngineUrlScheme::registerScheme(scheme);
        return true;
    }();
    Q_UNUSED(registered);
}

void KeptTileScheme::InstallFor(QWebEngineProfile* profile) {
    if (profile == nullptr || profile->urlSchemeHandler(kScheme) != nullptr) {
        return;
    }
    const QString cache = platform::GetUserCacheFolder();
    if (cache.isEmpty()) {
        qCInfo(lcTelemetry) << "no cache folder: map tiles are not kept";
    }
    profile->installUrlSchemeHandler(
        kScheme, new KeptTileScheme(cache.isEmpty() ? QString() : cache + QStringLiteral("/tiles"),
                                    profile));
}

QString KeptTileScheme::Prefix() {
    return QString::fromLatin1(kScheme) + QLatin1Char(':');
}

KeptTileScheme::KeptTileScheme(QString folder, QObject* parent)
    : QWebEngineUrlSchemeHandler(parent),
      m_keeper(std::move(folder), TileKeeper::kDefaultBoundBytes),
      m_network(new QNetworkAccessManager(this)) {
    m_network->setProxyFactory(new SystemProxies);
}

void KeptTileScheme::requestStarted(QWebEngineUrlRequestJob* job) {
    const QUrl request = job->requestUrl();
    const QUrl tile(QUrlQuery(request).queryItemValue(QStringLiteral("url"), QUrl::FullyDecoded));
    const QString scheme = tile.scheme();
    if (!tile.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        qCInfo(lcTelemetry) << "the map page asked for a tile that is none:" << request;
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    const QString mode = request.path();
    if (mode == QLatin1String(kLive)) {
        Fetch(job, tile);
    } else if (mode == QLatin1String(kKept)) {
        if (const std::optional<QByteArray> kept = m_keeper.Find(tile.toString())) {
            Reply(job, *kept);
        } else {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        }
    } else {
        job->fail(QWebEngineUrlRequestJob::UrlInvalid);
    }
}

void KeptTileScheme::Fetch(QWebEngineUrlRequestJob* job, const QUrl& tile) {
    QNetworkRequest request(tile);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kUserAgent));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(kTransferTimeoutMs);
    QNetworkReply* reply = m_network->get(request);
    // The page may go, and its request with it, before the tile arrives.
    const QPointer<QWebEngineUrlRequestJob> pending(job);
    connect(job, &QObject::destroyed, reply, &QNetworkReply::abort);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > TileKeeper::kMaxTileBytes) {
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, pending, tile] {
        reply->deleteLater();
        if (pending.isNull()) {
            return;
        }
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() != QNetworkReply::NoError || status != kHttpOk) {
            qCDebug(lcTelemetry) << "tile not fetched:" << tile << reply->errorString();
            pending->fail(QWebEngineUrlRequestJob::RequestFailed);
            return;
        }
        const QByteArray bytes = reply->readAll();
        if (!m_keeper.Keep(tile.toString(), bytes)) {
            qCDebug(lcTelemetry) << "tile shown but not kept:" << tile;
        }
        Reply(pending, bytes);
    });
}

}  // namespace player
