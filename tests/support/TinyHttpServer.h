// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// The tests' one HTTP server, on 127.0.0.1: every request gets the same status and body, or
// no answer at all, or an answer that never ends.
class TinyHttpServer : public QObject
{
public:
    explicit TinyHttpServer(QObject *parent = nullptr);
    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QUrl baseUrl() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort())); }
    QUrl url(const QString &path) const { return baseUrl().resolved(QUrl(path)); }
    void respondWith(int status, const QByteArray &body) { m_status = status, m_body = body; }
    // Accepts connections but never answers them.
    void setSilent(bool silent) { m_silent = silent; }
    // Promises a large body, then sends a byte of it now and then, for ever.
    void setTrickling(bool trickling) { m_trickling = trickling; }
    int requestCount() const { return m_requests; }
    QByteArray lastRequestPath() const { return m_lastPath; }

private:
    void answer(QTcpSocket *socket);

    QTcpServer m_server;
    int m_status = 200;
    QByteArray m_body;
    bool m_silent = false;
    bool m_trickling = false;
    int m_requests = 0;
    QByteArray m_lastPath;
};
