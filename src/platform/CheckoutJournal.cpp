#include "platform/CheckoutJournal.h"

#include <cerrno>   // errno, ENOENT, ELOOP
#include <chrono>   // system_clock, hours
#include <map>      // map
#include <utility>  // move

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

#include <fcntl.h>     // open, O_NOFOLLOW
#include <sys/stat.h>  // lstat, fstat, mkdir
#include <unistd.h>    // getpid, geteuid, read, close

#include "config/BoundedJson.h"
#include "tarvel/Log.h"

namespace tarvel::detail {
namespace {

constexpr qint64 kMaxEntryBytes = 16 * 1024;
constexpr std::size_t kMaxEntryDepth = 4;
constexpr auto kMaxAge = std::chrono::hours(24);
// The age from which a lock file without its owner's details counts as a dead owner's.
constexpr qint64 kUnreadableLockAgeS = 10;

std::int64_t nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string octal(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%03o", unsigned(mode & 0777));
  return text;
}

// The folder is used only when it is a real folder of this user that nobody else may enter;
// `create` makes it (0700) when it is missing.
bool trustedFolder(const QString& folder, bool create) {
  const QByteArray path = QFile::encodeName(folder);
  struct stat status {};
  if (::lstat(path.constData(), &status) != 0) {
    if (errno != ENOENT || !create) return false;
    QDir().mkpath(QFileInfo(folder).absolutePath());
    if (::mkdir(path.constData(), 0700) != 0 || ::lstat(path.constData(), &status) != 0) {
      log(LogLevel::warning,
          "The journal of unfinished checkouts cannot be created at " + folder.toStdString());
      return false;
    }
  }
  std::string problem;
  if (!S_ISDIR(status.st_mode)) {
    problem = "is not a folder";
  } else if (status.st_uid != ::geteuid()) {
    problem = "belongs to another user";
  } else if ((status.st_mode & 077) != 0) {
    problem = "is open to other users (mode " + octal(status.st_mode) + ")";
  }
  if (problem.empty()) return true;
  log(LogLevel::warning, "The journal of unfinished checkouts at " + folder.toStdString() + " " +
                             problem + ": it is left alone");
  return false;
}

// One journal file, read without following a link and within bounds; `why` says what is
// wrong when nothing comes back.
std::optional<UnfinishedCheckout> readEntry(const QString& path, std::string& why) {
  const int fd =
      ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    why = errno == ELOOP ? "a symbolic link" : "unreadable";
    return std::nullopt;
  }
  struct stat status {};
  std::string text;
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    why = "not a plain file";
  } else if (status.st_uid != ::geteuid()) {
    why = "owned by another user";
  } else if ((status.st_mode & 077) != 0) {
    why = "open to other users (mode " + octal(status.st_mode) + ")";
  } else if (status.st_size > kMaxEntryBytes) {
    why = "larger than " + std::to_string(kMaxEntryBytes) + " bytes";
  } else {
    char buffer[4096];
    ssize_t count = 0;
    while ((count = ::read(fd, buffer, sizeof buffer)) > 0 &&
           text.size() <= std::size_t(kMaxEntryBytes)) {
      text.append(buffer, std::size_t(count));
    }
  }
  ::close(fd);
  if (!why.empty()) return std::nullopt;
  const BoundedJson json = parseBoundedJson(text, std::size_t(kMaxEntryBytes), kMaxEntryDepth);
  if (!json) {
    why = std::string(describe(json.refusal));
    return std::nullopt;
  }
  auto entry = UnfinishedCheckout::fromJson(*json.value);
  if (!entry) why = "not an unfinished checkout";
  return entry;
}

// A lock file without its owner's details (the owner ended while writing it) is taken over
// when no process holds it, and only once it is a while old: a live process creates its lock
// file before it locks and fills it, and another recovering process must not take that moment
// for a dead owner's (both would then report the same checkouts).
bool takeUnreadableLock(QLockFile& lock) {
  qint64 pid = 0;
  QString host;
  QString application;
  if (lock.getLockInfo(&pid, &host, &application)) return false;
  const QDateTime written = QFileInfo(lock.fileName()).lastModified();
  if (!written.isValid() || written.secsTo(QDateTime::currentDateTime()) < kUnreadableLockAgeS) {
    return false;
  }
  return lock.removeStaleLockFile() && lock.tryLock(0);
}

QString makeOwner() {
  const quint64 random = QRandomGenerator::system()->generate64();
  return QString::number(::getpid()) + QLatin1Char('-') +
         QStringLiteral("%1").arg(random, 16, 16, QLatin1Char('0'));
}

}  // namespace

// Never destroyed: a status answer may still arrive on the network thread while the process
// exits. Its queued work is finished at exit all the same; later work is dropped.
CheckoutJournal& CheckoutJournal::shared() {
  static CheckoutJournal* journal = new CheckoutJournal;
  static const struct Finish {
    ~Finish() { journal->stop(); }
  } finish;
  return *journal;
}

CheckoutJournal::CheckoutJournal() : owner_(makeOwner()) {
  worker_ = std::thread([this] { run(); });
}

CheckoutJournal::~CheckoutJournal() { stop(); }

