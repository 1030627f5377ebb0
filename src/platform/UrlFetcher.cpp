// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "UrlFetcher.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

namespace UrlFetcher {

namespace {
constexpr qint64 MostBytes = 1024 * 1024;
}

void fetch(const QUrl &url, QObject *context, Platform::FetchDone done, int timeoutMs)
{
    static QNetworkAccessManager *manager = new QNetworkAccessManager;
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    QNetworkReply *reply = manager->get(request);
    // The transfer timeout only notices silence; a server that keeps sending and never ends
    // would outlast it. The whole fetch gets the same limit.
    auto *deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    deadline->start(timeoutMs);
    // A version text is a few bytes; a server that sends far more is not serving one.
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > MostBytes)
            reply->abort();
    });
    const QPointer<QObject> guard(context);
    const bool hasContext = context != nullptr;
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, deadline, guard, hasContext, done]() {
        deadline->stop();
        reply->deleteLater();
        if (hasContext && !guard)
            return;
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        std::optional<QString> text;
        if (reply->error() == QNetworkReply::NoError && status == 200 && reply->bytesAvailable() <= MostBytes)
            text = QString::fromUtf8(reply->readAll());
        if (done)
            done(text);
    });
}

} // namespace UrlFetcher
