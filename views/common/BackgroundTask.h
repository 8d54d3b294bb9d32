#pragma once

#include "platform/KestrelError.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QPromise>
#include <QThread>

#include <exception>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

class QThreadPool;

// Work that runs off the window's thread. Every helper thread of the views comes from here:
// the threads of one priority are a pool that the application waits for when it ends.
//
// Priorities: Idle for work nobody waits for (the health check: a lower one short of idle
// is none at all on Linux, and it must take no processor from the window's thread or the
// display server while the window first shows); Low for work the window wants soon (the
// search index); Normal for work the window waits for or shows as it comes (icon files,
// the installed applications).
namespace background {

QThreadPool* threads(QThread::Priority priority);
// Queues fn on the pool (kept out of the templates).
void startOnPool(QThreadPool* pool, std::function<void()> fn);

// Runs work on a helper thread of that priority. The future carries its result, or what it
// threw, which result() (or waitForFinished()) throws again unchanged.
template <class Work>
auto start(QThread::Priority priority, Work work) -> QFuture<std::invoke_result_t<Work>>
{
    using Result = std::invoke_result_t<Work>;
    auto promise = std::make_shared<QPromise<Result>>();
    QFuture<Result> future = promise->future();
    promise->start();
    startOnPool(threads(priority), [promise, work = std::move(work)]() mutable {
        try {
            if constexpr (std::is_void_v<Result>)
                work();
            else
                promise->addResult(work());
        } catch (...) {
            promise->setException(std::current_exception());
        }
        promise->finish();
    });
    return future;
}

// Runs work on a helper thread and hands its result to done on the receiver's thread, or
// what it threw (a KestrelError) to failed; with no failed, the error is thrown there, to
// the program's top-level handler. Once the receiver is gone nothing is handed over: the
// work finishes and its result is dropped. Answers the future, for a caller that would
// rather wait for the result than be handed it.
template <class Work, class Done>
auto run(QObject* receiver, QThread::Priority priority, Work work, Done done,
         std::function<void(const KestrelError&)> failed = {})
    -> QFuture<std::invoke_result_t<Work>>
{
    using Result = std::invoke_result_t<Work>;
    // A child of the receiver: it goes with it, and with it every delivery still due.
    auto* watcher = new QFutureWatcher<Result>(receiver);
    QObject::connect(watcher, &QFutureWatcherBase::finished, receiver,
                     [watcher, done = std::move(done), failed = std::move(failed)]() mutable {
                         watcher->deleteLater();
                         QFuture<Result> future = watcher->future();
                         try {
                             future.waitForFinished();
                         } catch (const KestrelError& error) {
                             if (!failed)
                                 throw;
                             failed(error);
                             return;
                         }
                         if constexpr (std::is_void_v<Result>)
                             done();
                         else
                             done(future.result());
                     });
    QFuture<Result> future = start(priority, std::move(work));
    watcher->setFuture(future);
    return future;
}

} // namespace background
