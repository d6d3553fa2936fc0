#include "app/TUpdateCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <memory>

#include "core/ReleaseNumber.h"

namespace qarvo {

namespace {

// The reply's own buffer stays this small: every part that arrives is taken at once.
constexpr qint64 kReadChunk = 64 * 1024;

int CountOf(const TNewsFile& news) {
  bool ok = false;
  const int count = news.Count.trimmed().toInt(&ok);
  return ok ? std::clamp(count, 0, TUpdateCheck::kMaxRows) : 0;
}

// Replaces the file only when all of the body is written.
bool Save(const QString& folder, const QString& file, const QByteArray& body) {
  QDir().mkpath(folder);
  QSaveFile out(file);
  return out.open(QIODevice::WriteOnly) && out.write(body) == body.size() && out.commit();
}

// The copy of an earlier start. One past the limit (left by an older version) or not a
// regular file is refused; an oversized copy is removed, since it would be refused at
// every start.
bool ReadKept(const QString& file, QByteArray& body) {
  const QFileInfo info(file);
  if (!info.exists()) return false;
  if (!info.isFile() || info.size() > kMaxNewsFileBytes) {
    qCWarning(lcNews).noquote() << "kept news copy refused (not a file of at most"
                                << kMaxNewsFileBytes << "bytes):" << file;
    if (info.isFile()) QFile::remove(file);
    return false;
  }
  QFile in(file);
  // A copy that cannot be read gives "error" values, as the file would.
  if (in.open(QIODevice::ReadOnly)) body = in.read(kMaxNewsFileBytes);
  return true;
}

}  // namespace

TUpdateCheck::TUpdateCheck(QString newsUrl, QString cacheFolder, std::string appTitle,
                           std::string versionText, TAsk ask, QObject* parent)
    : QObject(parent),
      newsUrl_(std::move(newsUrl)),
      cacheFolder_(std::move(cacheFolder)),
      appTitle_(std::move(appTitle)),
      versionText_(std::move(versionText)),
      ask_(std::move(ask)),
      network_(new QNetworkAccessManager(this)) {}

TUpdateCheck::~TUpdateCheck() = default;

QString TUpdateCheck::DefaultCacheFolder() {
  QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
  if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.cache");
  return base + QStringLiteral("/qarvo3gpvideoconverter");
}

QString TUpdateCheck::CacheFile(const char* name) const {
  return QDir(cacheFolder_).filePath(QString::fromLatin1(name));
}

void TUpdateCheck::Start() {
  rows_.clear();
  latest_.clear();
  firstBody_.clear();
  first_ = {};
  if (newsUrl_.isEmpty()) {
    UseKeptCopy();
    return;
  }
  // A settings file may name any address; only the web is asked for news.
  if (!IsWebAddress(newsUrl_)) {
    qCWarning(lcNews).noquote() << "news address refused (not an http or https address):"
                                << newsUrl_;
    UseKeptCopy();
    return;
  }
  Fetch([this](TBody body) { FirstFetched(std::move(body)); });
}

// GET into memory with a read time-out. The body counts only when all of it came within
// kMaxNewsFileBytes; a refused answer is dropped at once and logged.
void TUpdateCheck::Fetch(std::function<void(TBody)> then) {
  QNetworkRequest request{QUrl(newsUrl_)};
  request.setTransferTimeout(readTimeout_);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::NoLessSafeRedirectPolicy);
  request.setMaximumRedirectsAllowed(kMaxRedirects);
  QNetworkReply* reply = network_->get(request);
  reply->setReadBufferSize(kReadChunk);
  struct TDownload {
    QByteArray Body;
    QString Refusal;
  };
  const auto download = std::make_shared<TDownload>();
  const auto refuse = [reply, download](const QString& why) {
    if (!download->Refusal.isEmpty()) return;
    download->Refusal = why;
    download->Body = QByteArray();
    reply->abort();  // finished follows at once
  };
  const auto take = [reply, download, refuse] {
    if (!download->Refusal.isEmpty()) return;
    download->Body += reply->read(kMaxNewsFileBytes + 1 - download->Body.size());
    if (download->Body.size() > kMaxNewsFileBytes)
      refuse(QStringLiteral("more than %1 bytes").arg(kMaxNewsFileBytes));
  };
  connect(reply, &QNetworkReply::metaDataChanged, this, [reply, refuse] {
    bool known = false;
    const qint64 length = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && length > kMaxNewsFileBytes)
      refuse(QStringLiteral("announced as %1 bytes").arg(length));
  });
  connect(reply, &QNetworkReply::readyRead, this, take);
  // The read time-out restarts with every byte; a trickle must end too.
  QTimer::singleShot(kTimeOutsPerFetch * readTimeout_, reply, [this, refuse] {
    refuse(QStringLiteral("not complete after %1 ms").arg(kTimeOutsPerFetch * readTimeout_));
  });
  connect(reply, &QNetworkReply::finished, this,
          [this, reply, download, take, then = std::move(then)] {
            reply->deleteLater();
            take();
            if (!download->Refusal.isEmpty()) {
              qCWarning(lcNews).noquote()
                  << "news answer refused (" + download->Refusal + "):" << newsUrl_;
              then(std::nullopt);
              return;
            }
            if (reply->error() != QNetworkReply::NoError) {
              then(std::nullopt);
              return;
            }
            then(std::move(download->Body));
          });
}

