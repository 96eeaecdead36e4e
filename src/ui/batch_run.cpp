// The window's run over dropped files and folders: many files converted into one folder on a worker thread.
#include "ui/batch_run.h"

#include "batch/batch_session.h"
#include "batch/conversion_plan.h"
#include "batch/problem_text.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <mutex>

namespace ui {
namespace {

// Often enough for a count to look alive, seldom enough that showing it costs nothing against the run.
constexpr qint64 ProgressIntervalMs = 50;

std::string native(const QString& path) { return QFile::encodeName(path).toStdString(); }

std::string withSlash(const std::string& folder) { return folder.ends_with('/') ? folder : folder + '/'; }

// The deepest folder that holds every dropped path, ending in '/'. Files are named from there
// down, as the file manager they were dropped from shows them: "in/big.G" for big.G in a folder in.
std::string commonFolder(const std::vector<std::string>& paths)
{
    const auto folderOf = [](const std::string& path) { return withSlash(path.substr(0, path.rfind('/') + 1)); };
    std::string common = paths.empty() ? "/" : folderOf(paths.front());
    for (const std::string& path : paths) {
        const std::string folder = folderOf(path);
        while (!folder.starts_with(common)) common.erase(common.rfind('/', common.size() - 2) + 1);
    }
    return common;
}

// Runs work on a thread of its own while the window's event loop goes on, so that the window repaints
// and answers meanwhile; returns when the work is done. The loop ends early when the program quits:
// stop then asks the work to end soon.
void offTheWindowThread(const std::function<void()>& work, const std::function<void()>& stop = [] {})
{
    QEventLoop untilDone;
    const std::unique_ptr<QThread> worker(QThread::create(work));
    QObject::connect(worker.get(), &QThread::finished, &untilDone, &QEventLoop::quit);
    worker->start();
    untilDone.exec();
    if (worker->isRunning()) stop();
    worker->wait();
}

QString shownBelow(const std::string& path, const std::string& folder)
{
    return QString::fromStdString(batch::shownPath(path.starts_with(folder) ? path.substr(folder.size()) : path));
}

// Notes what becomes of each file on the worker thread and shows the file at hand on the GUI thread.
// At most one report waits in the event loop at a time and the dialog changes at most every
// ProgressIntervalMs, so that a run of small files neither floods nor busies the event loop.
class ProgressRelay : public batch::SessionListener {
public:
    ProgressRelay(BatchPrompts& prompts, std::string shownFrom, BatchSummary& summary)
        : prompts_(prompts), shownFrom_(std::move(shownFrom)), summary_(summary)
    {
        later_.setSingleShot(true);
        QObject::connect(&later_, &QTimer::timeout, &guiThread_, [this] { show(); });
    }

    void starting(std::size_t index, std::size_t count, const batch::Job& job) override
    {
        {
            const std::lock_guard lock(mutex_);
            index_ = index;
            count_ = count;
            file_ = job.source;
        }
        if (!reportWaiting_.exchange(true))
            QMetaObject::invokeMethod(&guiThread_, [this] { show(); }, Qt::QueuedConnection);
    }

    // The summary is the worker's until it ends.
    void finished(const batch::Job& job, const batch::FileOutcome& outcome) override
    {
        if (outcome.result == batch::FileOutcome::Converted) {
            ++summary_.converted;
        } else if (outcome.result == batch::FileOutcome::Skipped) {
            ++summary_.skipped;
        } else {
            refused(job.source, batch::problemText(job, outcome));
        }
    }

    void refused(const std::string& subject, const std::string& problem) override
    {
        ++summary_.notConverted;
        summary_.problems.append(shownBelow(subject, shownFrom_) + QStringLiteral(": ") + QString::fromStdString(problem));
    }

    void interrupted(std::size_t notBegun, std::size_t /*count*/) override { summary_.notBegun = notBegun; }

private:
    // On the GUI thread. Cleared before the file is read, so that a file the worker begins meanwhile
    // either is read here or sends a report of its own.
    void show()
    {
        reportWaiting_ = false;
        if (shown_.isValid() && shown_.elapsed() < ProgressIntervalMs) {
            if (!later_.isActive()) later_.start(static_cast<int>(ProgressIntervalMs - shown_.elapsed()));
            return;
        }
        std::size_t index = 0, count = 0;
        std::string file;
        {
            const std::lock_guard lock(mutex_);
            index = index_;
            count = count_;
            file = file_;
        }
        shown_.start();
        prompts_.progress(index, count, shownBelow(file, shownFrom_));
    }

    BatchPrompts& prompts_;
    const std::string shownFrom_;
    BatchSummary& summary_;
    QObject guiThread_;  // the reports' receiver, dropped with the reports still waiting once the run is over
    QTimer later_;
    QElapsedTimer shown_;
    std::atomic<bool> reportWaiting_ = false;
    std::mutex mutex_;
    std::size_t index_ = 0, count_ = 0;
    std::string file_;
};

}  // namespace

BatchRun::BatchRun(ConversionRun& single, BatchPrompts& prompts, FolderLookup measurementFolder,
                   PipelineMaker makePipeline)
    : single_(single),
      prompts_(prompts),
      measurementFolder_(std::move(measurementFolder)),
      makePipeline_(std::move(makePipeline))
{
}

void BatchRun::convertDropped(RunView& view, const QStringList& paths)
{
    const QFileInfo only(QDir::cleanPath(paths.value(0)));
    if (paths.size() == 1 && !only.isDir() && batch::isMeasurementFileName(native(only.fileName())))
        return single_.convertOneFile(view, only.filePath());
    view.showStatus(QString::fromLatin1(StatusRunning));
    view.setCommand1Enabled(false);
    const bool converted = convertMany(paths);
    view.showStatus(QString::fromLatin1(converted ? StatusConverted : StatusNotConverted));
    view.setCommand1Enabled(true);
}

bool BatchRun::convertMany(const QStringList& paths)
{
    BatchSummary summary;
    std::vector<std::string> sources;
    for (const QString& path : paths) sources.push_back(native(QDir::cleanPath(path)));
    ProgressRelay relay(prompts_, commonFolder(sources), summary);
    batch::BatchSession session(std::move(sources), {.recursive = true, .measurementFilesOnly = true, .nameList = std::nullopt}, relay);
    if (session.anySource()) {
        const QString folder = prompts_.targetFolder(QString::fromStdString(measurementFolder_()));
        if (folder.isEmpty()) return false;
        // Walking a large tree and looking at each target take a while, on a network folder above all.
        std::size_t existing = 0;
        offTheWindowThread([&] {
            session.planInto(native(folder));
            existing = session.existingTargets();
        });
        bool replace = false;
        if (existing > 0) {
            const BatchPrompts::Existing answer = prompts_.existingTargets(existing, session.jobCount());
            if (answer == BatchPrompts::Existing::Cancel) return false;
            replace = answer == BatchPrompts::Existing::Replace;
        }
        std::atomic<bool> stop = false;
        prompts_.progressStarted(session.jobCount(), [&stop] { stop = true; });
        offTheWindowThread(
            [&] {
                const std::unique_ptr<engine::ConversionPipeline> pipeline = makePipeline_();
                session.run(*pipeline, replace, false, [&stop] { return stop.load(); });
            },
            [&stop] { stop = true; });
        prompts_.progressEnded();
    }
    prompts_.summary(summary);
    return summary.converted > 0 && summary.skipped + summary.notConverted + summary.notBegun == 0;
}

}  // namespace ui
