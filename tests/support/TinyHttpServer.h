#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

// A one-route HTTP server on 127.0.0.1 for tests: every request gets the same status and body.
class TinyHttpServer : public QObject
{
    Q_OBJECT

public:
    explicit TinyHttpServer(QObject *parent = nullptr);
    bool listen();
    QUrl baseUrl() const;
    void respondWith(int status, const QByteArray &body);
    // Accepts connections but never answers them.
    void setSilent(bool silent) { m_silent = silent; }
    int requestCount() const { return m_requests; }
    QByteArray lastRequestPath() const { return m_lastPath; }

private:
    void answer(QTcpSocket *socket);

    QTcpServer m_server;
    int m_status = 200;
    QByteArray m_body;
    bool m_silent = false;
    int m_requests = 0;
    QByteArray m_lastPath;
};
