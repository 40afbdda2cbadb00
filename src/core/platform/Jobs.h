#pragma once

#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace Sweepora::Core {

// The pool that runs every scan and clean: the installed context's (see Context::jobPool()).
QThreadPool& jobPool();

// Runs `job` on the job pool. The job works on its own copies of its inputs (never a view
// model's `this`) and hands its one result back through the future; a job that takes a
// `QPromise<T>&` as its first parameter can also report progress.
template <typename Function, typename... Args> auto runJob(Function&& job, Args&&... args)
{
    return QtConcurrent::run(&jobPool(), std::forward<Function>(job), std::forward<Args>(args)...);
}

} // namespace Sweepora::Core
