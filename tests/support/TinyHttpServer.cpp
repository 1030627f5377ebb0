// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TinyHttpServer.h"

#include <QTcpSocket>
#include <QTimer>

TinyHttpServer::TinyHttpServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this]() {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { answer(socket); });
        }
    });
}

void TinyHttpServer::answer(QTcpSocket *socket)
{
    const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n") || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);
    ++m_requests;
    m_lastPath = request.split(' ').value(1);
    if (m_silent)
        return;
    const QByteArray length = QByteArray::number(m_trickling ? 1000000 : m_body.size());
    socket->write("HTTP/1.1 " + QByteArray::number(m_status)
                  + " Whatever\r\nContent-Type: text/plain\r\n"
                    "Connection: close\r\nContent-Length: "
                  + length + "\r\n\r\n" + m_body);
    if (!m_trickling) {
        socket->disconnectFromHost();
        return;
    }
    auto *drip = new QTimer(socket);
    connect(drip, &QTimer::timeout, socket, [socket] { socket->write("1"); });
    drip->start(50);
}
