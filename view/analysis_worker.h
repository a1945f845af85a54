// Runs the stability analysis of one series on a worker thread (Qt
// Concurrent) and hands the result back on the event thread. The newest
// request wins: at most one analysis runs and one waits; a request made while
// one waits replaces it, and a result that finishes while a newer request
// waits is dropped unseen, so that what is shown is never older than what was
// shown before it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include <QFutureWatcher>
#include <QObject>

#include "view/stability_series.h"

namespace kt::view {

struct AnalysisResult {
    uint64_t request = 0;  // the number Request returned
    SeriesAnalysis analysis;
};

class AnalysisWorker : public QObject {
    Q_OBJECT
public:
    explicit AnalysisWorker(QObject* parent = nullptr);
    ~AnalysisWorker() override;

    // An analysis, run on the worker: it reads only what it holds.
    using Job = std::function<SeriesAnalysis()>;
    // Asks for an analysis; returns the request's number.
    uint64_t Request(Job job);
    // Whether an analysis runs or waits.
    bool Busy() const { return running_ || pending_.has_value(); }
    uint64_t Dropped() const { return dropped_; }
    // The number of the last request made (0 before any).
    uint64_t LastRequest() const { return next_ - 1; }  // results not shown because a newer one was asked for

signals:
    void finished(const kt::view::AnalysisResult& result);

private:
    struct Numbered {
        uint64_t request = 0;
        Job job;
    };
    void Start(Numbered job);
    void OnFinished();

    QFutureWatcher<AnalysisResult> watcher_;
    bool running_ = false;
    std::optional<Numbered> pending_;
    uint64_t next_ = 1;
    uint64_t dropped_ = 0;
};

}  // namespace kt::view
