// build_runner.h - runs one build at a time on a worker thread and hands its log
// lines and questions to the window's thread as they come.
#pragma once

#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <functional>

#include "ui/window_services.h"

namespace quorix {

class TBuildRunner : public QObject {
    Q_OBJECT

  public:
    // `ask` runs on this object's thread while the worker waits for its answer.
    TBuildRunner(TBuildFunction build, std::function<TEntryFailureAnswer(const QString&)> ask,
                 QObject* parent = nullptr);
    // Waits for a running build: its thread must not outlive the window.
    ~TBuildRunner() override;

    bool IsRunning() const { return worker_ != nullptr; }
    // Starts a build; ignored while one runs. The job's stop and progress
    // functions are the runner's own.
    void Start(TBuildJob job);
    // Asks the running build to stop at its next check; Finished follows.
    void RequestStop() { stop_ = true; }

  signals:
    // One log line, emitted from the worker; receivers on the window's thread get
    // it through the event queue, so each line shows while the build goes on.
    void LineAdded(const QString& line);
    void Finished();
    // Part k of N begins; emitted from the worker.
    void PartStarted(quint64 part, quint64 parts);

  private:
    TEntryFailureAnswer AskFromWorker(const std::string& message);

    TBuildFunction build_;
    std::function<TEntryFailureAnswer(const QString&)> ask_;
    QThread* worker_ = nullptr;  // owned by this object while running
    std::atomic<bool> stop_ = false;
};

}  // namespace quorix
