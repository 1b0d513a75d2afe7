#include "file/loading.h"

#include "file/content_store.h"
#include "file/current_art.h"
#include "file/profile.h"
#include "file/searcher.h"
#include "kernel/exceptions.h"
#include "kernel/font_metrics.h"
#include "kernel/load_stage.h"
#include "kernel/persistent_singleton.h"
#include "kernel/strings.h"
#include "platform/raw_file.h"

#include <typeinfo>

namespace Zorva::File {
namespace {

// The saved profile is looked for once per run.
std::atomic<bool> g_profileLooked{false};
// The remembered picture is read once per run: a replay after a settings change keeps the
// picture the child has chosen since.
std::atomic<bool> g_currentArtRead{false};

bool ProfileExists()
{
    try {
        return Platform::IsRegularFile(WideToUtf8(ProfilePath()));
    } catch (const std::bad_cast&) {
        return false;
    }
}

void Call(const std::function<void()>& callback)
{
    if (callback)
        callback();
}

void MergeStep(const LoadingCallbacks& callbacks)
{
    Kernel::CPersistentSingleton& kernel = Kernel::Singleton();
    kernel.searcher->WaitUntilDone();
    // Whatever the profile held is in memory now (or there was none): saving may replace it.
    if (kernel.contentStore)
        kernel.contentStore->MarkProfileStagePassed();
    LoadStage.store(9);
    kernel.pool->Post(new CTaskMergeAll);
    Call(callbacks.resetBindingCaches);
}

} // namespace

void AdvanceLoading(const LoadingCallbacks& callbacks)
{
    AdvanceLoading(LoadStage.load(), callbacks);
}

void AdvanceLoading(std::uint32_t stage, const LoadingCallbacks& callbacks)
{
    Kernel::CPersistentSingleton& kernel = Kernel::Singleton();
    switch (stage) {
    case 2:
        kernel.searcher->StartStage(3);
        Call(callbacks.rearrangeSatellites);
        break;
    case 5:
        Call(callbacks.buildWorld);
        kernel.searcher->StartStage(6);
        break;
    case 8:
        if (!g_profileLooked.exchange(true) && ProfileExists())
            kernel.searcher->StartStage(11);
        else
            MergeStep(callbacks);
        break;
    case 13:
        MergeStep(callbacks);
        break;
    case 10:
        LoadStage.store(kStageRunning);
        Call(callbacks.buildPages);
        if (kernel.fontMetrics)
            kernel.fontMetrics->ClearGlyphs();
        break;
    default:
        break;
    }
}

CTaskMergeAll::CTaskMergeAll()
{
    if (Kernel::CPersistentSingleton* kernel = Kernel::SingletonPointer(); kernel != nullptr)
        searcher_ = kernel->searcher.get();
    if (searcher_ != nullptr)
        searcher_->TaskStarted();
}

CTaskMergeAll::~CTaskMergeAll()
{
    if (searcher_ != nullptr)
        searcher_->TaskEnded();
}

void CTaskMergeAll::Run()
{
    Kernel::CPersistentSingleton& kernel = Kernel::Singleton();
    if (kernel.currentArt && !g_currentArtRead.exchange(true))
        kernel.currentArt->ReadForCurrent();
    if (kernel.contentStore)
        kernel.contentStore->CreateArtTextures();
    LoadStage.store(10);
}

} // namespace Zorva::File
