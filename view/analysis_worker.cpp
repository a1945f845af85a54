#include "view/analysis_worker.h"

#include <chrono>
#include <thread>
#include <utility>

#ifdef __GLIBC__
#include <malloc.h>
#endif
#if defined(_WIN32)
#include <windows.h>
#elif defined(__unix__) || defined(__APPLE__)
#include <time.h>
#endif

#include <QtConcurrent/QtConcurrentRun>

namespace kt::view {

namespace {

// The CPU time of the calling thread, seconds; below 0 where the system does
// not tell. What the analysis costs the machine, whatever else runs beside it.
double ThreadCpuSeconds() {
#if defined(_WIN32)
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return -1.0;
    const auto ticks = [](const FILETIME& f) { return (static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) * 1e-7;
#elif defined(CLOCK_THREAD_CPUTIME_ID)
    timespec t{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t) != 0) return -1.0;
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
#else
    return -1.0;
#endif
}

}  // namespace

AnalysisWorker::AnalysisWorker(QObject* parent) : QObject(parent) {
    connect(&watcher_, &QFutureWatcher<AnalysisResult>::finished, this, &AnalysisWorker::OnFinished);
}

// An analysis still running reads only its own copy of the series and
// writes only its own result: it is left to finish, unseen, rather than
// waited for on the event thread.
AnalysisWorker::~AnalysisWorker() = default;

uint64_t AnalysisWorker::Request(Job work) {
    Numbered job{next_++, std::move(work)};
    const uint64_t id = job.request;
    if (running_) {
        pending_ = std::move(job);  // an older waiting request is replaced
    } else {
        Start(std::move(job));
    }
    return id;
}

void AnalysisWorker::Start(Numbered job) {
    running_ = true;
    // The watcher lets go of the previous analysis' future here: the job
    // takes it along and lets go of it on the worker, so that its result
    // (made on the worker, in the worker's heap) is freed there. Freed here,
    // it could hand the event thread the trimming of that heap after the
    // series the worker let go of: milliseconds of unmapping memory.
    QFuture<AnalysisResult> previous = watcher_.future();
    watcher_.setFuture(QtConcurrent::run([job = std::move(job), previous = std::move(previous)]() mutable {
        previous = QFuture<AnalysisResult>();
        AnalysisResult result;
        result.request = job.request;
        const auto start = std::chrono::steady_clock::now();
        const double cpu_start = ThreadCpuSeconds();
        result.analysis = job.job();
        result.analysis.thread = std::this_thread::get_id();
        result.analysis.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
#ifdef __GLIBC__
        // The series the job let go of is free memory of this thread's heap,
        // fenced from its top by what is still held (the result, Qt's events
        // that hand it over). Returned here: else the event thread, freeing
        // such a fence, would merge the free memory into the top and hand it
        // back to the system itself (an unmap of 64 MB and an madvise of as
        // much, 10 ms and more, seen with strace on the event thread).
        malloc_trim(0);
#endif
        const double cpu_end = ThreadCpuSeconds();
        result.analysis.cpu_seconds = cpu_start >= 0.0 && cpu_end >= cpu_start ? cpu_end - cpu_start : -1.0;
        return result;
    }));
}

void AnalysisWorker::OnFinished() {
    running_ = false;
    AnalysisResult result = watcher_.result();
    if (pending_) {
        ++dropped_;
        Numbered next = std::move(*pending_);
        pending_.reset();
        Start(std::move(next));
        return;
    }
    emit finished(result);
}

}  // namespace kt::view
