#include "ui/RunWorkerUnit.h"

#include "http/LibSSLUnit.h"

namespace tarrow {

TRunWorker::TRunWorker(TTarrowEngine& AEngine, std::unique_ptr<TWebsiteProjectList> AProjects,
                       QString AOutDir, std::optional<QString> AStartNames, TLogSink* ALogSink,
                       QObject* AParent)
    : QThread(AParent), FEngine(AEngine), FProjects(std::move(AProjects)),
      FOutDir(std::move(AOutDir)), FStartNames(std::move(AStartNames)), FLogSink(ALogSink) {}

TRunWorker::~TRunWorker() {
    wait();
    const std::lock_guard lock(FResultLock); // the worker's last writes come before the delete
}

TRunResult TRunWorker::Result() const {
    const std::lock_guard lock(FResultLock);
    return FResult;
}

void TRunWorker::run() {
    TRunResult result = FEngine.Run(*FProjects, FOutDir, FStartNames, FLogSink);
    ReleaseThreadSSLState(); // the TLS library's state of this thread
    const std::lock_guard lock(FResultLock);
    FResult = std::move(result);
}

} // namespace tarrow
