#include "app/TUpdateCheck.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <algorithm>

#include "core/ReleaseNumber.h"
#include "app/NewsValue.h"

namespace qarvo {

namespace {

int ReadCount(const QString& file) {
  bool ok = false;
  const int count =
      ReadNewsValue(file, QStringLiteral("XMLPackage.count"), QStringLiteral("number"))
          .trimmed()
          .toInt(&ok);
  return ok ? std::min(count, TUpdateCheck::kMaxRows) : 0;
}

QString ReadLatest(const QString& file) {
  return ReadNewsValue(file, QStringLiteral("XMLPackage.videoversion"), QStringLiteral("number"));
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
  Fetch(CacheFile(kFetchedFile), [this](bool fetched) { FirstFetched(fetched); });
}

// GET into memory with a read time-out; the body replaces the file only when it all came.
void TUpdateCheck::Fetch(const QString& fileName, std::function<void(bool)> then) {
  const QUrl url(newsUrl_);
  if (newsUrl_.isEmpty() || !url.isValid()) {
    QTimer::singleShot(0, this, [then = std::move(then)] { then(false); });
    return;
  }
  QNetworkRequest request(url);
  request.setTransferTimeout(readTimeout_);
  QNetworkReply* reply = network_->get(request);
  connect(reply, &QNetworkReply::finished, this, [this, reply, fileName, then = std::move(then)] {
    reply->deleteLater();
    bool fetched = reply->error() == QNetworkReply::NoError;
    if (fetched) {
      QDir().mkpath(cacheFolder_);
      QSaveFile file(fileName);
      fetched =
          file.open(QIODevice::WriteOnly) && file.write(reply->readAll()) >= 0 && file.commit();
    }
    then(fetched);
  });
}

void TUpdateCheck::FirstFetched(bool fetched) {
  const QString file = CacheFile(kFetchedFile);
  if (!fetched || !QFile::exists(file)) {
    UseKeptCopy();
    return;
  }
  count_ = ReadCount(file);
  const QString latest = ReadLatest(file);
  latest_ = latest.toStdString();
  if (IsNewerRelease(versionText_, latest_) && ask_) {
    const QString question = QStringLiteral("Do you want to upgrade to %1 %2 now?")
                                 .arg(QString::fromStdString(appTitle_), latest);
    if (ask_(question)) {
      emit UpgradeAccepted();
      return;
    }
  }
  Fetch(CacheFile(kKeptFile), [this](bool again) { SecondFetched(again); });
}

void TUpdateCheck::SecondFetched(bool fetched) {
  const QString kept = CacheFile(kKeptFile);
  const QString fetchedFile = CacheFile(kFetchedFile);
  // The copy for later starts is the same file: without a second answer, keep the first.
  if (!fetched) {
    QFile source(fetchedFile);
    QSaveFile copy(kept);
    if (source.open(QIODevice::ReadOnly) && copy.open(QIODevice::WriteOnly) &&
        copy.write(source.readAll()) >= 0)
      copy.commit();
  }
  ReadRows(kept, fetchedFile);
  Finish();
}

void TUpdateCheck::UseKeptCopy() {
  const QString kept = CacheFile(kKeptFile);
  if (QFile::exists(kept)) {
    count_ = ReadCount(kept);
    latest_ = ReadLatest(kept).toStdString();
    ReadRows(kept, kept);
  } else {
    rows_ = BuiltInNewsRows();
  }
  Finish();
}

void TUpdateCheck::ReadRows(const QString& textFile, const QString& linkFile) {
  rows_.clear();
  for (int i = 0; i < count_; ++i) {
    const QString row = QStringLiteral("XMLPackage.row%1").arg(i);
    rows_.push_back({ReadNewsValue(textFile, row, QStringLiteral("info")).toStdString(),
                     ReadNewsValue(linkFile, row, QStringLiteral("url")).toStdString()});
  }
}

void TUpdateCheck::Finish() { emit Finished(); }

}  // namespace qarvo
