#include "UrlFetcher.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

namespace UrlFetcher {

void fetch(const QUrl &url, QObject *context, Platform::FetchDone done, int timeoutMs)
{
    static QNetworkAccessManager *manager = new QNetworkAccessManager;
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    QNetworkReply *reply = manager->get(request);
    const QPointer<QObject> guard(context);
    const bool hasContext = context != nullptr;
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, guard, hasContext, done]() {
        reply->deleteLater();
        if (hasContext && !guard)
            return;
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        std::optional<QString> text;
        if (reply->error() == QNetworkReply::NoError && status == 200)
            text = QString::fromUtf8(reply->readAll());
        if (done)
            done(text);
    });
}

} // namespace UrlFetcher
