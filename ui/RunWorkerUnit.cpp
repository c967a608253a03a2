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
}

void TRunWorker::run() {
    FResult = FEngine.Run(*FProjects, FOutDir, FStartNames, FLogSink);
    ReleaseThreadSSLState(); // the TLS library's state of this thread
}

} // namespace tarrow
