#include "views/common/BackgroundTask.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

namespace background {

QThreadPool* threads(QThread::Priority priority)
{
    static QPointer<QThreadPool> idle, low, normal;
    QPointer<QThreadPool>& pool = priority == QThread::IdlePriority  ? idle
                                  : priority == QThread::LowPriority ? low
                                                                     : normal;
    if (!pool) {
        // A child of the application, which waits for its threads' work as it goes.
        pool = new QThreadPool(QCoreApplication::instance());
        pool->setThreadPriority(priority == QThread::IdlePriority ||
                                        priority == QThread::LowPriority
                                    ? priority
                                    : QThread::InheritPriority);
        // Never fewer than two: the list's icon helper must not queue behind the one other
        // task of its priority.
        pool->setMaxThreadCount(qMax(2, QThread::idealThreadCount()));
    }
    return pool;
}

void startOnPool(QThreadPool* pool, std::function<void()> fn)
{
    pool->start(std::move(fn));
}

} // namespace background