void TUpdateCheck::OffMainThread(std::function<TNewsRead()> work,
                                 std::function<void(TNewsRead)> then) {
  auto* watcher = new QFutureWatcher<TNewsRead>(this);
  connect(watcher, &QFutureWatcherBase::finished, this, [watcher, then = std::move(then)] {
    watcher->deleteLater();
    then(watcher->result());
  });
  watcher->setFuture(QtConcurrent::run(std::move(work)));
}

void TUpdateCheck::FirstFetched(TBody body) {
  if (!body) {
    UseKeptCopy();
    return;
  }
  firstBody_ = *body;
  OffMainThread(
      [folder = cacheFolder_, file = CacheFile(kFetchedFile), body = std::move(*body)] {
        return TNewsRead{Save(folder, file, body), ParseNewsFile(body, kMaxRows)};
      },
      [this](TNewsRead read) { FirstRead(std::move(read)); });
}

void TUpdateCheck::FirstRead(TNewsRead read) {
  // A fetch whose file could not be written counts as failed.
  if (!read.Ok) {
    UseKeptCopy();
    return;
  }
  first_ = std::move(read.News);
  latest_ = first_.Latest.toStdString();
  if (IsNewerRelease(versionText_, latest_) && ask_) {
    const QString question = QStringLiteral("Do you want to upgrade to %1 %2 now?")
                                 .arg(QString::fromStdString(appTitle_), first_.Latest);
    if (ask_(question)) {
      emit UpgradeAccepted();
      return;
    }
  }
  Fetch([this](TBody again) { SecondFetched(std::move(again)); });
}

void TUpdateCheck::SecondFetched(TBody body) {
  OffMainThread(
      [folder = cacheFolder_, file = CacheFile(kKeptFile), body = std::move(body),
       first = firstBody_] {
        if (body && Save(folder, file, *body))
          return TNewsRead{true, ParseNewsFile(*body, kMaxRows)};
        // The copy for later starts is the same file: without a second answer, keep the first.
        Save(folder, file, first);
        return TNewsRead{};
      },
      [this](const TNewsRead& read) {
        // Texts from the second answer, links from the first.
        TakeRows(read.Ok ? read.News : first_, first_);
        Finish();
      });
}

void TUpdateCheck::UseKeptCopy() {
  OffMainThread(
      [file = CacheFile(kKeptFile)] {
        QByteArray body;
        if (!ReadKept(file, body)) return TNewsRead{};
        return TNewsRead{true, ParseNewsFile(body, kMaxRows)};
      },
      [this](const TNewsRead& read) {
        if (read.Ok) {
          latest_ = read.News.Latest.toStdString();
          TakeRows(read.News, read.News);
        } else {
          rows_ = BuiltInNewsRows();
        }
        Finish();
      });
}

void TUpdateCheck::TakeRows(const TNewsFile& texts, const TNewsFile& links) {
  rows_.clear();
  const int count = CountOf(links);
  for (int i = 0; i < count; ++i)
    rows_.push_back({texts.Infos.value(i).toStdString(), links.Urls.value(i).toStdString()});
}

void TUpdateCheck::Finish() { emit Finished(); }

}  // namespace qarvo