void CheckoutJournal::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    stopping_ = true;
  }
  wake_.notify_one();
  worker_.join();
}

QString CheckoutJournal::location() {
  const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  if (data.isEmpty()) return {};
  return data + QStringLiteral("/tarvel-checkout-journal");
}

std::string CheckoutJournal::record(const UnfinishedCheckout& entry) {
  const QString folder = location();
  if (folder.isEmpty()) {
    log(LogLevel::warning, "No application data location: the checkout is not journalled");
    return {};
  }
  unsigned long long number = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    number = ++sequence_;
  }
  const QString path = folder + QLatin1Char('/') + owner_ + QLatin1Char('.') +
                       QString::number(number) + QStringLiteral(".json");
  post([this, folder, path, json = entry.toJson().dump()] { write(folder, path, json); });
  return path.toStdString();
}

void CheckoutJournal::remove(const std::string& id) {
  if (id.empty()) return;
  post([path = QString::fromStdString(id)] { QFile::remove(path); });
}

void CheckoutJournal::claimLeftovers(std::function<void(std::vector<Claim>)> claimed) {
  post([this, folder = location(), claimed = std::move(claimed)] {
    claimed(folder.isEmpty() ? std::vector<Claim>{} : claimNow(folder));
  });
}

void CheckoutJournal::release(Claim claim) {
  post([lock = std::move(claim.lock)] {
    if (lock) lock->unlock();
  });
}

void CheckoutJournal::whenIdle(std::function<void()> done) { post(std::move(done)); }

void CheckoutJournal::post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    tasks_.push_back(std::move(task));
  }
  wake_.notify_one();
}

void CheckoutJournal::run() {
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
      if (tasks_.empty()) break;  // stopping, and everything queued is done
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
  }
  ownerLocks_.clear();
}

// This process's files are its own while it runs: the lock is taken before the first of them
// is written, in every folder it writes to.
bool CheckoutJournal::holdOwnerLock(const QString& folder) {
  if (ownerLocks_.count(folder)) return true;
  auto lock =
      std::make_unique<QLockFile>(folder + QLatin1Char('/') + owner_ + QStringLiteral(".lock"));
  lock->setStaleLockTime(0);
  if (!lock->tryLock(0)) return false;
  ownerLocks_[folder] = std::move(lock);
  return true;
}

void CheckoutJournal::write(const QString& folder, const QString& path, const std::string& json) {
  if (!trustedFolder(folder, true) || !holdOwnerLock(folder)) {
    log(LogLevel::warning, "An unfinished checkout was not journalled");
    return;
  }
  QSaveFile file(path);
  // The permissions go on the temporary file before anything is written into it.
  const bool written = file.open(QIODevice::WriteOnly) &&
                       file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
                       file.write(json.data(), qint64(json.size())) == qint64(json.size()) &&
                       file.commit();
  if (!written)
    log(LogLevel::warning,
        "An unfinished checkout was not journalled: the file could not be written");
}

std::vector<CheckoutJournal::Claim> CheckoutJournal::claimNow(const QString& folder) {
  std::vector<Claim> claims;
  if (!trustedFolder(folder, false)) return claims;
  static const QRegularExpression ownName(
      QStringLiteral("^([0-9]{1,10}-[0-9a-f]{16})\\.(lock|[0-9]{1,20}\\.json(\\..+)?)$"));
  std::map<QString, QStringList> byOwner;
  const QDir dir(folder);
  const auto filters = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
  for (const QString& name : dir.entryList(filters, QDir::Name)) {
    const QRegularExpressionMatch match = ownName.match(name);
    if (!match.hasMatch()) {
      log(LogLevel::warning, "Skipped a file that is not the journal's: " + name.toStdString());
      continue;
    }
    if (match.captured(1) == owner_ || match.captured(2) == QLatin1String("lock")) continue;
    byOwner[match.captured(1)].append(name);
  }
  for (auto& [owner, names] : byOwner) {
    auto lock = std::make_shared<QLockFile>(dir.filePath(owner + QStringLiteral(".lock")));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0) && !takeUnreadableLock(*lock)) continue;  // its process runs
    Claim claim{{}, lock};
    for (const QString& name : names) {
      const QString path = dir.filePath(name);
      std::string why;
      std::optional<UnfinishedCheckout> entry;
      if (name.endsWith(QLatin1String(".json"))) {
        entry = readEntry(path, why);
      } else {
        why = "an interrupted write";
      }
      if (!entry) {
        log(LogLevel::warning, "Removed a journal file (" + why + "): " + name.toStdString());
        QFile::remove(path);
      } else if (nowMs() - entry->paymentStartMs > std::chrono::milliseconds(kMaxAge).count()) {
        log(LogLevel::warning,
            "Dropped an unfinished checkout older than 24 hours (moid " + entry->moid + ")");
        QFile::remove(path);
      } else {
        claim.entries.emplace_back(path.toStdString(), std::move(*entry));
      }
    }
    if (claim.entries.empty()) {
      lock->unlock();
    } else {
      claims.push_back(std::move(claim));
    }
  }
  return claims;
}

}  // namespace tarvel::detail
