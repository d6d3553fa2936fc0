// A loopback HTTP server for the news check: answers every GET with one body, or accepts
// the connection and never answers.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <utility>

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
  // Held requests get their answer when released.
  void Hold() { held_ = true; }
  void Release() {
    held_ = false;
    for (QTcpSocket* socket : std::exchange(waiting_, {})) Answer(socket);
  }
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
    if (held_) {
      waiting_ << socket;
      return;
    }
    Answer(socket);
  }
  void Answer(QTcpSocket* socket) {
    socket->write(
        "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nConnection: close\r\nContent-Length: " +
        QByteArray::number(body_.size()) + "\r\n\r\n" + body_);
    socket->disconnectFromHost();
  }

  QTcpServer server_;
  QByteArray body_;
  bool silent_ = false;
  bool held_ = false;
  QList<QTcpSocket*> waiting_;
  int requests_ = 0;
  int answers_ = -1;
  QHash<QTcpSocket*, QByteArray> pending_;
};

}  // namespace qarvo::test
