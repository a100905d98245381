// build_runner.cpp - the Start command's build on a worker thread.
#include "ui/build_runner.h"

#include <QMetaObject>
#include <utility>

namespace quorix {
namespace {

// Passes every line on at once as a signal of the runner.
class TSignalLog : public TBuildLog {
  public:
    explicit TSignalLog(std::function<void(const QString&)> emitLine)
        : emitLine_(std::move(emitLine)) {}
    void Add(std::string_view line) override {
        emitLine_(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
    }

  private:
    std::function<void(const QString&)> emitLine_;
};

}  // namespace

TBuildRunner::TBuildRunner(TBuildFunction build,
                           std::function<TEntryFailureAnswer(const QString&)> ask, QObject* parent)
    : QObject(parent), build_(std::move(build)), ask_(std::move(ask)) {}

TBuildRunner::~TBuildRunner() {
    if (worker_ != nullptr) {
        worker_->wait();
    }
}

void TBuildRunner::Start(TBuildJob job) {
    if (worker_ != nullptr) {
        return;
    }
    stop_ = false;
    job.stopRequested = [this] { return stop_.load(); };
    job.partStarted = [this](std::uint64_t part, std::uint64_t parts) {
        emit PartStarted(part, parts);
    };
    worker_ = QThread::create([this, job = std::move(job)] {
        TSignalLog log([this](const QString& line) { emit LineAdded(line); });
        build_(job, log, [this](const std::string& message) { return AskFromWorker(message); });
    });
    worker_->setParent(this);
    connect(worker_, &QThread::finished, this, [this] {
        worker_->deleteLater();
        worker_ = nullptr;
        emit Finished();
    });
    worker_->start();
}

TEntryFailureAnswer TBuildRunner::AskFromWorker(const std::string& message) {
    TEntryFailureAnswer answer = TEntryFailureAnswer::Abort;
    QMetaObject::invokeMethod(
        this, [this, &message] { return ask_(QString::fromStdString(message)); },
        Qt::BlockingQueuedConnection, &answer);
    return answer;
}

}  // namespace quorix
