#pragma once

#include "engine/TarrowEngineUnit.h"
#include "project/WebsiteUnit.h"

#include <QString>
#include <QThread>
#include <memory>
#include <mutex>
#include <optional>

namespace tarrow {

// The window's one worker: runs the engine once on its own copy of the projects and the
// output-folder text taken when the run was started, so the window stays fully usable meanwhile.
// The destructor waits for the thread.
class TRunWorker final : public QThread {
    Q_OBJECT
public:
    // AStartNames given: the command-line start by name; otherwise "Load Websites".
    TRunWorker(TTarrowEngine& AEngine, std::unique_ptr<TWebsiteProjectList> AProjects,
               QString AOutDir, std::optional<QString> AStartNames, TLogSink* ALogSink,
               QObject* AParent = nullptr);
    ~TRunWorker() override;

    bool IsStartByName() const { return FStartNames.has_value(); }
    // Valid once the thread has finished.
    TRunResult Result() const;

protected:
    void run() override;

private:
    TTarrowEngine& FEngine;
    std::unique_ptr<TWebsiteProjectList> FProjects;
    QString FOutDir;
    std::optional<QString> FStartNames;
    TLogSink* FLogSink;
    // Written by the worker, read after it: the lock makes that order visible to every checker,
    // not only to Qt's own wait.
    mutable std::mutex FResultLock;
    TRunResult FResult;
};

} // namespace tarrow
