// A loopback HTTP server for the news check: answers every GET with one body, or accepts
// the connection and never answers.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace qarvo::test {

class TLoopbackHttpServer : public QObject {
 public:
  TLoopbackHttpServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
      }
    });
  }

  QUrl Url() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1/news.xml").arg(server_.serverPort()));
  }
  void SetBody(const QByteArray& body) { body_ = body; }
  void SetSilent(bool silent) { silent_ = silent; }
  // Answers this many requests, then none.
  void SetAnswers(int answers) { answers_ = answers; }
  int Requests() const { return requests_; }

 private:
  void Read(QTcpSocket* socket) {
    QByteArray& request = pending_[socket];
    request += socket->readAll();
    if (!request.contains("\r\n\r\n")) return;
    request.clear();
    ++requests_;
    if (silent_ || (answers_ >= 0 && requests_ > answers_)) return;
    socket->write(
        "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nConnection: close\r\nContent-Length: " +
        QByteArray::number(body_.size()) + "\r\n\r\n" + body_);
    socket->disconnectFromHost();
  }

  QTcpServer server_;
  QByteArray body_;
  bool silent_ = false;
  int requests_ = 0;
  int answers_ = -1;
  QHash<QTcpSocket*, QByteArray> pending_;
};

}  // namespace qarvo::test
